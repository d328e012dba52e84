#!/usr/bin/env bash
# Installs the build into a scratch prefix, checks the files a desktop expects, and validates the
# installed tree as a whole (the metainfo finds its desktop entry and icon).
#   check_install.sh <build dir> <scratch dir> <app id>
set -euo pipefail
build=$1 scratch=$2 app_id=$3
rm -rf "$scratch"
root=$scratch/root
cmake --install "$build" --prefix "$root/usr" >"$scratch.log" 2>&1 || { cat "$scratch.log"; exit 1; }

status=0
expect() {
  if [ -f "$root/usr/$1" ]; then echo "ok      usr/$1"; else echo "MISSING usr/$1"; status=1; fi
}
expect bin/tavrin
expect "share/applications/$app_id.desktop"
expect "share/metainfo/$app_id.metainfo.xml"
expect share/icons/hicolor/16x16/apps/tavrin.png
expect share/icons/hicolor/32x32/apps/tavrin.png
[ -x "$root/usr/bin/tavrin" ] || { echo "usr/bin/tavrin is not executable"; status=1; }
# The entry names the installed program and icon.
grep -qx 'Exec=tavrin' "$root/usr/share/applications/$app_id.desktop" || { echo "Exec is not tavrin"; status=1; }
grep -qx 'Icon=tavrin' "$root/usr/share/applications/$app_id.desktop" || { echo "Icon is not tavrin"; status=1; }
echo "installed:"
(cd "$root" && find . -type f | sort)
appstreamcli validate-tree --no-net "$root" || status=1
exit $status
