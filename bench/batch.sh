#!/bin/bash
# bench/batch.sh [--runs N] [--small N] [--large N] [--large-declarations N] [--jobs N]
#
# Many packages at once: zentrox-check on a batch of small packages and on a
# batch of large ones, serially (--jobs 1) and with --jobs N (default 2),
# the runs interleaved so that the machine's noise falls alike on both.
# Prints the median wall time, the median CPU time (user + system, the
# archiver and the workers included), the cores that CPU time kept busy on
# average, the speed-up, the fastest run and the speed-up between the
# fastest runs (the least disturbed ones), the packages per hour, and checks
# that both runs printed the same bytes and exit status. The kernel shares
# the CPUs between sessions (autogroups) before processes: while another
# session keeps a core busy, a parallel run gets no more CPU than a serial
# one, whatever --jobs is. The "cores" column shows it; compare runs made on
# an idle machine.
#
#   --runs N                 runs of each kind (default 3)
#   --small N                small packages, 20 declarations each (default 1000)
#   --large N                large packages (default 20)
#   --large-declarations N   declarations in a large package (default 100000)
#   --jobs N                 workers of the parallel run (default 2)
#
# Builds Release into build-release/ (or $ZENTROX_BENCH_BUILD) like
# bench/run.sh; the packages are generated once into its bench-data/batch/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZENTROX_BENCH_BUILD:-$root/build-release}
runs=3
small=1000
large=20
large_n=100000
jobs=2
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --small) small=$2; shift 2 ;;
    --large) large=$2; shift 2 ;;
    --large-declarations) large_n=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--small N] [--large N] [--large-declarations N] [--jobs N]" >&2; exit 2 ;;
  esac
done

if [ ! -x /usr/bin/time ]; then
  echo "bench/batch.sh: /usr/bin/time is missing (Debian package 'time')" >&2
  exit 2
fi

echo "Building in $build (Release) ..." >&2
cmake -S "$root" --preset release -B "$build" -DZENTROX_GUI=OFF > /dev/null
cmake --build "$build" -j2 --target zentrox-check zentrox-genpkg Rar zentrox_dictionaries \
  > "$build/bench-build.log" 2>&1 || { tail -30 "$build/bench-build.log" >&2; exit 1; }
bin=$build/bin

data=$build/bench-data/batch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$bin"/*.txt "$work/"

# Packages of one size: `distinct` generated ones (every fourth with faults
# on 1% of its rows), linked `count` times into directories of their own,
# since every package of a variant bears the same archive name.
make_set() {
  local name=$1 count=$2 declarations=$3 distinct=$4
  local dir=$data/$name-$declarations
  if [ ! -f "$dir/ready-$count" ]; then
    rm -rf "$dir"
    mkdir -p "$dir/gen"
    for ((s = 1; s <= distinct; s++)); do
      local faults=0
      if ((s % 4 == 0)); then faults=0.01; fi
      "$bin/zentrox-genpkg" --variant quarterly --declarations "$declarations" --series "$s" --fault-rate $faults \
        --out "$dir/gen/$s" > /dev/null
    done
    for ((i = 0; i < count; i++)); do
      mkdir -p "$dir/$i"
      ln "$dir/gen/$((i % distinct + 1))"/*.rar "$dir/$i/"
    done
    touch "$dir/ready-$count"
  fi
  for ((i = 0; i < count; i++)); do echo "$dir/$i/REV5_1234567_00001_2026T03.rar"; done > "$dir/list"
  echo "$dir"
}

echo "Generating packages into $data (once) ..." >&2
small_dir=$(make_set small "$small" 20 50)
large_dir=$(make_set large "$large" "$large_n" "$large")

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One run: wall and CPU seconds appended to $out.wall / $out.cpu, the output
# without the times of day in $out.protocol, the status in $out.status.
run() {
  local dir=$1 j=$2 out=$3
  local archives
  mapfile -t archives < "$dir/list"
  set +e
  /usr/bin/time -o "$out.t" -f "%e %U %S" "$bin/zentrox-check" --variant quarterly --workdir "$work" \
    --today 08.12.2026 --format json --jobs "$j" "${archives[@]}" > "$out.raw" 2> /dev/null
  echo $? > "$out.status"
  set -e
  sed -E 's/[0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}/<now>/' "$out.raw" > "$out.protocol"
  rm -f "$out.raw"
  local wall user sys
  # A failing status adds a line before the times.
  read -r wall user sys < <(tail -1 "$out.t")
  echo "$wall" >> "$out.wall"
  awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >> "$out.cpu"
}

results=$(mktemp -d)
trap 'rm -rf "$work" "$results"' EXIT
loads=()
for set in small large; do
  dir=${set}_dir
  dir=${!dir}
  for ((i = 0; i < runs; i++)); do
    loads+=("$(cut -d' ' -f1 /proc/loadavg)")
    run "$dir" 1 "$results/$set-serial"
    run "$dir" "$jobs" "$results/$set-parallel"
    if ! cmp -s "$results/$set-serial.protocol" "$results/$set-parallel.protocol" ||
       ! cmp -s "$results/$set-serial.status" "$results/$set-parallel.status"; then
      echo "bench/batch.sh: $set: --jobs $jobs printed other bytes or another status than --jobs 1" >&2
      exit 1
    fi
    echo "  $set run $((i + 1)): serial $(tail -1 "$results/$set-serial.wall") s," \
      "--jobs $jobs $(tail -1 "$results/$set-parallel.wall") s (load average before: ${loads[-1]})" >&2
  done
done

printf '\n%-6s %9s %12s %10s %9s %7s %6s %9s %7s %9s %11s\n' batch packages declarations run "median s" "CPU s" \
  cores speed-up "best s" "best x" "packages/h"
for set in small large; do
  count=$small
  declarations=20
  if [ $set = large ]; then count=$large; declarations=$large_n; fi
  serial=$(median < "$results/$set-serial.wall")
  serial_best=$(sort -g "$results/$set-serial.wall" | head -1)
  for kind in serial parallel; do
    wall=$(median < "$results/$set-$kind.wall")
    cpu=$(median < "$results/$set-$kind.cpu")
    best=$(sort -g "$results/$set-$kind.wall" | head -1)
    label="--jobs 1"
    if [ $kind = parallel ]; then label="--jobs $jobs"; fi
    awk -v set=$set -v n="$count" -v d="$declarations" -v label="$label" -v wall="$wall" -v cpu="$cpu" \
        -v serial="$serial" -v best="$best" -v serial_best="$serial_best" 'BEGIN {
      printf "%-6s %9d %12d %10s %9.2f %7.2f %6.2f %9.2f %7.2f %9.2f %11.0f\n", set, n, d, label, wall, cpu, cpu / wall,
        serial / wall, best, serial_best / best, n * 3600 / wall
    }'
  done
done
echo
echo "runs: $runs each, interleaved; machine: $(nproc) CPUs, $(lscpu | sed -n 's/^Model name: *//p' | head -1);" \
  "load average (1 min) before the runs: ${loads[*]}"
