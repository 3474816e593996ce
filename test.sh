#!/usr/bin/env bash
# Installs what the programs and the tests need when it is missing, builds
# everything, and runs every test.
#   ./test.sh              gcc build in build/
#   ./test.sh --sanitize   clang build with AddressSanitizer, LeakSanitizer and
#                          UndefinedBehaviorSanitizer in build-sanitize/
#   ./test.sh --tsan       clang build with ThreadSanitizer in build-tsan/: the
#                          core and command-line tests, whose rule passes run
#                          side by side
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"

# Exits with status $1, or 1 when a sanitizer wrote a report into folder $2
# (each report is shown): an instrumented process may exit with an
# ordinary-looking status.
exit_with_reports() {
  local status=$1 logs=$2
  if [ -n "$(ls -A "$logs")" ]; then
    echo "Sanitizer reports:" >&2
    for f in "$logs"/*; do
      echo "==== $f" >&2
      cat "$f" >&2
    done
    status=1
  fi
  exit "$status"
}

if [ "${1:-}" = "--tsan" ]; then
  zentrox_install_missing --tsan
  zentrox_build_tsan
  cd "$ZENTROX_ROOT"
  # As with --sanitize: every instrumented process writes its reports to a
  # file of its own here, and any file there fails the run.
  logs="$ZENTROX_ROOT/build-tsan/sanitizer-logs"
  rm -rf "$logs"
  mkdir -p "$logs"
  export TSAN_OPTIONS="halt_on_error=1:exitcode=86:second_deadlock_stack=1:log_path=$logs/tsan"
  status=0
  ctest --preset tsan -j"$(nproc)" ${ZENTROX_SANITIZE_CTEST_ARGS:-} || status=$?
  exit_with_reports "$status" "$logs"
fi

if [ "${1:-}" != "--sanitize" ]; then
  zentrox_install_missing --tests
  zentrox_build
  cd "$ZENTROX_ROOT"
  # A full run: every catalogued rule must be reported by some test.
  ZENTROX_RULE_COVERAGE=1 ctest --preset dev -j"$(nproc)"
  exit
fi

zentrox_install_missing --sanitize
zentrox_build_sanitize
cd "$ZENTROX_ROOT/build-sanitize"
# Every process the tests start (zentrox-check, Rar) is instrumented too and
# may exit with an ordinary-looking status; so each one writes its report to
# its own file here, and any file there fails the run.
logs="$ZENTROX_ROOT/build-sanitize/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:exitcode=86:log_path=$logs/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=86:log_path=$logs/ubsan"
export LSAN_OPTIONS="suppressions=$ZENTROX_ROOT/tests/sanitize/lsan-suppressions.txt:print_suppressions=0"
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" ${ZENTROX_SANITIZE_CTEST_ARGS:-} || status=$?
exit_with_reports "$status" "$logs"
