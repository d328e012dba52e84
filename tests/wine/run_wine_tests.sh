#!/usr/bin/env bash
# Cross-compiles the Windows launcher test with mingw-w64 and runs it under Wine in a fresh
# prefix, with the stand-in tool in a folder whose name holds a space.
#   run_wine_tests.sh SOURCE_DIR CROSS_BUILD_DIR
set -euo pipefail
source_dir=${1:?source folder}
build_dir=${2:?cross build folder}

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIN_CORE_ONLY=ON \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
cmake --build "$build_dir" --target tst_wine_launcher msinfo32_marker >/dev/null

export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-wine.XXXXXX")
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
unset DISPLAY WAYLAND_DISPLAY # nothing is shown; Wine works without a display
wineboot -i >/dev/null 2>&1

mkdir -p "$WINEPREFIX/drive_c/Tavrin Wine"
cp "$build_dir/tests/MSINFO32.exe" "$WINEPREFIX/drive_c/Tavrin Wine/MSINFO32.EXE"
wine "$build_dir/tests/tst_wine_launcher.exe" 'C:\Tavrin Wine' | tr -d '\r'
