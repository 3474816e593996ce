#!/usr/bin/env bash
# Installs what is missing (Debian 12), then configures and builds into build/
# (or, with clang and the sanitizers, into build-sanitize/ or build-tsan/). Sourced by run.sh,
# which needs the programs only, and test.sh, which adds what the tests need.
set -euo pipefail

ZENTROX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What the programs need: the compiler, the libraries, Qt for the desktop
# program (with its translation tools for our Romanian texts of its dialogs)
# and a font for it.
ZENTROX_PACKAGES=(
  build-essential cmake pkg-config
  libfmt-dev libarchive-dev libicu-dev zlib1g-dev libmicrohttpd-dev libxlsxwriter-dev
  qt6-base-dev qt6-l10n-tools libgl-dev
  fonts-dejavu-core
)

# What the tests and benchmarks add: GoogleTest and Google Benchmark, a word
# processor and a spreadsheet program that read the saved protocol and the
# findings back, a PDF printer queue and its reader for the printing tests, a
# virtual display for the desktop program, the tools of the desktop-entry
# and Debian-package checks, the web server that the service's two-instance
# test puts in front of it, and a browser with its WebDriver and node for the
# web page's test.
ZENTROX_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev
  libreoffice-writer-nogui libreoffice-calc-nogui
  cups printer-driver-cups-pdf poppler-utils
  xvfb xauth
  desktop-file-utils dpkg-dev file
  time libarchive-tools curl nginx
  chromium chromium-driver nodejs
)

# Only for the sanitizer builds (./test.sh --sanitize, --tsan) and the fuzz targets.
ZENTROX_SANITIZE_PACKAGES=(clang libclang-rt-14-dev)

# zentrox_install_missing [--tests | --sanitize] (--tsan installs as --sanitize)
zentrox_install_missing() {
  local wanted=("${ZENTROX_PACKAGES[@]}")
  case "${1:-}" in
    --tests) wanted+=("${ZENTROX_TEST_PACKAGES[@]}") ;;
    --sanitize | --tsan) wanted+=("${ZENTROX_TEST_PACKAGES[@]}" "${ZENTROX_SANITIZE_PACKAGES[@]}") ;;
  esac
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

# The programs alone into build/ (preset "programs"). A build/ that test.sh
# configured keeps its tests configured (no reconfiguring back and forth): the
# cached BUILD_TESTING wins over the preset's. Only the programs' targets are
# built either way.
zentrox_build_programs() {
  local build="$ZENTROX_ROOT/build"
  local testing=()
  if [ -f "$build/CMakeCache.txt" ]; then
    local cached
    cached="$(sed -n 's/^BUILD_TESTING:BOOL=//p' "$build/CMakeCache.txt")"
    [ -z "$cached" ] || testing=(-DBUILD_TESTING="$cached")
  fi
  cmake -S "$ZENTROX_ROOT" --preset programs "${testing[@]}" >/dev/null
  cmake --build "$build" -j"$(nproc)" --target zentrox_programs
}

# Everything, tests and benchmarks included, into build/ (preset "dev"); a
# build type other than the preset's RelWithDebInfo may be given.
zentrox_build() {
  local build_type="${1:-RelWithDebInfo}"
  cmake -S "$ZENTROX_ROOT" --preset dev -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
  cmake --build "$ZENTROX_ROOT/build" -j"$(nproc)"
}

# clang with AddressSanitizer and UndefinedBehaviorSanitizer (which stops at
# the first finding) into build-sanitize/ (preset "sanitize").
zentrox_build_sanitize() {
  cmake -S "$ZENTROX_ROOT" --preset sanitize >/dev/null
  cmake --build "$ZENTROX_ROOT/build-sanitize" -j"$(nproc)"
}

# clang with ThreadSanitizer into build-tsan/ (preset "tsan"): the core and
# command-line test programs and what they run, without the desktop program.
zentrox_build_tsan() {
  cmake -S "$ZENTROX_ROOT" --preset tsan >/dev/null
  cmake --build --preset tsan -j"$(nproc)"
}
