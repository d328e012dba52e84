#!/usr/bin/env bash
# Cross-compiles the launcher test for Windows with mingw-w64 and runs it under Wine against a
# real registry: a fresh prefix in a temporary folder, HKEY_LOCAL_MACHINE filled by importing a
# registry file with regedit, the stand-in tool laid out in folders whose names hold spaces.
#   run_wine_tests.sh SOURCE_DIR CROSS_BUILD_DIR
# Missing tools or a prefix that cannot be made fail the test: it is part of the suite.
set -uo pipefail

source_dir=${1:?source folder}
build_dir=${2:?cross build folder}
started=$SECONDS

fail() {
  echo "FAIL: $*"
  exit 1
}

for tool in x86_64-w64-mingw32-g++ wine wineboot wineserver iconv; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (./build.sh test installs it)"
done

# The cross build: only the launcher, the Windows platform layer and this test's programs.
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
    -DTAVRIN_CORE_ONLY=ON -DTAVRIN_BUILD_BENCH=OFF >"$build_dir.configure.log" 2>&1 ||
    { cat "$build_dir.configure.log"; fail "the cross build could not be configured"; }
fi
cmake --build "$build_dir" --target tst_wine_launcher msinfo32_marker ||
  fail "the cross build failed"
test_exe=$build_dir/tests/wine/tst_wine_launcher.exe
tool_exe=$build_dir/tests/wine/MSINFO32.exe
[ -f "$test_exe" ] && [ -f "$tool_exe" ] || fail "the cross build made no test program"
echo "cross build: $((SECONDS - started)) s"

export WINEPREFIX
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tavrin-wine.XXXXXX") || fail "no temporary folder"
export WINEDEBUG=-all
# No .NET or HTML engine is wanted, and without them Wine asks nothing while it sets up.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's programs have nothing to show; without a display they do their work all the same.
unset DISPLAY WAYLAND_DISPLAY

cleanup() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

step=$SECONDS
wineboot -i >"$WINEPREFIX.boot.log" 2>&1
# The registry reaches system.reg only when the server saves it; the system folder is there
# as soon as the prefix is made.
if [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
  cat "$WINEPREFIX.boot.log"
  rm -f "$WINEPREFIX.boot.log"
  fail "Wine could not make a prefix in $WINEPREFIX"
fi
rm -f "$WINEPREFIX.boot.log"
echo "wine prefix: $((SECONDS - step)) s"

# The fixture: the tool behind a "PATH" with spaces, the tool in the "Shared Tools Location"
# folder, and two decoys that a command line split at its spaces would start instead.
root="$WINEPREFIX/drive_c/Tavrin Wine"
mkdir -p "$root/Tool Dir" "$root/Shared Tools" || fail "cannot lay out the fixture"
cp "$tool_exe" "$root/Tool Dir/MSINFO32.EXE"
cp "$tool_exe" "$root/Shared Tools/MSINFO32.EXE"
cp "$tool_exe" "$WINEPREFIX/drive_c/Tavrin.exe"
cp "$tool_exe" "$root/Tool.exe"

# "a" repeated, and the same as UTF-16LE hex bytes.
repeat() { printf "%${2}s" "" | tr ' ' "$1"; }
utf16_hex() { repeat x "$1" | sed 's/x/61,00,/g; s/,$//'; }

step=$SECONDS
reg_file="$WINEPREFIX/drive_c/tavrin.reg"
{
  cat <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools\MSINFO]
"PATH"="C:\\Tavrin Wine\\Tool Dir\\MSINFO32.EXE"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Shared Tools Location]
"MSINFO"="C:\\Tavrin Wine\\Shared Tools"

[HKEY_LOCAL_MACHINE\SOFTWARE\Tavrin Wine Test]
"Path With Spaces"="C:\\Tavrin Wine\\Tool Dir\\MSINFO32.EXE"
"With Terminator"="AB"
"No Terminator"=hex(1):41,00,42,00
"Two Terminators"=hex(1):41,00,42,00,00,00,00,00
"Empty String"=""
"Empty"=hex(1):
"Expand"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,\
  25,00,00,00
"Dword"=dword:12345678
"Dword Small"=dword:00abcdef
"Dword Top Bit"=dword:80000000
"Binary"=hex:01,02,03,00
"Multi"=hex(7):41,00,00,00,42,00,00,00,00,00
EOF
  # 1023 characters and the terminator answer 1024 bytes; 1024 characters answer 1025.
  echo "\"Len1024\"=\"$(repeat a 1023)\""
  echo "\"Len1025\"=\"$(repeat a 1024)\""
  echo "\"Len1024 No Terminator\"=hex(1):$(utf16_hex 1024)"
} | { printf '\xff\xfe'; sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } >"$reg_file"
wine regedit /S 'C:\tavrin.reg' >/dev/null 2>&1
wine reg query 'HKLM\SOFTWARE\Tavrin Wine Test' /v Dword 2>/dev/null | grep -q 0x12345678 ||
  fail "regedit did not import the registry file"
echo "registry import: $((SECONDS - step)) s"

step=$SECONDS
wine "$test_exe" 'C:\Tavrin Wine' 2>&1 | tr -d '\r'
result=${PIPESTATUS[0]}
echo "test program under Wine: $((SECONDS - step)) s; all: $((SECONDS - started)) s"
exit "$result"
