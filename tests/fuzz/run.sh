#!/usr/bin/env bash
# Builds the fuzz targets with clang if needed and runs them.
#   run.sh BUILD_DIR regress        each target over its seed corpus, then a short
#                                   fixed-seed run; exits non-zero on any finding
#   run.sh BUILD_DIR long [SECONDS] each target for SECONDS (default 600), growing
#                                   a work corpus in BUILD_DIR/fuzz-corpus
# Crash inputs go to BUILD_DIR/fuzz-artifacts, logs to BUILD_DIR/fuzz-logs;
# nothing is written to the tree.
set -u -o pipefail

usage() { echo "usage: $0 BUILD_DIR regress|long [SECONDS]" >&2; exit 2; }
[ $# -ge 2 ] || usage
build_dir=$(realpath -m "$1")
mode=$2
seconds=${3:-600}
fuzz_dir=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$fuzz_dir/../.." && pwd)
targets=(fuzz_base64_decode fuzz_base64_encode fuzz_convert_link fuzz_linkconv)
common=(-max_len=1024 -artifact_prefix="$build_dir/fuzz-artifacts/")

configure_and_build() {
  if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -DLINKCONV_FUZZ=ON -DLINKCONV_TESTS=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || return 1
  elif ! grep -q '^LINKCONV_FUZZ:BOOL=ON' "$build_dir/CMakeCache.txt"; then
    echo "$build_dir is not a fuzz build (LINKCONV_FUZZ is not ON); pick another folder" >&2
    return 1
  fi
  cmake --build "$build_dir" -j2 --target "${targets[@]}" >/dev/null || return 1
  mkdir -p "$build_dir/fuzz-artifacts" "$build_dir/fuzz-logs"
}

# The option naming a target's dictionary of tokens, where it has one.
dictionary_option() { [ -f "$fuzz_dir/$1.dict" ] && echo "-dict=$fuzz_dir/$1.dict"; }

# Shows the end of a failed run's log, where the finding is reported.
show_failure() { tail -n 40 "$1" >&2; }

# Runs every seed file once, then fuzzes from the seeds for a fixed number of
# runs into a throw-away corpus folder.
regress() {
  local target=$1 binary=$build_dir/bin/$1 seeds=$fuzz_dir/corpus/$1 logs=$build_dir/fuzz-logs/$1 work
  "$binary" "${common[@]}" "$seeds"/* 2>"$logs-seeds.log" || { show_failure "$logs-seeds.log"; return 1; }
  work=$(mktemp -d "$build_dir/fuzz-regress.XXXXXX")
  local dict
  mapfile -t dict < <(dictionary_option "$target")
  "$binary" "${common[@]}" "${dict[@]}" -seed=1 -runs=20000 "$work" "$seeds" 2>"$logs-regress.log"
  local status=$?
  rm -rf "$work"
  [ $status -eq 0 ] || show_failure "$logs-regress.log"
  return $status
}

long_run() {
  local target=$1 work=$build_dir/fuzz-corpus/$1 log=$build_dir/fuzz-logs/$1-long.log
  mkdir -p "$work"
  local dict
  mapfile -t dict < <(dictionary_option "$target")
  "$build_dir/bin/$target" "${common[@]}" "${dict[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    "$work" "$fuzz_dir/corpus/$target" 2>"$log"
  local status=$?
  [ $status -eq 0 ] || show_failure "$log"
  echo "$target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions" \
    "in ${seconds}s, corpus $(ls "$work" | wc -l) files, log $log"
  return $status
}

case $mode in
  regress) run=regress ;;
  long) run=long_run ;;
  *) usage ;;
esac
configure_and_build || { echo "fuzz build failed" >&2; exit 1; }
failed=()
for target in "${targets[@]}"; do
  if "$run" "$target"; then echo "$target: ok"; else failed+=("$target"); fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi
