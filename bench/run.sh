#!/bin/bash
# bench/run.sh [--runs N] [--quick] [--micro]
#
# Builds Zentrox in Release (build-release/ beside the sources, or
# $ZENTROX_BENCH_BUILD), generates packages of each variant with
# zentrox-genpkg and measures zentrox-check on each, end to end (unpacking
# with our archiver included), several runs each: the median wall time, the
# median CPU time (user + system, the archiver included) and the median peak
# resident memory, next to the time `cat` needs to read the same unpacked
# files. Prints one table.
#
#   --runs N   runs per package (default 5)
#   --quick    only the 10,000 and 100,000 quarterly packages
#   --micro    also run the Google Benchmark microbenchmarks afterwards
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZENTROX_BENCH_BUILD:-$root/build-release}
runs=5
quick=0
micro=0
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --quick) quick=1; shift ;;
    --micro) micro=1; shift ;;
    *) echo "usage: $0 [--runs N] [--quick] [--micro]" >&2; exit 2 ;;
  esac
done

if [ ! -x /usr/bin/time ]; then
  echo "bench/run.sh: /usr/bin/time is missing (Debian package 'time')" >&2
  exit 2
fi

echo "Building in $build (Release) ..." >&2
# The "release" preset, without the desktop program, in $build.
cmake -S "$root" --preset release -B "$build" -DZENTROX_GUI=OFF > /dev/null
cmake --build "$build" -j2 --target zentrox-check zentrox-genpkg Rar micro_loader micro_rules zentrox_dictionaries \
  > "$build/bench-build.log" 2>&1 || { tail -30 "$build/bench-build.log" >&2; exit 1; }
bin=$build/bin

data=$build/bench-data
mkdir -p "$data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$bin"/*.txt "$work/"

if [ $quick -eq 1 ]; then
  cases="quarterly:10000 quarterly:100000"
else
  cases="quarterly:10000 quarterly:100000 quarterly:300000 monthly:100000 monthly:300000
         annual:10000 annual:100000 annual-old:10000 annual-old:100000"
fi

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A seconds
rows_out=()
for c in $cases; do
  variant=${c%%:*}
  n=${c##*:}
  dir=$data/$variant-$n
  # A package is generated once and kept: the same options give the same files.
  if [ ! -f "$dir/info" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    "$bin/zentrox-genpkg" --variant "$variant" --declarations "$n" --series 1 --out "$dir" --keep-files "$dir/files" \
      > "$dir/info"
  fi
  info=$(cat "$dir/info")
  archive=${info%% *}
  rows=$(sed -E 's/.* rows=([0-9]+).*/\1/' <<< "$info")
  bytes=$(sed -E 's/.* bytes=([0-9]+).*/\1/' <<< "$info")
  : > "$dir/wall"; : > "$dir/cpu"; : > "$dir/rss"; : > "$dir/cat"
  for ((i = 0; i < runs; i++)); do
    set +e
    /usr/bin/time -o "$dir/t" -f "%e %U %S %M" "$bin/zentrox-check" --variant "$variant" --workdir "$work" \
      --today 08.12.2026 "$archive" > "$dir/protocol" 2> /dev/null
    status=$?
    set -e
    if [ $status -ne 0 ]; then
      echo "bench/run.sh: $variant $n: zentrox-check exited with $status" >&2
      tail -5 "$dir/protocol" >&2
      exit 1
    fi
    read -r wall user sys rss < "$dir/t"
    echo "$wall" >> "$dir/wall"
    awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >> "$dir/cpu"
    echo "$rss" >> "$dir/rss"
    # /usr/bin/time counts in hundredths: too coarse for reading cached files.
    start=$EPOCHREALTIME
    cat "$dir"/files/* > /dev/null
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f\n", b - a }' >> "$dir/cat"
  done
  wall=$(median < "$dir/wall")
  seconds[$c]=$wall
  rows_out+=("$variant $n $rows $bytes $wall $(median < "$dir/cpu") $(median < "$dir/rss") $(median < "$dir/cat")")
  echo "  $variant $n: $wall s" >&2
done

printf '\n%-11s %8s %9s %9s %9s %8s %8s %9s %8s %8s %9s\n' variant N rows "input MB" "median s" "CPU s" "MB/s" \
  "peak MB" "RSS/in" "cat s" "300k/100k"
for line in "${rows_out[@]}"; do
  read -r variant n rows bytes wall cpu rss cat <<< "$line"
  ratio="-"
  if [ "$n" = 300000 ] && [ -n "${seconds[$variant:100000]:-}" ]; then
    ratio=$(awk -v a="$wall" -v b="${seconds[$variant:100000]}" 'BEGIN { printf "%.2f", a / b }')
  fi
  awk -v v="$variant" -v n="$n" -v rows="$rows" -v bytes="$bytes" -v wall="$wall" -v cpu="$cpu" -v rss="$rss" \
      -v cat="$cat" -v ratio="$ratio" 'BEGIN {
    mb = bytes / 1e6; peak = rss * 1024 / 1e6
    printf "%-11s %8d %9d %9.1f %9.2f %8.2f %8.1f %9.1f %8.2f %8.3f %9s\n", v, n, rows, mb, wall, cpu, mb / wall, peak, peak / mb, cat, ratio
  }'
done
echo
echo "runs per package: $runs; machine: $(nproc) CPUs, $(lscpu | sed -n 's/^Model name: *//p' | head -1), load average $(cut -d' ' -f1-3 /proc/loadavg)"

if [ $micro -eq 1 ]; then
  "$bin/micro_loader"
  "$bin/micro_rules"
fi
