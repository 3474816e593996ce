#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12), only when missing,
# then configures and builds into build/ (or, with clang and the sanitizers,
# into build-sanitize/). Sourced by run.sh and test.sh.
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

# Only for the sanitizer build (./test.sh --sanitize) and the fuzz targets.
ZENTROX_SANITIZE_PACKAGES=(clang libclang-rt-14-dev)

# zentrox_install_missing [--sanitize]
zentrox_install_missing() {
  local wanted=("${ZENTROX_PACKAGES[@]}")
  [ "${1:-}" != "--sanitize" ] || wanted+=("${ZENTROX_SANITIZE_PACKAGES[@]}")
  local missing=()
  for p in "${wanted[@]}"; do
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

# clang with AddressSanitizer and UndefinedBehaviorSanitizer (which stops at
# the first finding) into build-sanitize/.
zentrox_build_sanitize() {
  local flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  cmake -S "$ZENTROX_ROOT" -B "$ZENTROX_ROOT/build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  cmake --build "$ZENTROX_ROOT/build-sanitize" -j"$(nproc)"
}
