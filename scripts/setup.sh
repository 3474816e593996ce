#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12), only when missing,
# then configures and builds into build/. Sourced by run.sh and test.sh.
set -euo pipefail

ZENTROX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ZENTROX_PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libfmt-dev libarchive-dev libbenchmark-dev
  qt6-base-dev libgl-dev
  libreoffice-writer-nogui
  cups printer-driver-cups-pdf poppler-utils
  fonts-dejavu-core xvfb xauth
  desktop-file-utils dpkg-dev file
)

zentrox_install_missing() {
  local missing=()
  for p in "${ZENTROX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

zentrox_build() {
  local build_type="${1:-RelWithDebInfo}"
  cmake -S "$ZENTROX_ROOT" -B "$ZENTROX_ROOT/build" -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
  cmake --build "$ZENTROX_ROOT/build" -j"$(nproc)"
}
