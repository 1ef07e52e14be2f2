# Shared by scripts/run and scripts/test: the Debian packages each needs, installed only when
# missing, and the project's root folder.

KESTAVON_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# What scripts/run needs to build and start the program: compiler, build tools, libpng to encode
# its pictures, libacl and libattr to keep a replaced file's access control list and extended
# attributes, Qt 6 with its platform plugins, and libxcb to ask the X server whether it answers.
KESTAVON_RUN_PACKAGES=(
  g++ cmake ninja-build libpng-dev libacl1-dev libattr1-dev
  qt6-base-dev qt6-qpa-plugins libxcb1-dev
)

# Everything needed to build and test as well: the test and benchmark libraries, Python for the
# reference computations and the program's tests from outside, for the real-window test an X
# server, xdotool and ImageMagick, the desktop entry's validator, dpkg-dev for the package's
# dependencies, lintian, devscripts (hardening-check) and man-db to check the package and its
# manual page, and the locale sources for the tests under a German locale.
KESTAVON_PACKAGES=(
  "${KESTAVON_RUN_PACKAGES[@]}"
  git python3
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils
  desktop-file-utils dpkg-dev lintian devscripts man-db locales
)

# For scripts/test's static checks and fuzzing: clang-tidy and clang-format, clang with its
# sanitizer and libFuzzer run-time.
KESTAVON_CHECK_PACKAGES=(
  clang clang-tidy clang-format libclang-rt-14-dev
)

# For the Windows program (scripts/windows): MinGW-w64 with posix threads, zlib for it, and
# dpkg-dev to fetch and unpack Debian's sources of libpng, which is built with it.
KESTAVON_WINDOWS_PACKAGES=(
  cmake ninja-build g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev
)

# For the page (scripts/web): Debian's emscripten (with node-acorn, which its optimiser needs),
# dpkg-dev to fetch and unpack Debian's sources of libpng and zlib, which are built with it, and
# GoogleTest's sources, which its build folder configures for the tests too.
KESTAVON_WEB_PACKAGES=(
  cmake ninja-build emscripten node-acorn binaryen dpkg-dev googletest
)

# For scripts/test's cross stages (run in CI, or with KESTAVON_CROSS=1): the aarch64 cross
# compiler and qemu-user to run its programs, the Windows build's and wine to run its programs,
# GoogleTest's sources to build for each, and the page's build with the browsers that test it
# (its tests' npm packages come from tests/web/package-lock.json).
KESTAVON_CROSS_PACKAGES=(
  g++-aarch64-linux-gnu qemu-user
  "${KESTAVON_WINDOWS_PACKAGES[@]}" wine64
  googletest
  "${KESTAVON_WEB_PACKAGES[@]}" chromium firefox-esr
)

# ensure_packages NAME...: installs the named Debian packages that are not installed yet.
ensure_packages() {
  local missing=()
  local name
  for name in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$name")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if ((EUID != 0)); then
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}
