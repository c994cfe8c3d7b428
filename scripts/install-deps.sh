#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Quorvane need.
# Idempotent: packages already present are not touched; "apt-get update" runs once, and only
# when something is missing. Uses sudo only when not running as root.
set -euo pipefail

PACKAGES=(
    # build
    cmake ninja-build g++ make ccache pkg-config clang-format
    # Qt 6 and what its CMake packages expect
    qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libgl-dev
    # pictures are drawn from SVG sources at build time; the sounds play through Qt Multimedia
    qt6-svg-dev qt6-multimedia-dev
    zlib1g-dev
    # the GIF encoder of data elements
    libgif-dev
    # tests and benchmarks
    libgtest-dev libgmock-dev googletest libbenchmark-dev libpugixml-dev
    # fonts the layout tests and the default theme rely on
    fonts-dejavu-core
    # real tools that check generated output
    libxml2-utils fp-compiler binutils-mingw-w64-x86-64 cpp
    # generated batch files run in the command interpreter of the Windows compatibility layer
    wine wine64
    # Python's configparser reads generated INI files back
    python3
    # the desktop files and the manual page (the install test checks them with these); the offline
    # manual renders the manual page with mandoc
    desktop-file-utils shared-mime-info groff-base mandoc
    # the fuzz targets (make fuzz): clang with libFuzzer and the sanitizer runtimes
    clang-14 libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
