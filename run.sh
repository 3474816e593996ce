#!/usr/bin/env bash
# Installs what the programs need when it is missing, builds the programs (no
# tests: ./test.sh adds them), and checks the bundled example package.
#   ./run.sh          check examples/quarterly-valid and show its protocol
#   ./run.sh --gui    start the desktop program
#   ./run.sh --serve  start zentrox-serve on 127.0.0.1:8080 (Ctrl+C stops it)
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
zentrox_install_missing
zentrox_build_programs
bin="$ZENTROX_ROOT/build/bin"
if [ "${1:-}" = "--gui" ]; then
  exec "$bin/zentrox" "${@:2}"
fi
if [ "${1:-}" = "--serve" ]; then
  # It prints the address it listens on; its state stays in build/.
  exec "$bin/zentrox-serve" --listen 127.0.0.1:8080 --state-dir "$ZENTROX_ROOT/build/serve-state" "${@:2}"
fi
# A scratch working directory keeps build/bin clean: the checker unpacks there
# and fills the empty folder with the dictionaries.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
status=0
"$bin/zentrox-check" --variant quarterly --workdir "$work" \
  "$ZENTROX_ROOT/build/examples/REV5_1234567_00001_2026T03.rar" || status=$?
echo
echo "zentrox-check exit status: $status (0 = no findings)"
exit "$status"
