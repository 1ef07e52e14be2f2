#!/usr/bin/env python3
"""The Debian package: made with `cpack -G DEB` from a build directory, unpacked with dpkg-deb -x,
and the unpacked program used without a display.

Checks the file name kestavon_<version>_<arch>.deb, the files (program, desktop entry, icons,
README), library dependencies from dpkg-shlibdeps, and that the unpacked program's --render writes
the same picture, byte for byte, as the program of the build.

Usage: package_test.py BUILD_DIR VERSION. Exit status 77 (skipped) without cpack or dpkg-deb.
"""

import os
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
FILES = ["usr/bin/kestavon", "usr/share/applications/kestavon.desktop",
         "usr/share/icons/hicolor/64x64/apps/kestavon.png",
         "usr/share/icons/hicolor/scalable/apps/kestavon.svg", "usr/share/doc/kestavon/README.md"]
NEEDED = ["libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6"]


def output(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True, timeout=300).stdout


def main():
    build, version = sys.argv[1], sys.argv[2]
    if any(shutil.which(tool) is None for tool in ("cpack", "dpkg-deb", "dpkg-shlibdeps")):
        print("SKIPPED: cpack, dpkg-deb or dpkg-shlibdeps missing (Debian: cmake, dpkg-dev)")
        return SKIPPED
    failures = []

    def check(condition, what):
        print(("ok: " if condition else "FAILED: ") + what)
        if not condition:
            failures.append(what)

    architecture = output("dpkg", "--print-architecture").strip()
    with tempfile.TemporaryDirectory() as folder:
        output("cpack", "-G", "DEB", "-B", folder, "--config",
               os.path.join(build, "CPackConfig.cmake"))
        packages = [name for name in os.listdir(folder) if name.endswith(".deb")]
        expected = f"kestavon_{version}_{architecture}.deb"
        check(packages == [expected], f"one package {expected}: {packages}")
        if packages != [expected]:
            return 1
        package = os.path.join(folder, expected)
        print(f"package size: {os.path.getsize(package)} bytes")
        depends = output("dpkg-deb", "-f", package, "Depends")
        check(all(name in depends for name in NEEDED), f"dependencies {depends.strip()}")
        root = os.path.join(folder, "root")
        output("dpkg-deb", "-x", package, root)
        check(all(os.path.isfile(os.path.join(root, name)) for name in FILES),
              "program, desktop entry, icons and README unpacked")

        environment = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        pictures = []
        for program in (os.path.join(root, "usr/bin/kestavon"), os.path.join(build, "src/app/kestavon")):
            picture = os.path.join(folder, f"picture-{len(pictures)}.png")
            result = subprocess.run([program, "--render", "3d", "--start", "0.5,0.25,0.125",
                                     "--runs", "2", "--output", picture], env=environment,
                                    capture_output=True, text=True, timeout=120)
            check(result.returncode == 0, f"{program} --render: status {result.returncode} "
                                          f"{result.stderr.strip()}")
            with open(picture, "rb") as file:
                pictures.append(file.read())
        check(pictures[0] == pictures[1], "the unpacked program renders the build's picture")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
