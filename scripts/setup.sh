#!/bin/sh
# The first set-up command: installs what the build needs (Debian 12; with
# sudo when not root), builds the plug-in in all Linux formats and the
# renderer, and renders the built-in demo through the compressor.
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh

install_packages cmake ninja-build ccache g++ pkg-config git \
    juce-modules-source fst-dev \
    libfreetype-dev libfontconfig1-dev libasound2-dev libjack-jackd2-dev libx11-dev libxrandr-dev \
    libxinerama-dev libxcursor-dev libxext-dev libgl-dev

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIL_BUILD_TESTS=OFF
cmake --build build --target Vantoril_VST Vantoril_VST3 Vantoril_LV2 Vantoril_Standalone vantoril-render

# The main job: the built-in demo rendered through the compressor.
./build/vantoril-render --demo out/demo
