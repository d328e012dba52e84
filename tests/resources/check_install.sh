#!/usr/bin/env bash
# check_install.sh <build> <scratch> <app id> [deb]: the installed tree or the unpacked package
# holds the program, its entry, metainfo and icons, nothing of the build; the package its Depends.
set -euo pipefail
build=$1 root=$2/root/usr entry=share/applications/$3.desktop
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$2" && mkdir -p "$2"
if [ "${4-}" = deb ]; then
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$2" >"$2/log" 2>&1 || fail "$(cat "$2/log")"
  dpkg-deb -x "$2"/*.deb "$2/root"
  names() { tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//'; }
  depends=$(dpkg-deb -f "$2"/*.deb Depends | names)
  wanted=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_DEPENDS "\(.*\)")/\1/p' "$build/CPackConfig.cmake")
  for name in libqt6widgets6 fonts-liberation $(names <<<"$wanted"); do
    grep -qx "$name" <<<"$depends" || fail "Depends lacks $name: $depends"
  done
else
  cmake --install "$build" --prefix "$root" >"$2/log" 2>&1 || fail "$(cat "$2/log")"
fi
cd "$root"
ls "$entry" "share/metainfo/$3.metainfo.xml"
for size in 16 24 32 48 64 128 256; do # the width and height in each PNG's header are its folder's
  png=share/icons/hicolor/${size}x$size/apps/tavrin.png
  [ "$(od -An -tu4 --endian=big -j16 -N8 "$png" | xargs)" = "$size $size" ] || fail "$png not ${size}x$size"
done
svg=share/icons/hicolor/scalable/apps/tavrin.svg # parsed by python3, which openbox brings
python3 -c 'import sys, xml.etree.ElementTree as x; r = x.parse(sys.argv[1]).getroot()
print(r.tag, r.get("viewBox"))' "$svg" | grep -qx '{http://www.w3.org/2000/svg}svg 0 0 256 256' || fail "$svg"
[ -x bin/tavrin ] && grep -qx Exec=tavrin "$entry" && grep -qx Icon=tavrin "$entry" \
  && grep -qx "StartupWMClass=$3" "$entry" || fail "$(ls -R; cat "$entry")"
[ -z "$(find . -name 'tst_*' -o -name '*.a' -o -path '*/include/*')" ] || fail "stray files"
desktop-file-validate "$entry"
appstreamcli validate-tree --no-net "$2/root"
