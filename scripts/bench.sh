#!/bin/sh
# Performance: the processBlock benchmark and the table of LV2 compressors side
# by side. Run after scripts/test.sh (which installs the peers and builds both
# programs). Speed is read from the output; nothing here passes or fails on it.
set -eu
cd "$(dirname "$0")/.."
cmake --build build --target vantoril-bench vantoril-peers Vantoril_LV2 >/dev/null

echo "== processBlock, ns per stereo frame (median of 5)"
./build/vantoril-bench --benchmark_min_time=0.2 --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true "$@" 2>/dev/null | grep -E "^Benchmark|_median"

echo
echo "== LV2 compressors in one block host (48 kHz, 512 frames)"
./build/vantoril-peers --rounds 41 --seconds 1.5 --markdown
