#!/bin/sh
# Performance: the processBlock benchmark, then the table of LV2 compressors
# side by side at 512- and 64-frame blocks with each of our signal paths this
# processor runs, each from a measurement build of the LV2 that runs only that
# path (build-measure/<path>). Run after scripts/test.sh (which installs the
# peers and builds both programs). Speed is read from the output; nothing here
# passes or fails on it.
set -eu
cd "$(dirname "$0")/.."
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="$PWD"
cmake --build build --target vantoril-bench vantoril-peers Vantoril_LV2 >/dev/null

flags=$(grep -m1 '^flags' /proc/cpuinfo || true)
has() { case " $flags " in *" $1 "*) return 0 ;; esac; return 1; }
paths="per-sample"
if [ "$(uname -m)" = x86_64 ]; then paths="sse2 $paths"; fi
if has avx2 && has fma; then paths="avx2 $paths"; fi
if has avx512f && has avx512dq && has avx2 && has fma; then paths="avx512 $paths"; fi
if [ "$(uname -m)" = aarch64 ]; then paths="neon $paths"; fi

label() {
    case "$1" in
    avx512) echo "Vantoril, AVX-512 kernel" ;;
    avx2) echo "Vantoril, AVX2 kernel" ;;
    sse2) echo "Vantoril, SSE2 kernel" ;;
    neon) echo "Vantoril, Advanced SIMD kernel" ;;
    per-sample) echo "Vantoril, per-sample path" ;;
    esac
}

lv2_path=""
set --
for p in $paths; do
    tree="build-measure/$p"
    echo "== measurement build: $p ($tree)"
    cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIL_BUILD_TESTS=OFF \
        -DVANTORIL_SIGNAL_PATH="$p" >/dev/null
    cmake --build "$tree" --target Vantoril_LV2 >/dev/null
    lv2_path="$lv2_path$PWD/$tree/Vantoril_artefacts/Release/LV2:"
    set -- "$@" --ours "$(label "$p")" "https://vantoril.zazuziza.example/plugins/vantoril-$p"
done
export LV2_PATH="${lv2_path}/usr/lib/lv2:/usr/local/lib/lv2:/usr/lib/$(gcc -dumpmachine)/lv2"

echo
echo "== processBlock, ns per frame (median of 5)"
./build/vantoril-bench --benchmark_filter=signalPath --benchmark_min_time=0.2 --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true 2>/dev/null | grep -E "^Benchmark|_median"

for block in 512 64; do
    echo
    echo "== LV2 compressors in one block host (48 kHz, $block frames)"
    ./build/vantoril-peers --rounds 21 --seconds 1.5 --block "$block" --markdown "$@"
done
