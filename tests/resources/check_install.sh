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
ls "$entry" "share/metainfo/$3.metainfo.xml" share/icons/hicolor/{16,32}x*/apps/tavrin.png
[ -x bin/tavrin ] && grep -qx Exec=tavrin "$entry" && grep -qx Icon=tavrin "$entry" \
  && grep -qx "StartupWMClass=$3" "$entry" || fail "$(ls -R; cat "$entry")"
[ -z "$(find . -name 'tst_*' -o -name '*.a' -o -path '*/include/*')" ] || fail "stray files"
appstreamcli validate-tree --no-net "$2/root"
