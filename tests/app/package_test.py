#!/usr/bin/env python3
"""The Debian package: made with `cpack -G DEB` from a build directory, unpacked with dpkg-deb -x,
and the unpacked program used without a display.

Checks the file name kestavon_<version>_<arch>.deb, that lintian reports nothing, not even in its
pedantic and informational tags, that hardening-check finds the program built with Debian's
hardening (PIE, stack protector, fortified functions, read-only relocations, immediate binding),
the files (program, desktop entry, icons, manual page, README and the pictures it links to,
changelog, copyright), library dependencies from dpkg-shlibdeps, a manual page that man reads
without a warning and that names every option --help lists, a changelog whose last entry is the
package's version, and that the unpacked program's --render writes the same picture, byte for
byte, as the program of the build.

Usage: package_test.py BUILD_DIR DEBIAN_VERSION. Exit status 77 (skipped) without cpack,
dpkg-deb, dpkg-shlibdeps, lintian, hardening-check or man.
"""

import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
DOC = "usr/share/doc/kestavon"
MAN_PAGE = "usr/share/man/man1/kestavon.1.gz"
FILES = ["usr/bin/kestavon", "usr/share/applications/kestavon.desktop",
         "usr/share/icons/hicolor/64x64/apps/kestavon.png",
         "usr/share/icons/hicolor/scalable/apps/kestavon.svg", MAN_PAGE, f"{DOC}/README.md",
         f"{DOC}/changelog.Debian.gz", f"{DOC}/copyright"]
NEEDED = ["libc6", "libstdc++6", "libpng16-16", "libacl1", "libattr1", "libqt6core6", "libqt6gui6",
          "libqt6widgets6"]
HARDENED = ["Position Independent Executable", "Stack protected", "Fortify Source functions",
            "Read-only relocations", "Immediate binding"]


def output(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True, timeout=300).stdout


def documents(root, version, check):
    """The manual page, the README's links and the changelog, as the package holds them."""
    page = os.path.join(root, MAN_PAGE)
    read = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", page], capture_output=True,
                          text=True, timeout=60, env=dict(os.environ, LC_ALL="C.UTF-8",
                                                          MANWIDTH="100"))
    check(read.returncode == 0 and read.stderr == "",
          f"man reads the manual page without a warning ({read.stderr.strip()})")
    shown = read.stdout.replace("\u2010", "-")
    program = os.path.join(root, "usr/bin/kestavon")
    listed = set(re.findall(r"^ +(?:-\w, )?(--[a-z]+)", output(program, "--help"), re.MULTILINE))
    unnamed = sorted(option for option in listed if option not in shown)
    check(len(listed) >= 8 and unnamed == [],
          f"the manual page names every option of --help (not: {unnamed})")

    with open(os.path.join(root, DOC, "README.md"), encoding="utf-8") as readme:
        links = re.findall(r"\]\(([^)#:]+)\)", readme.read())
    absent = [link for link in links if not os.path.exists(os.path.join(root, DOC, link))]
    check(links != [] and absent == [], f"the README links only to files it has ({absent})")

    with gzip.open(os.path.join(root, DOC, "changelog.Debian.gz"), "rt") as changelog:
        first = changelog.readline()
    check(first.startswith(f"kestavon ({version}) "),
          f"the changelog's last entry is {version}: {first.strip()}")


def main():
    build, version = sys.argv[1], sys.argv[2]
    tools = ("cpack", "dpkg-deb", "dpkg-shlibdeps", "lintian", "hardening-check", "man")
    if any(shutil.which(tool) is None for tool in tools):
        print(f"SKIPPED: one of {', '.join(tools)} missing (Debian: cmake, dpkg-dev, lintian, "
              "devscripts, man-db)")
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
        lintian = subprocess.run(["lintian", "-I", "--pedantic", package], capture_output=True,
                                 text=True, timeout=300)
        check(lintian.returncode == 0 and lintian.stdout == "",
              f"lintian -I --pedantic: nothing ({lintian.stdout.strip()})")
        depends = output("dpkg-deb", "-f", package, "Depends")
        check(all(name in depends for name in NEEDED), f"dependencies {depends.strip()}")
        root = os.path.join(folder, "root")
        output("dpkg-deb", "-x", package, root)
        missing = [name for name in FILES if not os.path.isfile(os.path.join(root, name))]
        check(missing == [], f"every file unpacked (missing: {missing})")
        # Control-flow protection cannot be had: Debian 12's C start files are built without it.
        report = subprocess.run(["hardening-check", "--nocfprotection",
                                 os.path.join(root, "usr/bin/kestavon")],
                                capture_output=True, text=True, timeout=120).stdout
        unhardened = [name for name in HARDENED if not re.search(rf"^ {name}: yes", report, re.M)]
        check(unhardened == [], f"hardening-check: yes for all of {HARDENED} (not {unhardened})")
        documents(root, version, check)

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
