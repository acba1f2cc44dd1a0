#!/bin/sh
# Cross-builds for 64-bit ARM Linux with Debian's cross compiler and runs the
# tests under qemu-user:
#   build-arm64/            the DSP core without the framework, and its tests
#   build-arm64-processor/  the processor with the framework (the VST 2.4
#                           library, the processor tests and the Advanced SIMD
#                           kernel's tests), against Debian's arm64 libraries
# Installs what it needs first (with sudo when not root): the arm64
# architecture, its GoogleTest and the framework's libraries.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    as_root dpkg --add-architecture arm64
    as_root apt-get update -qq
fi
install_packages g++-aarch64-linux-gnu qemu-user-static cmake ninja-build ccache juce-modules-source fst-dev \
    libgtest-dev:arm64 libfreetype-dev:arm64 libfontconfig1-dev:arm64 libasound2-dev:arm64 libx11-dev:arm64 \
    libxrandr-dev:arm64 libxinerama-dev:arm64 libxcursor-dev:arm64 libxext-dev:arm64 libgl-dev:arm64 \
    libpng-dev:arm64 libjpeg62-turbo-dev:arm64 zlib1g-dev:arm64

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build-arm64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIL_DSP_ONLY=ON \
    -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
cmake --build build-arm64
ctest --test-dir build-arm64 --output-on-failure

# The framework's build scripts and helper come from the build machine's
# package; pkg-config reads the arm64 libraries' files.
PKG_CONFIG_LIBDIR=/usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig \
    cmake -S . -B build-arm64-processor -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
    -DJUCE_DIR=/usr/lib/x86_64-linux-gnu/cmake/JUCE-7.0.5 -DVANTORIL_BUILD_TESTS=ON
cmake --build build-arm64-processor --target Vantoril_VST processor_tests kernel_tests
# The processor and kernel tests only: the others start programs of the tree
# (which the build machine cannot run without binfmt support) or time threads
# and windows.
qemu-aarch64-static -L /usr/aarch64-linux-gnu build-arm64-processor/tests/processor_tests
qemu-aarch64-static -L /usr/aarch64-linux-gnu build-arm64-processor/tests/kernel_tests
