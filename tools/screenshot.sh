#!/usr/bin/env bash
# Makes the README's picture: Tavrin on a private Xvfb with openbox, the welcome banner still
# showing and a little white chalk drawn around it by xdotool.
#   tools/screenshot.sh [path/to/tavrin] [output.png] [about.png]
# The third picture is the About window, opened from the menu once the banner has gone.
# Needs xvfb, openbox, xdotool, x11-utils and imagemagick (build.sh test installs them).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/default/app/tavrin}
output=${2:-$root/docs/screenshot.png}
about_output=${3:-$root/docs/about.png}
board_height=437   # 6555 twips at 96 dpi: the board below the menu bar

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Polls a command until it succeeds, for at most about ten seconds.
wait_for() {
  local tries=100
  until "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || { echo "screenshot: gave up waiting for: $*" >&2; return 1; }
    sleep 0.1
  done
}

# A private display: -displayfd picks a free number and writes it once clients may connect.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for grep -q . "$work/display"
DISPLAY=":$(cat "$work/display")"
export DISPLAY
unset WAYLAND_DISPLAY XAUTHORITY

HOME=$work XDG_CONFIG_HOME=$work/config openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

# The pointer waits outside the window so that no menu entry shows hovered.
xdotool mousemove 1023 767

QT_QPA_PLATFORM=xcb "$program" 2>"$work/tavrin.log" &
tavrin=$!
pids+=("$tavrin")
find_board() {
  xdotool search --all --onlyvisible --pid "$tavrin" --name '^Tavrin version 1\.0$' | head -n 1
}
wait_for find_board
window=$(find_board)

geometry() { xwininfo -id "$window" | awk -v key="$1" -F: '$1 ~ key { gsub(/ /, "", $2); print $2 }'; }
left=$(geometry 'Absolute upper-left X')
top=$(( $(geometry 'Absolute upper-left Y') + $(geometry 'Height') - board_height ))

# Waits until the banner's top-left corner (8, 56 on the board) shows its dark blue.
banner_shows() {
  import -window root -depth 8 -crop "1x1+$((left + 8))+$((top + 56))" txt:- | grep -q '#0000C0'
}
wait_for banner_shows

# A stroke with the left button through board points "x,y x,y ...".
stroke() {
  local args=() point first=1
  for point in "$@"; do
    args+=(mousemove $((left + ${point%,*})) $((top + ${point#*,})))
    if [ "$first" = 1 ]; then args+=(mousedown 1); first=0; else args+=(sleep 0.005); fi
  done
  xdotool "${args[@]}" mouseup 1
}

# A sun in the strip above the banner, a wave below it and two birds in the corner.
point() { awk -v a="$1" -v r="$2" 'BEGIN { a *= 3.14159265 / 180; printf "%d,%d", 40 + r * cos(a), 28 + r * sin(a) }'; }
sun=()
for angle in $(seq 0 15 360); do sun+=("$(point "$angle" 14)"); done
stroke "${sun[@]}"
for angle in $(seq 0 45 315); do stroke "$(point "$angle" 18)" "$(point "$angle" 25)"; done
wave=()
for x in $(seq 20 12 610); do
  wave+=("$x,$(awk -v x="$x" 'BEGIN { printf "%d", 405 + 14 * sin(x / 30) }')")
done
stroke "${wave[@]}"
stroke 520,20 532,30 544,20 556,30 568,20
stroke 580,34 588,41 596,34 604,41 612,34

banner_shows || { echo "screenshot: the banner went before the picture was taken; run again" >&2; exit 1; }
mkdir -p "$(dirname "$output")"
# The window with openbox's frame around it, as a person sees it.
import -frame -window "$window" -depth 8 "png:$output"
echo "wrote $output"

# The About window, opened by a click on the bar's last entry once the banner has gone.
banner_gone() { ! banner_shows; }
wait_for banner_gone
menu_y=$(( top - ($(geometry 'Height') - board_height) / 2 ))
xdotool mousemove --sync $((left + 600)) "$menu_y" click 1
find_about() {
  xdotool search --all --onlyvisible --pid "$tavrin" --name '^About Tavrin$' | head -n 1
}
wait_for find_about
about=$(find_about)
xdotool mousemove 1023 767
sleep 0.5
import -frame -window "$about" -depth 8 "png:$about_output"
echo "wrote $about_output"
