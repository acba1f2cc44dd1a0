#!/bin/sh
# Installs everything the build needs (Debian 12, as root), builds the plug-in,
# the tools and the tests, and renders the built-in demo through the compressor.
set -eu
cd "$(dirname "$0")/.."

PACKAGES="cmake ninja-build ccache g++ pkg-config git
  juce-modules-source fst-dev
  libfreetype-dev libfontconfig1-dev libasound2-dev libx11-dev libxrandr-dev
  libxinerama-dev libxcursor-dev libxext-dev libgl-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth imagemagick lv2-dev lilv-utils ardour python3 dpkg-dev locales
  liblilv-dev x42-plugins swh-lv2 calf-plugins lsp-plugins-lv2 zam-plugins"

if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $PACKAGES >/dev/null
    # A locale with a decimal comma, for the test that state chunks ignore the host's locale.
    if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
        sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
        locale-gen >/dev/null
    fi
elif ! dpkg -s $PACKAGES >/dev/null 2>&1; then
    echo "setup: run as root to install: $PACKAGES" >&2
    exit 1
fi

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
(cd build && cpack >/dev/null) # vantoril_1.4.0_amd64.deb

# The concurrency test once more, built with ThreadSanitizer in its own tree.
cmake -S . -B build-tsan -G Ninja -DVANTORIL_SANITIZE_THREAD=ON
cmake --build build-tsan --target concurrency_tests

# The Windows library, cross-compiled (set VANTORIL_SKIP_WINDOWS=1 to leave it out).
if [ -z "${VANTORIL_SKIP_WINDOWS:-}" ]; then
    ./scripts/build-windows.sh
fi

# The main job: the built-in demo rendered through the compressor.
./build/vantoril-render --demo out/demo
