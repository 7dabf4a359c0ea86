#!/usr/bin/env bash
# End to end: the staged TavoCCTV on its own Xvfb with the virtual camera. Start surveillance with
# a click, see JPEG images appear in the run folder, stop; open the viewer, choose the run, step,
# play the slideshow, save a copy of the picture shown, delete the run, close the viewer; exit
# with the exit button. With --record-only: start, see 320 x 240 JPEG images appear, stop, exit.
# The virtual camera is the one TAVO_VIRTUAL_CAMERA names (the moving ball when unset).
# Usage: cctv_e2e.sh PROGRAM_FOLDER [--record-only]
set -euo pipefail

program=$(cd "${1:?program folder}" && pwd)
record_only=false
[[ ${2:-} == --record-only ]] && record_only=true
camera=${TAVO_VIRTUAL_CAMERA:-1}
work=$(mktemp -d /tmp/tavo-cctv-e2e-XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [[ -s $work/app.log ]] && sed 's/^/  app: /' "$work/app.log" >&2
  exit 1
}

# The program folder is the working directory: skins and help pages beside a fresh image store.
for entry in "$program"/Image* "$program"/TAVOCCTVHELP*.html; do ln -s "$entry" "$work/"; done

source "$(dirname "$0")/xdisplay.sh"
start_xvfb 91 140

mkdir -p "$work/runtime"
(cd "$work" && TAVO_VIRTUAL_CAMERA=$camera TAVO_REGISTRY="$work/settings.sqlite" LANG=en_US.UTF-8 \
  LC_ALL= XDG_RUNTIME_DIR="$work/runtime" exec "$program/TavoCCTV") >"$work/app.log" 2>&1 &
app_pid=$!

timeout 15 xdotool search --sync --name '^TAVO CCTV 2.0$' >/dev/null || fail "window did not open"
sleep 1

count() { find "$work/CCTV_Image" -name '*.jpg' -path '*_0*' ! -path '*EmailSendJpg*' 2>/dev/null | wc -l; }

xdotool mousemove 165 285 click 1 # start/stop
for _ in $(seq 100); do
  (($(count) >= 5)) && break
  sleep 0.1
done
(($(count) >= 5)) || fail "no images recorded after 10 s ($(count))"
first=$(find "$work/CCTV_Image" -name '*_000001.jpg' | head -1)
[[ $(od -An -tx1 -N3 "$first" | tr -d ' ') == ffd8ff ]] || fail "$first is not a JPEG"
size=$(identify -format '%w x %h' "$first") || fail "$first does not decode"
[[ $size == "320 x 240" ]] || fail "$first is $size, not 320 x 240"

xdotool mousemove 165 285 click 1 # stop
sleep 0.5
stopped=$(count)
sleep 1
(($(count) == stopped)) || fail "images still appear after stop"

# Exits with the exit button and sees the program end well.
leave() {
  xdotool mousemove 60 300 mousemove 322 271 click 1
  for _ in $(seq 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "program did not exit"
  wait "$app_pid" || fail "program exited with status $?"
  app_pid=""
}
if $record_only; then
  leave
  echo "PASS: $stopped images of 320 x 240 recorded from camera $camera"
  exit 0
fi

main=$(xdotool search --name '^TAVO CCTV 2.0$' | head -1)
height() { xdotool getwindowgeometry --shell "$main" | sed -n 's/^HEIGHT=//p'; }
wait_height() {
  for _ in $(seq 50); do
    [[ $(height) == "$1" ]] && return 0
    sleep 0.1
  done
  fail "window height $(height), expected $1 ($2)"
}
# A message box would mean something failed on the way.
no_box() {
  if xdotool search --onlyvisible --name '^TavoCCTV$' >/dev/null 2>&1; then fail "a message box: $1"; fi
}

xdotool mousemove 117 285 click 1 # viewer
wait_height 424 "viewer opened"
sleep 0.8                           # the folder panel slides out at the right edge
xdotool mousemove 400 31 click 1    # the first (only) run in the panel's list
sleep 0.3
xdotool mousemove 319 401 click 1 sleep 0.2 click 1 # next, twice
xdotool mousemove 13 401 click 1    # previous
xdotool mousemove 78 416 click 1    # play
sleep 1.5
xdotool mousemove 78 416 click 1    # stop
no_box "stepping and playing"

xdotool mousemove 166 140 click --repeat 2 --delay 80 1 # double-click: save a copy
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save As$' | head -1) ||
  fail "no save dialog"
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove $((X + WIDTH - 52)) $((Y + HEIGHT - 54)) click 1 # its Save button
copy="$work/SaveJpg/SaveJpg1.jpg"
for _ in $(seq 50); do
  [[ -s $copy ]] && break
  sleep 0.1
done
[[ -s $copy ]] || fail "no copy saved as $copy"
[[ $(od -An -tx1 -N3 "$copy" | tr -d ' ') == ffd8ff ]] || fail "$copy is not a JPEG"
no_box "saving"

run=$(find "$work/CCTV_Image" -mindepth 1 -maxdepth 1 -type d | head -1)
xdotool mousemove 466 311 click 1   # the panel's delete button
for _ in $(seq 30); do
  [[ -e $run ]] || break
  sleep 0.1
done
[[ -e $run ]] && fail "run folder $run not deleted"
xdotool mousemove 117 285 click 1   # close the viewer: back once the panel has slid shut
wait_height 323 "viewer closed"
no_box "closing the viewer"

leave
echo "PASS: $stopped images recorded, viewed, one saved, the run deleted"
