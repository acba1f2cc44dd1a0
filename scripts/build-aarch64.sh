#!/bin/sh
# Cross-builds the DSP core and its tests for 64-bit ARM Linux (build-arm64/)
# with Debian's cross compiler and runs the tests under qemu-user. Installs
# what it needs first (with sudo when not root), including arm64 GoogleTest.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    as_root dpkg --add-architecture arm64
    as_root apt-get update -qq
fi
install_packages g++-aarch64-linux-gnu qemu-user-static cmake ninja-build ccache libgtest-dev:arm64

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build-arm64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIL_DSP_ONLY=ON \
    -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
cmake --build build-arm64
ctest --test-dir build-arm64 --output-on-failure
