#!/usr/bin/env bash
# Builds the .deb with CPack, checks its control fields and contents, unpacks it, and starts the
# unpacked program on a virtual display until its board window shows, with the tree as its icon.
#   check_deb.sh <build dir> <scratch dir> <app id> <board window caption>
set -euo pipefail
build=$1 scratch=$2 app_id=$3 caption=$4
rm -rf "$scratch"
mkdir -p "$scratch"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >"$scratch/cpack.log" 2>&1 \
  || { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/pkg/*.deb)
echo "package: $deb"

status=0
fail() { echo "FAIL: $*"; status=1; }

[ "$(dpkg-deb -f "$deb" Package)" = tavrin ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
depend_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6 fonts-liberation; do
  grep -Fqx "$needed" <<<"$depend_names" || fail "Depends lacks $needed"
done

dpkg-deb -c "$deb" >"$scratch/contents"
for path in ./usr/bin/tavrin "./usr/share/applications/$app_id.desktop" \
            "./usr/share/metainfo/$app_id.metainfo.xml" \
            ./usr/share/icons/hicolor/16x16/apps/tavrin.png ./usr/share/icons/hicolor/32x32/apps/tavrin.png; do
  grep -q " $path\$" "$scratch/contents" || fail "the package lacks $path"
done
# Nothing of the build tree or the tests goes into the package.
if grep -Eq 'tst_|/include/|\.a$' "$scratch/contents"; then fail "stray files in the package"; fi

dpkg-deb -x "$deb" "$scratch/root"
program=$scratch/root/usr/bin/tavrin
[ -x "$program" ] || { fail "no program after unpacking"; exit 1; }

# On the virtual display: start it, wait for the board window, read its icon, stop it.
cat >"$scratch/run.sh" <<RUN
set -u
"$program" >"$scratch/program.log" 2>&1 &
pid=\$!
window=\$(timeout 30 xdotool search --sync --name "^$caption\\\$" | head -n 1)
if [ -z "\$window" ]; then
  echo "no window named '$caption' appeared"; kill \$pid 2>/dev/null; cat "$scratch/program.log"; exit 1
fi
echo "window \$window: \$(xdotool getwindowname \$window)"
xprop -id "\$window" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort -u >"$scratch/icons"
kill \$pid
wait \$pid 2>/dev/null
exit 0
RUN
xvfb-run -a -s "-screen 0 1024x768x24" bash "$scratch/run.sh" || fail "the unpacked program did not show its window"
echo "window icons: $(tr '\n' ' ' <"$scratch/icons" 2>/dev/null)"
grep -q 'Icon (16 x 16)' "$scratch/icons" && grep -q 'Icon (32 x 32)' "$scratch/icons" \
  || fail "the board window does not carry the 16 and 32 pixel tree icon"
exit $status
