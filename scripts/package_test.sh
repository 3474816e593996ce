#!/usr/bin/env bash
# Builds the Debian package from build/, installs it into this machine and
# checks the example package with the installed zentrox-check.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root/build"
rm -f zentrox_*.deb
cpack -G DEB >/dev/null
deb="$(ls zentrox_*_amd64.deb)"
echo "Built $deb"
# The workbook writer is a shared library the package must pull in.
dpkg-deb -f "$deb" Depends | grep -q libxlsxwriter || { echo "$deb does not depend on libxlsxwriter" >&2; exit 1; }
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq zentrox >/dev/null 2>&1 || true' EXIT
test -x /usr/bin/zentrox-check
test -f /usr/share/applications/zentrox.desktop
test -x /usr/bin/zentrox-serve
test -f /usr/lib/systemd/system/zentrox-serve.service
work="$(mktemp -d)"
status=0
ZENTROX_WORKDIR="" HOME="$work" /usr/bin/zentrox-check --variant quarterly \
  "$root/build/examples/REV5_1234567_00001_2026T03.rar" >"$work/protocol.txt" || status=$?
if [ "$status" -ne 0 ] || ! grep -q "к о н т р о л ь  з а в е р ш е н." "$work/protocol.txt"; then
  cat "$work/protocol.txt"
  echo "installed zentrox-check failed (exit $status)" >&2
  exit 1
fi
echo "The installed package checked the example package."
