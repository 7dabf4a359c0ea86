#!/usr/bin/env bash
# TavoCCTV's costs with the virtual camera under its own Xvfb:
#  - start-up time from launch to the first live frame on screen;
#  - CPU share of the program in surveillance at capture rate 9 over 20 s (images recorded too),
#    beside a bare GStreamer pipeline of the same source and conversion in the same run.
# Usage: bench/cctv_bench.sh BUILD_DIR [SECONDS]
set -euo pipefail

build=$(cd "${1:?build dir, e.g. build/ci}" && pwd)
seconds=${2:-20}
program=$build/program
work=$(mktemp -d /tmp/tavo-cctv-bench-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for entry in "$program"/Image* "$program"/TAVOCCTVHELP*.html; do ln -s "$entry" "$work/"; done
display=""
for n in $(seq 141 190); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
  [[ -e /tmp/.X11-unix/X$n ]] && display=":$n" && break
done
[[ -n $display ]] || { echo "no free X display" >&2; exit 1; }
export DISPLAY=$display

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
now() { date +%s.%N; }

# Start-up: launch until the video area (black before the first frame) shows a picture.
start=$(now)
(cd "$work" && TAVO_VIRTUAL_CAMERA=1 TAVO_REGISTRY="$work/settings.sqlite" LANG=en_US.UTF-8 \
  XDG_RUNTIME_DIR="$work" exec "$program/TavoCCTV") >"$work/app.log" 2>&1 &
app=$!
pids+=($app)
first=""
for _ in $(seq 200); do
  mean=$(/usr/bin/import -window root -crop 320x240+6+20 PNG24:- 2>/dev/null |
    convert - -format '%[fx:mean]' info: 2>/dev/null || echo 0)
  if awk -v m="$mean" 'BEGIN { exit !(m > 0.002) }'; then
    first=$(now)
    break
  fi
  sleep 0.02
done
[[ -n $first ]] || { echo "no live frame within the wait" >&2; exit 1; }
startup=$(awk -v a="$start" -v b="$first" 'BEGIN { printf "%.2f", b - a }')

# The live picture alone, before surveillance: the renderer's share of the figure below.
sleep 1
live_before=$(ticks "$app")
sleep "$seconds"
live_after=$(ticks "$app")

# Surveillance at rate 9: open the panel, turn the rate list to its last entry, start.
xdotool mousemove 215 285 click 1
sleep 0.3
xdotool mousemove 100 390 click 5 click 5 click 5 click 5
sleep 0.2
xdotool mousemove 165 285 click 1
xdotool mousemove 60 300
sleep 1
before=$(ticks "$app")
sleep "$seconds"
after=$(ticks "$app")
images=$(find "$work/CCTV_Image" -name '*.jpg' ! -path '*EmailSendJpg*' | wc -l)
kill "$app"

# The bare pipeline: the virtual camera's source, format and conversion, nothing of ours.
gst-launch-1.0 -q videotestsrc is-live=true pattern=ball ! \
  video/x-raw,format=YUY2,width=320,height=240 ! videobalance ! videoconvertscale ! \
  video/x-raw,format=BGR ! fakesink sync=true >/dev/null 2>&1 &
bare=$!
pids+=($bare)
sleep 1
bare_before=$(ticks "$bare")
sleep "$seconds"
bare_after=$(ticks "$bare")
kill "$bare"

awk -v s="$seconds" -v hz="$hz" -v a=$((after - before)) -v b=$((bare_after - bare_before)) \
  -v up="$startup" -v n="$images" -v l=$((live_after - live_before)) 'BEGIN {
    cctv = a / hz / s * 100; plain = b / hz / s * 100
    printf "start-up to first live frame: %s s\n", up
    printf "TavoCCTV, live picture only, %d s: %.1f %% of one core\n", s, l / hz / s * 100
    printf "TavoCCTV, surveillance at rate 9, %d s: %.1f %% of one core (%d images recorded)\n", s, cctv, n
    printf "bare GStreamer pipeline, same source: %.1f %% of one core\n", plain
    if (plain > 0) printf "ratio: %.2fx (goal <= 1.5x)\n", cctv / plain
  }'
