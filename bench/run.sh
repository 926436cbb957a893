#!/usr/bin/env bash
# Runs every benchmark of a build folder and prints the figures with their
# ratios: the codec against OpenSSL, ConvertLink against its target, and
# linkconv against GNU base64 on 100 MB files.
#   bash bench/run.sh BUILD_DIR      (default build/bench)
set -euo pipefail
build=${1:-build/bench}
here=$(dirname "$0")
bench="$build/bin/conversion_bench"
results="$build/bench-results"
mkdir -p "$results"

"$bench" --benchmark_format=json --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  >"$results/warm-heap.json"
python3 "$here/report.py" "$results/warm-heap.json" "codec and ConvertLink, large blocks kept in the heap"

# The 100 MB rows again, each result on pages the kernel maps afresh.
LINKCONV_BENCH_FRESH_PAGES=1 "$bench" --benchmark_filter='/104857600$' --benchmark_format=json \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true >"$results/fresh-pages.json"
python3 "$here/report.py" "$results/fresh-pages.json" "100 MB, every result on freshly mapped pages"

python3 "$here/end_to_end.py" "$build"
