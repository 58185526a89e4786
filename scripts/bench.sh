#!/usr/bin/env bash
# Times tallix-report against reading the file (cat) and against ripgrep, grep
# and awk doing the same filtering, on generated router logs of 100 MB and
# 1 GB in a temporary folder (removed at the end). The floor beside them is
# tallix-readfloor: two threads of pread into 256 KiB blocks and a line feed
# count, the least work that reads the file as the loader does. Under each
# plain log's table, the search alone (tallix-scanbench: the line scanner over
# the log's blocks while they are in the cache) in ms per GB, beside the whole
# load's wall time per GB, so that the two cannot drift apart unseen.
#
#   scripts/bench.sh [--runs N] [--sizes "100M 1G"] [--gzip-sizes "100M"]
#                    [--hostile "gzip zstd"] [--also NAME=BINARY]...
#
# Every command runs N times (default 9), the commands taking turns so that a
# busy moment hits them all alike; the table shows medians of the wall time,
# the ratio of this program's median to each peer's, and the peak resident
# memory that /usr/bin/time -v reports. --also adds another tallix-report
# binary as a row, e.g. an older build to compare with. The logs of
# --gzip-sizes are also gzipped and timed against zcat.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=9
sizes="100M 1G"
gzip_sizes="100M"
hostile="gzip zstd"
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --sizes) sizes="$2"; shift 2 ;;
    --gzip-sizes) gzip_sizes="$2"; shift 2 ;;
    --hostile) hostile="$2"; shift 2 ;;
    --also) extra+=("$2"); shift 2 ;;
    *) echo "usage: $0 [--runs N] [--sizes \"100M 1G\"] [--gzip-sizes \"100M\"] [--hostile \"gzip zstd\"] [--also NAME=BINARY]..." >&2
       exit 2 ;;
  esac
done

need=()
command -v rg >/dev/null || need+=(ripgrep)
[[ " $hostile " == *" zstd "* ]] && ! command -v zstd >/dev/null && need+=(zstd)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${need[*]}"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

build=build/bench
cmake --preset bench >/dev/null
cmake --build "$build" -j2 --target tallix-report tallix-loggen tallix-scanbench tallix-readfloor \
  >/dev/null
report="$PWD/$build/tallix-report"

