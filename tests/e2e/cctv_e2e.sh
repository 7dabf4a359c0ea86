#!/usr/bin/env bash
# End to end: the staged TavoCCTV on its own Xvfb with the virtual camera. Start surveillance with
# a click, see JPEG images appear in the run folder, stop, exit with the exit button.
# Usage: cctv_e2e.sh PROGRAM_FOLDER
set -euo pipefail

program=$(cd "${1:?program folder}" && pwd)
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

display=""
for n in $(seq 91 140); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X$n ]] && break
    sleep 0.1
  done
  if [[ -e /tmp/.X11-unix/X$n ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
    display=":$n"
    break
  fi
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[[ -n $display ]] || fail "no free X display"
export DISPLAY=$display

mkdir -p "$work/runtime"
(cd "$work" && TAVO_VIRTUAL_CAMERA=1 TAVO_REGISTRY="$work/settings.sqlite" LANG=en_US.UTF-8 \
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

xdotool mousemove 165 285 click 1 # stop
sleep 0.5
stopped=$(count)
sleep 1
(($(count) == stopped)) || fail "images still appear after stop"

xdotool mousemove 60 300 mousemove 322 271 click 1 # exit
for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "program did not exit"
wait "$app_pid" || fail "program exited with status $?"
app_pid=""
echo "PASS: $stopped images recorded"
