#!/bin/bash
# bench/run.sh [--runs N] [--quick] [--micro] [--bin DIR]...
#
# Builds Zentrox in Release (build-release/ beside the sources, or
# $ZENTROX_BENCH_BUILD), generates packages of each variant with
# zentrox-genpkg and measures zentrox-check on each, end to end (unpacking
# with our archiver included), several runs each: the median wall time, the
# median CPU time (user + system, the archiver included) and the median peak
# resident memory. Beside it, in the same runs and interleaved with them, the
# floor: unpacking the same archive with bsdtar into an empty folder and
# reading the unpacked files with cat. Every time is also given as a ratio
# to the floor, since absolute times on a shared machine move by a factor of
# two. A faulty quarterly package of 300,000 declarations (a fault on a fifth
# of the rows, so the fault-line limit is reached) is measured beside the
# clean one. Prints one table.
#
#   --runs N   runs per package (default 5)
#   --quick    only the 10,000 and 100,000 quarterly packages
#   --micro    also run the Google Benchmark microbenchmarks afterwards
#   --bin DIR  also measure the zentrox-check in DIR (another build, with its
#              Rar and dictionaries beside it), run after run with this one
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZENTROX_BENCH_BUILD:-$root/build-release}
runs=5
quick=0
micro=0
others=()
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --quick) quick=1; shift ;;
    --micro) micro=1; shift ;;
    --bin) others+=("$(cd "$2" && pwd)"); shift 2 ;;
    *) echo "usage: $0 [--runs N] [--quick] [--micro] [--bin DIR]..." >&2; exit 2 ;;
  esac
done

if [ ! -x /usr/bin/time ]; then
  echo "bench/run.sh: /usr/bin/time is missing (Debian package 'time')" >&2
  exit 2
fi
if ! command -v bsdtar > /dev/null; then
  echo "bench/run.sh: bsdtar is missing (Debian package 'libarchive-tools')" >&2
  exit 2
fi

echo "Building in $build (Release) ..." >&2
# The "release" preset, without the desktop program, in $build.
cmake -S "$root" --preset release -B "$build" -DZENTROX_GUI=OFF > /dev/null
cmake --build "$build" -j2 --target zentrox-check zentrox-genpkg Rar micro_loader micro_rules zentrox_dictionaries \
  > "$build/bench-build.log" 2>&1 || { tail -30 "$build/bench-build.log" >&2; exit 1; }
bin=$build/bin
bins=("$bin" "${others[@]}")

data=$build/bench-data
mkdir -p "$data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ $quick -eq 1 ]; then
  cases="quarterly:10000 quarterly:100000"
else
  cases="quarterly:10000 quarterly:100000 quarterly:300000 quarterly-faulty:300000 monthly:100000 monthly:300000
         annual:10000 annual:100000 annual-old:10000 annual-old:100000"
fi

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

