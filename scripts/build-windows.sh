#!/bin/sh
# Cross-compiles the 64-bit Windows VST 2.4 library build-win/.../Vantoril.dll
# with Debian's mingw-w64 from the same sources, plus the Wine test host.
# Installs what it needs first (with sudo when not root), including a deb-src
# line for the libpng and libjpeg-turbo sources.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
if ! grep -rqs "^Types: deb-src\|^deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    as_root sh -c 'cat >/etc/apt/sources.list.d/vantoril-src.sources' <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    as_root apt-get update -qq
fi
install_packages mingw-w64 wine64 wine libz-mingw-w64-dev icoutils dpkg-dev xvfb xauth python3 \
    cmake ninja-build ccache juce-modules-source fst-dev

export CCACHE_BASEDIR="$PWD"
./scripts/build-windows-deps.sh build-win-deps
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/windows/mingw-w64-x86_64.cmake \
    -DJUCE_DIR=/usr/lib/x86_64-linux-gnu/cmake/JUCE-7.0.5 \
    -DVANTORIL_WINDOWS_DEPS="$PWD/build-win-deps" -DVANTORIL_BUILD_TESTS=OFF
cmake --build build-win --target Vantoril_VST vantoril-wine-host
echo "built $PWD/build-win/Vantoril_artefacts/Release/VST/Vantoril.dll"
