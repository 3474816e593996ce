#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ (preset "fuzz") and runs each
# for SECONDS, as many at a time as there are processors (ZENTROX_FUZZ_JOBS
# sets another number).
#
#   tests/fuzz/run.sh SECONDS [TARGET...]
#
# The corpus files in tests/fuzz/corpus/<target>/ (and, when present, the shared RAR
# fixtures for the archive targets) are read; what a run learns goes into
# build-fuzz/corpus/<target>/, kept between runs. A crash leaves its input in
# build-fuzz/artifacts/ and makes the script fail. One line per target reports
# the executions done.
set -euo pipefail

if [ $# -lt 1 ] || ! [[ "$1" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 SECONDS [TARGET...]" >&2
  exit 2
fi
seconds="$1"
shift

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$root/build-fuzz"
all_targets=(fuzz_package_file fuzz_dictionary fuzz_names fuzz_listing fuzz_rar_headers fuzz_rar)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

cmake -S "$root" --preset fuzz >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
fixtures="$root/../shared/fixtures/rar"
mkdir -p "$build/artifacts"
jobs="${ZENTROX_FUZZ_JOBS:-$(nproc)}"
[[ "$jobs" =~ ^[1-9][0-9]*$ ]] || jobs=1

# Runs one target; its exit status and executions go to $build/artifacts/$t.result.
run_target() {
  local t="$1"
  mkdir -p "$build/corpus/$t"
  local corpora=("$root/tests/fuzz/corpus/$t")
  if [[ "$t" == fuzz_rar* ]] && [ -d "$fixtures" ]; then corpora+=("$fixtures"); fi
  local rc=0
  "$build/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$t-" "$build/corpus/$t" "${corpora[@]}" >"$build/artifacts/$t.log" 2>&1 || rc=$?
  echo "$rc" >"$build/artifacts/$t.result"
}

running=0
for t in "${targets[@]}"; do
  rm -f "$build/artifacts/$t.result"
  run_target "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

failed=0
summary=()
for t in "${targets[@]}"; do
  log="$build/artifacts/$t.log"
  rc="$(cat "$build/artifacts/$t.result" 2>/dev/null || echo "?")"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
  if [ "$rc" != 0 ]; then
    failed=1
    summary+=("$t: FAILED (exit $rc) after ${runs:-?} executions, see $log")
    tail -40 "$log" >&2
  else
    summary+=("$t: ${runs:-?} executions in ${seconds} s, corpus $(ls "$build/corpus/$t" | wc -l) inputs")
  fi
done
printf '%s\n' "${summary[@]}"
exit $failed
