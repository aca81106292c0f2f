#!/usr/bin/env bash
# The frame's size on the screen: a start without saved layout fills about three quarters
# of the screen, centred, with every menu in view; a J bar asked to be wider than the
# frame, by config.ini or by a drag, never widens the frame, and the close writes back
# only a width that fitted. Usage: frame_size_test.sh <tavix>
set -uo pipefail
tavix="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xsession.sh"

work=$(mktemp -d)
cleanup() { stop_xsession; rm -rf "$work"; }
trap cleanup EXIT
start_xsession
trap cleanup EXIT
screen_w=$(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1] }')
screen_h=$(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[2] }')
fail() { echo "$1"; exit 1; }

# Prints "x y width height" of the frame's client window.
frame_geometry() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}'
}

close_frame() {
  xdotool key --window "$1" alt+f
  sleep 0.5
  xdotool key x
  for _ in $(seq 100); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$APP_PID" 2>/dev/null && fail "File > Exit did not end the program"
  APP_PID=""
}

# Starts the program in a new folder of its own with this config.ini; sets folder, win
# and the frame's x y w h.
start_frame() {
  folder="$work/$1"; mkdir "$folder"
  make_program_folder "$folder" "$tavix" "$2"
  "$folder/tavix" >"$folder/log.txt" 2>&1 &
  APP_PID=$!
  win=$(wait_for_frame) || fail "the frame never appeared"
  sleep 1
  read -r x y w h < <(frame_geometry "$win")
}

# 1. A start without saved layout (a config.ini exists, so no options window comes up).
start_frame first "[General]
LastEngine=IE"
echo "first start: frame ${w}x${h} at $x,$y on ${screen_w}x${screen_h}"
[ "$w" -ge $((screen_w * 6 / 10)) ] && [ "$w" -le "$screen_w" ] || fail "the frame is $w wide on a $screen_w screen"
[ "$h" -ge $((screen_h * 6 / 10)) ] && [ "$h" -le "$screen_h" ] || fail "the frame is $h high on a $screen_h screen"
centre=$((x + w / 2)); [ $((centre - screen_w / 2)) -le 40 ] && [ $((screen_w / 2 - centre)) -le 40 ] \
  || fail "the frame is not centred (centre at $centre)"
# The menus all stand in the bar: the Help menu opens with its access key.
xdotool key --window "$win" alt+h
sleep 0.7
import -window root "$folder/help.png"
xdotool key Escape
# A new view window lies wholly inside the frame: its caption's left end is on screen.
xdotool key --window "$win" ctrl+n
sleep 3
import -window root "$folder/view.png"
close_frame "$win"

# 2. config.ini asks for a J bar far wider than any screen.
for asked in 5000 2147483647; do
  start_frame "j$asked" "[General]
LastEngine=IE
[Bar]
JBarSize=$asked"
  echo "JBarSize=$asked: frame ${w}x${h}"
  [ "$w" -le "$screen_w" ] || fail "JBarSize=$asked widened the frame to $w"
  close_frame "$win"
  written=$(tr -d '\r' <"$folder/config.ini" | awk -F= '/^JBarSize=/{print $2}')
  [ -n "$written" ] && [ "$written" -lt "$w" ] || fail "JBarSize=$asked came back as '$written' for a $w-wide frame"
done

# 3. A drag on the J bar released far to the right of the frame.
start_frame drag "[General]
LastEngine=IE"
# The J bar's bare area lies just left of its collapse button, below the tree's end;
# press on the one-pixel gap between the tree (all but the last 10 pixels) and the button.
xdotool mousemove --window "$win" 143 $((h / 2)) mousedown 1
xdotool mousemove $((x + w + 400)) $((y + h / 2))
xdotool mouseup 1
sleep 1
read -r x2 y2 w2 h2 < <(frame_geometry "$win")
echo "drag to $((w + 400)): frame ${w2}x${h2} (was ${w}x${h})"
[ "$w2" -eq "$w" ] || fail "the drag changed the frame's width from $w to $w2"
close_frame "$win"
written=$(tr -d '\r' <"$folder/config.ini" | awk -F= '/^JBarSize=/{print $2}')
[ -n "$written" ] && [ "$written" -lt "$w" ] || fail "the dragged width came back as '$written' for a $w-wide frame"
echo "ok"
