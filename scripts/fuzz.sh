#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each for
# SECONDS (default 60): the configuration reader, the loader with the tally and
# the reports (from files, and in memory for many more inputs), the log text
# reader on compressed logs, and the lenient number reader. New inputs go to a temporary
# directory; the seeds in fuzz/corpus are only read. A crashing input is kept
# in build/fuzz/artifacts and the script exits non-zero.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build=build/fuzz
cmake --preset fuzz >/dev/null
targets=(config log log_memory log_text number)
cmake --build "$build" -j2 --target "${targets[@]/#/fuzz_}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"
status=0
printf '%-11s %12s %10s  %s\n' target executions exec/s result
for target in "${targets[@]}"; do
  mkdir -p "$work/$target"
  options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=30 -rss_limit_mb=4096
           -artifact_prefix="$build/artifacts/$target-")
  # The in-memory log target shares the log target's seeds and dictionary,
  # and keeps to small inputs, which is what makes it fast.
  seeds="$target"
  [ "$target" = log_memory ] && seeds=log && options+=(-max_len=1024)
  [ -f "fuzz/$seeds.dict" ] && options+=(-dict="fuzz/$seeds.dict")
  result=ok
  if ! "$build/fuzz/fuzz_$target" "${options[@]}" "$work/$target" "fuzz/corpus/$seeds" \
      >"$work/$target.out" 2>&1; then
    result="FAILED (input kept in $build/artifacts)"
    status=1
    grep -E "fuzz check failed|ERROR|runtime error|SUMMARY|Test unit written" "$work/$target.out" >&2 || true
  fi
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.out" | tail -1)"
  speed="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$target.out" | tail -1)"
  printf '%-11s %12s %10s  %s\n' "$target" "${runs:-?}" "${speed:-?}" "$result"
done
exit "$status"
