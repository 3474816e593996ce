#!/bin/bash
# bench/shapes.sh [--runs N] [--mb M] [--bin DIR]...
#
# Peak memory and time of zentrox-check on quarterly packages whose REV5_SD
# holds M MB (default 30) of lines with few values: empty lines, lines of one
# field (one value throughout, the digits 0..9 in turn, or a random number of
# eight digits on each line), lines of empty fields; beside them valid
# packages of about the same size (75,000 declarations) and of 100,000
# declarations. Each --bin names a directory with zentrox-check, Rar and the
# dictionaries (default: the Release build of run.sh, built here); with
# several, every package is checked by each in turn, run after run, so that
# the noise of a shared machine falls alike on all of them. Prints one table:
# median wall time, median peak resident memory (`%M`), and that peak over
# the unpacked input.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZENTROX_BENCH_BUILD:-$root/build-release}
runs=3
mb=30
bins=()
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    --bin) bins+=("$(cd "$2" && pwd)"); shift 2 ;;
    *) echo "usage: $0 [--runs N] [--mb M] [--bin DIR]..." >&2; exit 2 ;;
  esac
done

if [ ! -x /usr/bin/time ]; then
  echo "bench/shapes.sh: /usr/bin/time is missing (Debian package 'time')" >&2
  exit 2
fi
if [ ${#bins[@]} -eq 0 ]; then
  echo "Building in $build (Release) ..." >&2
  # The "release" preset, without the desktop program, in $build.
  cmake -S "$root" --preset release -B "$build" -DZENTROX_GUI=OFF > /dev/null
  cmake --build "$build" -j2 --target zentrox-check zentrox-genpkg Rar zentrox_dictionaries \
    > "$build/bench-build.log" 2>&1 || { tail -30 "$build/bench-build.log" >&2; exit 1; }
  bins=("$build/bin")
fi
# The generator of the first build writes every package.
gen=${bins[0]}/zentrox-genpkg
[ -x "$gen" ] || gen=$build/bin/zentrox-genpkg

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
bytes=$((mb * 1000000))
cases="valid-75000 valid-100000 empty-lines one-field-lines one-field-values one-field-numbers empty-fields"
for c in $cases; do
  mkdir -p "$data/$c"
  case $c in
    valid-*) args=(--declarations "${c#valid-}") ;;
    *) args=(--declarations 1000 --sd-shape "$c" --sd-bytes "$bytes") ;;
  esac
  "$gen" --variant quarterly --series 1 "${args[@]}" --out "$data/$c" > "$data/$c/info"
done

for ((i = 0; i < runs; i++)); do
  for c in $cases; do
    info=$(cat "$data/$c/info")
    archive=${info%% *}
    for b in "${!bins[@]}"; do
      work=$data/work-$b
      mkdir -p "$work"
      cp "${bins[$b]}"/*.txt "$work/"
      set +e
      /usr/bin/time -o "$data/t" -f "%e %M" "${bins[$b]}/zentrox-check" --variant quarterly --workdir "$work" \
        --today 08.12.2026 "$archive" > /dev/null 2>&1
      status=$?
      set -e
      if [ $status -gt 1 ]; then
        echo "bench/shapes.sh: $c with ${bins[$b]}: zentrox-check exited with $status" >&2
        exit 1
      fi
      # time(1) puts "Command exited with non-zero status 1" first for a
      # package with findings.
      read -r wall rss < <(tail -1 "$data/t")
      echo "$wall" >> "$data/$c/wall-$b"
      echo "$rss" >> "$data/$c/rss-$b"
    done
  done
  echo "  run $((i + 1)) of $runs done" >&2
done

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf '\n%-4s %-17s %9s %10s %9s %8s %8s\n' bin package "input MB" "REV5_SD" "median s" "peak MB" "RSS/in"
for c in $cases; do
  info=$(cat "$data/$c/info")
  rows=$(sed -E 's/.* rows=([0-9]+).*/\1/' <<< "$info")
  input=$(sed -E 's/.* bytes=([0-9]+).*/\1/' <<< "$info")
  for b in "${!bins[@]}"; do
    awk -v b="$((b + 1))" -v c="$c" -v input="$input" -v rows="$rows" -v wall="$(median < "$data/$c/wall-$b")" \
        -v rss="$(median < "$data/$c/rss-$b")" 'BEGIN {
      mb = input / 1e6; peak = rss * 1024 / 1e6
      printf "%-4s %-17s %9.1f %8d l %9.2f %8.1f %8.2f\n", b, c, mb, rows, wall, peak, peak / mb
    }'
  done
done
echo
for b in "${!bins[@]}"; do echo "bin $((b + 1)): ${bins[$b]}"; done
echo "runs: $runs; machine: $(nproc) CPUs, load average $(cut -d' ' -f1-3 /proc/loadavg)"