declare -A seconds
rows_out=()
for c in $cases; do
  variant=${c%%:*}
  n=${c##*:}
  dir=$data/$variant-$n
  gen_args=(--variant "$variant")
  allowed=0  # the exit status a run must end with
  if [ "$variant" = quarterly-faulty ]; then
    # A fault on a fifth of the rows: past the 100,000 fault lines.
    gen_args=(--variant quarterly --fault-rate 0.2)
    allowed=1
  fi
  # A package is generated once and kept: the same options give the same files.
  if [ ! -f "$dir/info" ]; then
    rm -rf "$dir"
    mkdir -p "$dir"
    "$bin/zentrox-genpkg" "${gen_args[@]}" --declarations "$n" --series 1 --out "$dir" > "$dir/info"
  fi
  info=$(cat "$dir/info")
  archive=${info%% *}
  rows=$(sed -E 's/.* rows=([0-9]+).*/\1/' <<< "$info")
  bytes=$(sed -E 's/.* bytes=([0-9]+).*/\1/' <<< "$info")
  : > "$dir/floor"
  for b in "${!bins[@]}"; do : > "$dir/wall-$b"; : > "$dir/cpu-$b"; : > "$dir/rss-$b"; done
  for ((i = 0; i < runs; i++)); do
    # The floor: bsdtar unpacks the archive into an empty folder, cat reads
    # the files it wrote. /usr/bin/time counts in hundredths: too coarse.
    floor_dir=$(mktemp -d)
    start=$EPOCHREALTIME
    bsdtar -xf "$archive" -C "$floor_dir"
    cat "$floor_dir"/* > /dev/null
    awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.4f\n", b - a }' >> "$dir/floor"
    rm -rf "$floor_dir"
    for b in "${!bins[@]}"; do
      cp "${bins[$b]}"/*.txt "$work/"
      set +e
      /usr/bin/time -o "$dir/t" -f "%e %U %S %M" "${bins[$b]}/zentrox-check" --variant "${variant%-faulty}" \
        --workdir "$work" --today 08.12.2026 "$archive" > "$dir/protocol-$b" 2> /dev/null
      status=$?
      set -e
      if [ $status -ne $allowed ]; then
        echo "bench/run.sh: $variant $n: ${bins[$b]}/zentrox-check exited with $status" >&2
        tail -5 "$dir/protocol-$b" >&2
        exit 1
      fi
      # time(1) puts "Command exited with non-zero status 1" first.
      read -r wall user sys rss < <(tail -1 "$dir/t")
      echo "$wall" >> "$dir/wall-$b"
      awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >> "$dir/cpu-$b"
      echo "$rss" >> "$dir/rss-$b"
    done
  done
  floor=$(median < "$dir/floor")
  for b in "${!bins[@]}"; do
    wall=$(median < "$dir/wall-$b")
    seconds[$b:$c]=$wall
    rows_out+=("$b $variant $n $rows $bytes $floor $wall $(median < "$dir/cpu-$b") $(median < "$dir/rss-$b")")
    echo "  $variant $n: bin $((b + 1)) $wall s, floor $floor s" >&2
  done
done

printf '\n%-3s %-16s %7s %9s %8s %7s %7s %7s %6s %7s %8s %6s %8s\n' bin variant N rows "in MB" "floor s" \
  "wall s" "×floor" "CPU s" "×floor" "peak MB" "RSS/in" "ratio"
for line in "${rows_out[@]}"; do
  read -r b variant n rows bytes floor wall cpu rss <<< "$line"
  # 300k/100k for the clean packages, faulty over clean for the faulty one.
  ratio="-"
  if [ "$variant" = quarterly-faulty ] && [ -n "${seconds[$b:quarterly:$n]:-}" ]; then
    ratio=$(awk -v a="$wall" -v b="${seconds[$b:quarterly:$n]}" 'BEGIN { printf "%.2ff/c", a / b }')
  elif [ "$n" = 300000 ] && [ -n "${seconds[$b:$variant:100000]:-}" ]; then
    ratio=$(awk -v a="$wall" -v b="${seconds[$b:$variant:100000]}" 'BEGIN { printf "%.2f", a / b }')
  fi
  awk -v bin="$((b + 1))" -v v="$variant" -v n="$n" -v rows="$rows" -v bytes="$bytes" -v wall="$wall" -v cpu="$cpu" \
      -v rss="$rss" -v floor="$floor" -v ratio="$ratio" 'BEGIN {
    mb = bytes / 1e6; peak = rss * 1024 / 1e6
    printf "%-3s %-16s %7d %9d %8.1f %7.3f %7.2f %7.1f %6.2f %7.1f %8.1f %6.2f %8s\n", bin, v, n, rows, mb, floor, wall,
      wall / floor, cpu, cpu / floor, peak, peak / mb, ratio
  }'
done
echo
for b in "${!bins[@]}"; do echo "bin $((b + 1)): ${bins[$b]}"; done
echo "runs per package: $runs; machine: $(nproc) CPUs, $(lscpu | sed -n 's/^Model name: *//p' | head -1), load average $(cut -d' ' -f1-3 /proc/loadavg)"

if [ $micro -eq 1 ]; then
  "$bin/micro_loader"
  "$bin/micro_rules"
fi