work=$(mktemp -d "${TMPDIR:-/tmp}/tallix-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Ten sites with the numbers the generator calls.
{
  echo '"Version",1,0,0'
  echo '"NoSites",10,0,0'
  echo '"ISDNIdentifier","isdnrouter",0,0'
  for s in 0 1 2 3 4 5 6 7 8 9; do echo "\"Site\",$s,\"Site $s\",\"0123412345$s\""; done
  echo '"END","END","END","END"'
} >"$work/bench.cfg"

# The whole tally in awk, for comparison: kept lines, number and duration.
cat >"$work/tally.awk" <<'EOF'
BEGIN { for (s = 0; s < 10; s++) site["0123412345" s] = 1 }
{ line = tolower($0) }
index(line, "disconnected") && index(line, "isdnrouter") {
  number = substr($0, index(line, "from") + 5, 11)
  if (number in site) { calls[number]++; seconds[number] += substr($0, index(line, "lasted") + 7, 10) + 0 }
}
END { for (n in calls) print n, calls[n], seconds[n] }
EOF

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Times the commands in cmds (named in names) RUNS times each, taking turns,
# and prints their table; column 3 divides the median of the command at index
# $2 by each one's. $1 is the table's heading. Leaves the medians in med and
# the peak RSS (KiB) in rss.
measure() {
  local heading="$1" ref="$2" i r start end
  # Once untimed, so that the file is in the page cache for everyone.
  for c in "${cmds[@]}"; do bash -c "$c" >/dev/null 2>&1 || true; done
  for ((i = 0; i < ${#cmds[@]}; i++)); do : >"$work/wall.$i"; : >"$work/rss.$i"; done
  for ((r = 0; r < runs; r++)); do
    for ((i = 0; i < ${#cmds[@]}; i++)); do
      start=$EPOCHREALTIME
      /usr/bin/time -v -o "$work/time.out" bash -c "exec ${cmds[$i]}" >/dev/null 2>&1 || true
      end=$EPOCHREALTIME
      echo "$start $end" | awk '{ printf "%.4f\n", $2 - $1 }' >>"$work/wall.$i"
      awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.out" >>"$work/rss.$i"
    done
  done
  med=() rss=()
  for ((i = 0; i < ${#cmds[@]}; i++)); do
    med[$i]=$(median <"$work/wall.$i")
    rss[$i]=$(sort -n "$work/rss.$i" | tail -1)
  done
  echo
  echo "$heading, $runs runs each, $(nproc) cores"
  echo
  echo "| command | median wall | tallix-report / this | peak RSS |"
  echo "|---|---|---|---|"
  for ((i = 0; i < ${#cmds[@]}; i++)); do
    awk -v n="${names[$i]}" -v m="${med[$i]}" -v t="${med[$ref]}" -v k="${rss[$i]}" \
      'BEGIN { gsub(/\|/, "\\|", n); printf "| `%s` | %.3f s | %.2f | %.1f MiB |\n", n, m, t / m, k / 1024 }'
  done
}

# Adds a row for each --also binary on file $1.
add_extra() {
  local e
  for e in "${extra[@]}"; do
    names+=("${e%%=*}")
    cmds+=("'${e#*=}' --config '$work/bench.cfg' '$1'")
  done
}

# Writes $2 copies of file $1 one after another into $3, doubling a block
# rather than appending one copy at a time.
repeat_file() {
  local n="$2" block="$work/repeat.block"
  : >"$3"
  cp "$1" "$block"
  while [ "$n" -gt 0 ]; do
    if ((n & 1)); then cat "$block" >>"$3"; fi
    n=$((n >> 1))
    if [ "$n" -gt 0 ]; then cat "$block" "$block" >"$block.2" && mv "$block.2" "$block"; fi
  done
  rm -f "$block"
}

for size in $sizes; do
  log="$work/router-$size.log"
  "$build/bench/tallix-loggen" --size "$size" --kept 40001 --seed 1 "$log"
  bytes=$(stat -c %s "$log")

  # The two rg -c rows tell whether mapping a file is dearer than reading it
  # on this machine: page faults cost more on some virtual machines.
  names=("cat FILE > /dev/null" "rg -i isdnrouter FILE | rg -ci disconnected"
         "grep -i isdnrouter FILE | grep -ci disconnected" "awk tally script"
         "rg --mmap -ci isdnrouter FILE" "rg --no-mmap -ci isdnrouter FILE"
         "floor: 2 threads of pread, AVX2 line feed count" "tallix-report")
  cmds=("cat '$log'"
        "rg -i isdnrouter '$log' | rg -ci disconnected"
        "grep -i isdnrouter '$log' | grep -ci disconnected"
        "awk -f '$work/tally.awk' '$log'"
        "rg --mmap -ci isdnrouter '$log'" "rg --no-mmap -ci isdnrouter '$log'"
        "'$build/bench/tallix-readfloor' '$log'"
        "'$report' --config '$work/bench.cfg' '$log'")
  add_extra "$log"

  measure "Log of $size ($bytes bytes)" 7
  awk -v t="${med[7]}" -v c="${med[0]}" -v f="${med[6]}" -v m="${med[4]}" -v n="${med[5]}" \
    -v k="${rss[7]}" -v b="$bytes" 'BEGIN {
      printf "\ntallix-report = %.2f x cat, the floor %.2f x cat; rg --mmap = %.2f x rg --no-mmap\n",
        t / c, f / c, m / n
      printf "tallix-report peak RSS = %.1f MiB, the file %.1f MiB\n", k / 1024, b / 1048576 }'
  # The search alone, over the same blocks in the cache, beside the whole load.
  echo "The search alone (tallix-scanbench), and the whole load:"
  "$build/bench/tallix-scanbench" --runs "$runs" "$log" | sed 's/^/  /'
  awk -v t="${med[7]}" -v b="$bytes" \
    'BEGIN { printf "  whole load: %.1f ms/GB of wall time (median)\n", t * 1e12 / b }'

  # The same log gzipped (gzip -6): tallix-report decompresses it itself.
  if [[ " $gzip_sizes " == *" $size "* ]]; then
    gzip -6 -c "$log" >"$log.gz"
    names=("zcat FILE.gz > /dev/null" "tallix-report FILE.gz")
    cmds=("zcat '$log.gz'" "'$report' --config '$work/bench.cfg' '$log.gz'")
    add_extra "$log.gz"
    measure "The log of $size gzipped ($(stat -c %s "$log.gz") bytes)" 1
    rm -f "$log.gz"
  fi
done

# Hostile files: a line of 1 GiB that must not be held, and members so small
# that each read of the decompressor gives one byte.
for format in $hostile; do
  case "$format" in
    gzip) compress=(gzip -1 -c) decompress="zcat" ext=gz ;;
    zstd) compress=(zstd -1 -q -c) decompress="zstd -dc" ext=zst ;;
    *) echo "unknown --hostile format: $format" >&2; exit 2 ;;
  esac
  zeros="$work/zeros.$ext"
  head -c 1G /dev/zero | "${compress[@]}" >"$zeros"
  names=("$decompress FILE > /dev/null" "tallix-report FILE")
  cmds=("$decompress '$zeros'" "'$report' --config '$work/bench.cfg' '$zeros'")
  add_extra "$zeros"
  measure "1 GiB of zero bytes, $format -1 ($(stat -c %s "$zeros") bytes)" 1
  rm -f "$zeros"

  members="$work/members.$ext"
  printf x | "${compress[@]}" >"$work/one.$ext"
  repeat_file "$work/one.$ext" 200000 "$members"
  names=("$decompress FILE > /dev/null" "tallix-report FILE")
  cmds=("$decompress '$members'" "'$report' --config '$work/bench.cfg' '$members'")
  add_extra "$members"
  measure "200,000 one-byte $format members ($(stat -c %s "$members") bytes)" 1
  rm -f "$members" "$work/one.$ext"
done
