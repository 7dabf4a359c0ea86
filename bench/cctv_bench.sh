#!/usr/bin/env bash
# TavoCCTV's costs with the virtual camera under its own Xvfb:
#  - start-up time from launch to the first live frame on screen;
#  - CPU share of the program in surveillance at capture rate 9 over 20 s (images recorded too),
#    against a fair floor measured at the same time: bench/cctv_floor, the same source painted into
#    the Video Renderer, with the suite's encoder writing as many pictures a second as TavoCCTV
#    records; and what one recorded picture costs in each, beyond painting the live picture;
#  - beside both, a bare GStreamer pipeline of the same source and conversion.
# On a shared machine run it twice and compare.
# Usage: bench/cctv_bench.sh BUILD_DIR [SECONDS]
set -euo pipefail

build=$(cd "${1:?build dir, e.g. build/ci}" && pwd)
seconds=${2:-20}
program=$build/program
floor=$build/bench/cctv_floor
[[ -x $floor ]] || { echo "build the cctv_floor target first" >&2; exit 1; }
# shellcheck source=cctv_session.sh
source "$(dirname "$0")/cctv_session.sh" 141

# CPU time of a process so far, in nanoseconds: the sum over its threads (all of them live as long
# as the process here), finer than the 10 ms ticks of /proc/PID/stat.
ticks() {
  local total=0 ns _
  for f in /proc/"$1"/task/*/schedstat; do
    read -r ns _ <"$f" && total=$((total + ns))
  done
  echo "$total"
}
hz=1000000000
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

# The floor runs beside TavoCCTV from here on, in a window out of its way, so that both meet the
# same load on a shared machine: painting only at first, then writing pictures at the capture
# rate's frame rate (900 / 100 ms at rate 9), which TavoCCTV reaches when every frame moves.
rate=10
mkdir "$work/floor"
XDG_RUNTIME_DIR="$work" "$floor" "$work/floor" "$rate" >"$work/floor.log" 2>&1 &
fl=$!
pids+=($fl)

# The live picture alone, before surveillance: the renderer's share of the figure below.
sleep 1
live_before=$(ticks "$app")
floor_live_before=$(ticks "$fl")
sleep "$seconds"
live_after=$(ticks "$app")
floor_live_after=$(ticks "$fl")

# Surveillance at rate 9: open the panel, turn the rate list to its last entry, start.
xdotool mousemove 215 285 click 1
sleep 0.3
xdotool mousemove 100 390 click 5 click 5 click 5 click 5
sleep 0.2
xdotool mousemove 165 285 click 1
xdotool mousemove 60 300
kill -USR1 "$fl"
sleep 1
recorded() { find "$work/CCTV_Image" -name '*.jpg' ! -path '*EmailSendJpg*' | wc -l; }
written() { find "$work/floor" -name '*.jpg' | wc -l; }
images_before=$(recorded)
pictures_before=$(written)
before=$(ticks "$app")
floor_before=$(ticks "$fl")
sleep "$seconds"
after=$(ticks "$app")
floor_after=$(ticks "$fl")
images=$(($(recorded) - images_before))
pictures=$(($(written) - pictures_before))
kill "$app" "$fl"
[[ $images -gt 0 ]] || { echo "TavoCCTV recorded nothing" >&2; exit 1; }

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
  -v up="$startup" -v n="$images" -v l=$((live_after - live_before)) \
  -v f=$((floor_after - floor_before)) -v fl=$((floor_live_after - floor_live_before)) \
  -v m="$pictures" 'BEGIN {
    cctv = a / hz / s * 100; plain = b / hz / s * 100; flr = f / hz / s * 100
    printf "start-up to first live frame: %s s\n", up
    printf "TavoCCTV, live picture only, %d s: %.1f %% of one core\n", s, l / hz / s * 100
    printf "TavoCCTV, surveillance at rate 9, %d s: %.1f %% of one core (%d images recorded)\n", s, cctv, n
    printf "floor, painting only: %.1f %% of one core\n", fl / hz / s * 100
    printf "floor, painting and %.2f pictures/s: %.1f %% of one core (%d pictures written)\n", m / s, flr, m
    printf "bare GStreamer pipeline, same source: %.1f %% of one core\n", plain
    # What one picture adds to painting the live picture, in each program.
    if (m > 0) printf "per recorded picture: TavoCCTV %.2f ms, floor %.2f ms, above the floor %.2f ms\n",
      (a - l) / hz / n * 1000, (f - fl) / hz / m * 1000, ((a - l) / n - (f - fl) / m) / hz * 1000
    if (flr > 0) printf "ratio to the floor: %.2fx (goal <= 1.2x)\n", cctv / flr
    if (plain > 0) printf "ratio to the bare pipeline: %.2fx\n", cctv / plain
  }'
