#!/usr/bin/env bash
# What one recorded picture costs TavoCCTV in instructions, part by part: the program runs under
# callgrind with the virtual camera under its own Xvfb, in surveillance at capture rate 9, and
# only the surveillance window is counted. Instruction counts repeat under load where CPU time
# does not; they leave out the kernel (file creation) and the X server, and valgrind counts a
# "rep movsb" copy byte by byte, so the plain copies weigh more here than in time.
# Usage: bench/cctv_callgrind.sh BUILD_DIR [SECONDS]
set -euo pipefail

build=$(cd "${1:?build dir, e.g. build/dev}" && pwd)
seconds=${2:-30}
program=$build/program
# shellcheck source=cctv_session.sh
source "$(dirname "$0")/cctv_session.sh" 191

(cd "$work" && TAVO_VIRTUAL_CAMERA=1 TAVO_REGISTRY="$work/settings.sqlite" LANG=en_US.UTF-8 \
  XDG_RUNTIME_DIR="$work" exec valgrind --tool=callgrind --instr-atstart=no \
  --callgrind-out-file="$work/callgrind.out" "$program/TavoCCTV") >"$work/valgrind.log" 2>&1 &
app=$!
pids+=($app)
# Under valgrind the window takes a while to come up.
for _ in $(seq 120); do
  xdotool search --name TavoCCTV >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 5

# Surveillance at rate 9, as cctv_bench.sh starts it (slower: every step waits on valgrind).
xdotool mousemove 215 285 click 1
sleep 2
xdotool mousemove 100 390 click 5 click 5 click 5 click 5
sleep 2
xdotool mousemove 165 285 click 1
xdotool mousemove 60 300
sleep 3
recorded() { find "$work/CCTV_Image" -name '*.jpg' ! -path '*EmailSendJpg*' 2>/dev/null | wc -l; }
callgrind_control -i on "$app" >/dev/null 2>&1
before=$(recorded)
sleep "$seconds"
callgrind_control -d surveillance "$app" >/dev/null 2>&1
pictures=$(($(recorded) - before))
kill "$app"
wait "$app" 2>/dev/null || true
[[ $pictures -gt 0 ]] || { echo "nothing recorded" >&2; exit 1; }

# Inclusive instructions of the steps a picture takes, per picture.
dump=$(ls "$work"/callgrind.out.* | head -1)
callgrind_annotate --inclusive=yes --threshold=100 "$dump" 2>/dev/null >"$work/inclusive.txt"
callgrind_annotate --inclusive=yes --threshold=100 --tree=calling "$dump" 2>/dev/null \
  >"$work/tree.txt"
# Inclusive count of the first line naming `pattern` (0 when none does).
count() { grep -m1 -E "$1" "$work/inclusive.txt" | awk '{gsub(",", "", $1); print $1 + 0}' || echo 0; }
# What `caller` spends in the callee named by `pattern`, from the call tree.
callee() {
  awk -v caller="$1" -v pattern="$2" '
    /^ *[0-9,]+ .*\*  / { inside = index($0, caller) > 0; next }
    inside && $0 ~ pattern { gsub(",", "", $1); print $1 + 0; exit }' "$work/tree.txt"
}
printf "%d pictures recorded in %d s under callgrind\n" "$pictures" "$seconds"
show() { awk -v n="$pictures" -v name="$1" -v ir="$2" \
  'BEGIN { printf "  %-52s %10.0f Ir per picture\n", name, ir / n }'; }
show "frame event on the UI thread (OnFrameReady)" "$(count 'CctvController::OnFrameReady')"
show "  JPEG encode (Encode)" "$(count '\(anonymous namespace\)::Encode\(')"
show "  copy out of the grabber buffer (memcpy)" \
  "$(callee 'surveillanceloop.cpp:tavo::cctv::SurveillanceLoop::OnFrameReady' 'memcpy|memmove')"
show "  motion test (CountChangedPixels)" "$(count 'MotionDetector::CountChangedPixels')"
show "  turn and swap (SaveMotionFrame rows)" "$(count 'CopyRowSwapped')"
show "  picture sign (ShowPictureSign)" "$(count 'CctvMainWindow::ShowPictureSign\(\)')"
show "  stamp and path (MakeTimeStamp, ImagePath)" \
  "$(($(count 'RecordingStore::MakeTimeStamp') + $(count 'RecordingStore::ImagePath')))"
show "grabber copy on the streaming thread (BufferCB)" "$(count 'FrameGrabber::BufferCB')"
