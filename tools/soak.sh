#!/usr/bin/env bash
# Soak: drives the real program on a private Xvfb with xdotool for a while (ten minutes by
# default): random strokes with every button, colour and board commands, Erase, and the About
# window opened and closed in each of its ways; samples the program's resident memory every
# second. Not a CI test: run it by hand after a build.
#
#   tools/soak.sh [program, default build/default/app/tavrin] [seconds, default 600] [csv, default soak-rss.csv]
#
# Needs Xvfb, openbox, xdotool and x11-utils (./build.sh test installs them). Prints the
# resident memory at the start and at the end, and fails if the program ended on its way.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$here/build/default/app/tavrin}
seconds=${2:-600}
csv=${3:-soak-rss.csv}
[ -x "$program" ] || { echo "no program at $program" >&2; exit 2; }

display=
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "no free display" >&2; exit 2; }
export DISPLAY=$display

pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
"$program" >/tmp/soak-tavrin.$$.log 2>&1 &
tavrin=$!
pids=("$tavrin" "${pids[@]}")

window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$tavrin" --name '^Tavrin version' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the board window did not show" >&2; exit 1; }
xdotool windowactivate --sync "$window" 2>/dev/null
geometry() { xwininfo -id "$window" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'; }
read -r left top width height < <(geometry)
# The menu bar is the top of the client area; strokes stay below it, or wander out of the window.
bar=24

rss() { awk '/^VmRSS/{print $2}' "/proc/$tavrin/status" 2>/dev/null; }
echo "second,rss_kib" >"$csv"
(
  t=0
  while kill -0 "$tavrin" 2>/dev/null; do
    echo "$t,$(rss)" >>"$csv"
    sleep 1
    t=$((t + 1))
  done
) &
pids+=($!)

alive() { kill -0 "$tavrin" 2>/dev/null; }
rand() { echo $((RANDOM % $1)); }

stroke() {
  local x=$((left + $(rand "$width"))) y=$((top + bar + $(rand $((height - bar)))))
  local button=1
  case $(rand 10) in 0) button=3 ;; 1) button=2 ;; esac
  local moves=(mousemove "$x" "$y" mousedown "$button")
  # Now and then a second button joins in the middle of the stroke.
  local chord=$(($(rand 6) == 0))
  for i in $(seq $((5 + $(rand 25)))); do
    x=$((x + $(rand 81) - 40)); y=$((y + $(rand 81) - 40))
    moves+=(mousemove "$x" "$y")
    if [ "$chord" = 1 ] && [ "$i" = 4 ]; then moves+=(mousedown 3); fi
    if [ "$chord" = 1 ] && [ "$i" = 8 ]; then moves+=(mouseup 3); fi
  done
  moves+=(mouseup "$button")
  xdotool "${moves[@]}" 2>/dev/null
}

# Menus by keyboard: Alt brings the bar up on its first entry (Exit, never chosen here); Left
# steps round to the last. Entries from the end: 1 About, 2 Erase, 3 Screen, 4 Choke color.
menu() {
  local from_end=$1 item=${2:-}
  xdotool windowactivate --sync "$window" 2>/dev/null
  xdotool key --clearmodifiers alt 2>/dev/null; sleep 0.15
  for _ in $(seq "$from_end"); do xdotool key Left; done
  if [ -n "$item" ]; then
    xdotool key Down; sleep 0.15
    for _ in $(seq "$item"); do xdotool key Down; done
  fi
  xdotool key Return 2>/dev/null
}

about_cycle() {
  menu 1
  sleep 0.4
  local about
  about=$(xdotool search --onlyvisible --pid "$tavrin" --name '^About ' 2>/dev/null | head -1)
  [ -n "$about" ] || return 0
  case $(rand 4) in
    0) xdotool key --window "$about" Escape ;;
    1) xdotool windowactivate --sync "$about" key Return ;;  # OK has the focus
    2) # a click on the board hides it, still loaded
       xdotool mousemove $((left + 5)) $((top + height - 5)) click 1 ;;
    3) # a click on its background, right of the buttons' row, unloads it
       local ax ay aw ah
       read -r ax ay aw ah < <(xwininfo -id "$about" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}')
       xdotool mousemove $((ax + aw - 4)) $((ay + 4)) click 1 ;;
  esac
  sleep 0.2
}

echo "soak on $display for ${seconds}s: program $tavrin, board ${width}x${height} at $left,$top"
sleep 4 # past the banner
start=$SECONDS
actions=0
while [ $((SECONDS - start)) -lt "$seconds" ] && alive; do
  r=$(rand 100)
  if [ "$r" -lt 70 ]; then stroke
  elif [ "$r" -lt 78 ]; then menu 4 "$(rand 7)"
  elif [ "$r" -lt 86 ]; then menu 3 "$(rand 7)"
  elif [ "$r" -lt 90 ]; then menu 2
  else about_cycle
  fi
  actions=$((actions + 1))
done
sleep 1

if ! alive; then
  echo "the program ended during the soak, after $actions actions; its output:" >&2
  cat "/tmp/soak-tavrin.$$.log" >&2
  exit 1
fi
awk -F, -v actions="$actions" 'NR == 2 {first = $2} NR > 1 && $2 != "" {n++; last = $2; if ($2 > max) max = $2; if (NR == 7) early = $2}
     END {printf "%d actions, %d samples: resident %d KiB at start, %d KiB after 5 s, %d KiB at the end, %d KiB at most\n", actions, n, first, early, last, max}' "$csv"
rm -f "/tmp/soak-tavrin.$$.log"
