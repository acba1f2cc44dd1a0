#!/bin/sh
# The second set-up command: builds everything only the tests need and runs
# every test. Run after scripts/setup.sh.
#   build/       the release build: all tests, the benchmark, the peer table, the .deb
#   build-tsan/  the concurrency tests with ThreadSanitizer
#   build-asan/  the whole suite with clang, AddressSanitizer and
#                UndefinedBehaviorSanitizer, and the two fuzzers (a minute each)
#   build-win/   the Windows library, checked under Wine
# VANTORIL_SKIP_WINDOWS=1 leaves the Windows build out; VANTORIL_FUZZ_SECONDS
# sets how long each fuzzer runs (default 60).
set -eu
cd "$(dirname "$0")/.."
. scripts/packages.sh

install_packages clang lld libclang-rt-14-dev libgtest-dev libbenchmark-dev \
    xvfb xauth imagemagick lv2-dev lilv-utils liblilv-dev ardour python3 dpkg-dev locales \
    x42-plugins swh-lv2 calf-plugins lsp-plugins-lv2 zam-plugins

# A locale with a decimal comma, for the test that state chunks ignore the host's locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$' && [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    locale-gen >/dev/null
fi

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
(cd build && cpack >/dev/null) # build/vantoril_<version>_amd64.deb

cmake -S . -B build-tsan -G Ninja -DVANTORIL_SANITIZE_THREAD=ON
cmake --build build-tsan --target concurrency_tests

CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIL_SANITIZE=ON \
    -DVANTORIL_FUZZ_SECONDS="${VANTORIL_FUZZ_SECONDS:-60}"
cmake --build build-asan

if [ -z "${VANTORIL_SKIP_WINDOWS:-}" ]; then
    ./scripts/build-windows.sh
fi

status=0
ctest --test-dir build --output-on-failure || status=1
UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j2 || status=1
exit $status
