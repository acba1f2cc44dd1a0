#!/bin/sh
# The second set-up command: installs and builds everything only the tests
# need, then runs every test. Run after scripts/setup.sh.
#   build/       the release build: all tests, the benchmark, the peer table, the .deb
#   build-tsan/  the concurrency tests with ThreadSanitizer
#   build-asan/  the whole suite with clang, AddressSanitizer and
#                UndefinedBehaviorSanitizer, and the two fuzzers (a minute each)
#   build-win/   the Windows library, checked under Wine
#   build-arm64/ the DSP core and its tests cross-built for 64-bit ARM, run under qemu
# VANTORIL_SKIP_WINDOWS=1 leaves the Windows build out, VANTORIL_SKIP_ARM64=1
# the ARM build; VANTORIL_FUZZ_SECONDS sets how long each fuzzer runs (default 60).
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh

install_packages clang lld libclang-rt-14-dev clang-format libgtest-dev libbenchmark-dev \
    xvfb xauth imagemagick lv2-dev lilv-utils liblilv-dev ardour python3 dpkg-dev lintian desktop-file-utils locales \
    x42-plugins swh-lv2 calf-plugins lsp-plugins-lv2 zam-plugins

# A locale with a decimal comma, for the test that state chunks ignore the host's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
    as_root sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    as_root locale-gen >/dev/null
fi

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"

windows_build=""
if [ -z "${VANTORIL_SKIP_WINDOWS:-}" ]; then
    ./scripts/build-windows.sh
    windows_build="$PWD/build-win"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIL_BUILD_TESTS=ON \
    -DVANTORIL_WINDOWS_BUILD="$windows_build"
cmake --build build
(cd build && cpack >/dev/null) # build/vantoril_<version>_amd64.deb

cmake -S . -B build-tsan -G Ninja -DVANTORIL_SANITIZE_THREAD=ON
cmake --build build-tsan --target concurrency_tests

CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIL_SANITIZE=ON \
    -DVANTORIL_FUZZ_SECONDS="${VANTORIL_FUZZ_SECONDS:-60}"
cmake --build build-asan

status=0
ctest --test-dir build --output-on-failure || status=1
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -R '^Concurrency\.' || status=1
UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j2 || status=1
if [ -z "${VANTORIL_SKIP_ARM64:-}" ]; then
    ./scripts/build-aarch64.sh || status=1
fi
exit $status
