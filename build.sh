#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tavrin, builds it, and then runs it or tests it.
#   ./build.sh run    install what is missing, build, start Tavrin
#   ./build.sh test   install what is missing, build, run every test suite
set -euo pipefail
cd "$(dirname "$0")"

# What building and running need, and what the tests need besides.
RUN_PACKAGES=(cmake g++ make pkgconf qt6-base-dev qt6-wayland libgl-dev fonts-liberation
              libcanberra-dev libcanberra-pulse sound-theme-freedesktop)
TEST_PACKAGES=(xvfb xauth openbox xdotool wmctrl x11-utils imagemagick sway wayvnc grim
               clang libclang-rt-14-dev binutils-mingw-w64-x86-64 g++-mingw-w64-x86-64-win32 wine wine64
               appstream dpkg-dev libxtst-dev libbenchmark-dev pulseaudio
               desktop-file-utils)

install_missing() {
  local missing=() pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  local preset=$1
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$(nproc)"
}

case "${1:-}" in
  run)
    install_missing "${RUN_PACKAGES[@]}"
    build default
    exec build/default/app/tavrin
    ;;
  test)
    install_missing "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build default
    ctest --preset default -j "$(nproc)"
    # Each fuzz target for about a minute, then the whole suite again under AddressSanitizer,
    # LeakSanitizer and UBSan; any report fails the run.
    start=$SECONDS
    build fuzz
    tests/fuzz/run_fuzzers.sh build/fuzz 60
    echo "fuzz build and runs: $((SECONDS - start)) s"
    start=$SECONDS
    build asan
    ctest --preset asan -j "$(nproc)"
    echo "asan build and tests: $((SECONDS - start)) s"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
