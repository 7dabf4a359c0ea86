#!/usr/bin/env bash
# End to end: the staged TavoPreview on its own Xvfb with the virtual camera. It starts with the
# live picture moving in the preview window; a press through the press socket (as snaplauncher
# sends them) opens the snapshot dialog, which takes Temp/SnapShot1.jpg, a 320 x 240 JPEG, and a
# second press takes another; a second instance is refused with a box and ends, the first running
# on. In the dialog: two more snapshots from its Snap button, a scroll with the arrow key, a
# delete, a double click that opens the viewer, and a copy saved from it, a new JPEG of the
# picture. The exit button ends the program and leaves no SnapShot file.
# Usage: preview_e2e.sh PROGRAM_FOLDER
set -euo pipefail

program=$(cd "${1:?program folder}" && pwd)
camera=${TAVO_VIRTUAL_CAMERA:-1}
work=$(mktemp -d /tmp/tavo-preview-e2e-XXXXXX)
xvfb_pid=""
app_pid=""
second_pid=""
cleanup() {
  [[ -n $second_pid ]] && kill "$second_pid" 2>/dev/null || true
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

# The program folder is the first argument: skins and help pages beside a fresh Temp folder.
folder=$work/program
mkdir -p "$folder" "$work/runtime"
chmod 700 "$work/runtime"
for entry in "$program"/Image* "$program"/TavoPreviewHelp*.html; do ln -s "$entry" "$folder/"; done

source "$(dirname "$0")/xdisplay.sh"
start_xvfb 91 140

run() {
  (cd "$work" && TAVO_VIRTUAL_CAMERA=$camera TAVO_REGISTRY="$work/settings.sqlite" \
    LANG=en_US.UTF-8 LC_ALL= XDG_RUNTIME_DIR="$work/runtime" exec "$program/TavoPreview" "$folder")
}
run >"$work/app.log" 2>&1 &
app_pid=$!

timeout 15 xdotool search --sync --name '^TavoPreview 2.0$' >/dev/null || fail "window did not open"
bar=$(xdotool search --name '^TavoPreview 2.0$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$bar")"
bar_x=$X
bar_y=$Y

# The live picture: the 320 x 240 video control 6,20 inside the preview window standing on the bar.
video="320x240+$((bar_x + 6))+$((bar_y - 276 + 20))"
picture() { import -window root -crop "$video" +repage PNG24:"$1" 2>/dev/null; }
moving=false
for _ in $(seq 50); do
  picture "$work/a.png"
  sleep 0.3
  picture "$work/b.png"
  mean=$(convert "$work/b.png" -format '%[fx:mean]' info: 2>/dev/null || echo 0)
  diff=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
  if awk -v m="$mean" -v d="${diff%% *}" 'BEGIN { exit !(m > 0.002 && d > 100) }'; then
    moving=true
    break
  fi
done
$moving || fail "no moving picture in the preview window (mean $mean, $diff pixels changed)"

# Presses as snaplauncher sends them: connect, send nothing, wait for the one-byte answer.
socket="$work/runtime/TavoPreview 2.0"
press() {
  /usr/bin/python3 - "$socket" <<'PY' || fail "press not answered"
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
s.settimeout(10)
s.connect(sys.argv[1])
s.sendall(b'\0')  # one byte is the press; a bare connect is only a probe
sys.exit(0 if s.recv(1) else 1)
PY
}
waitfile() {
  for _ in $(seq 50); do
    [[ -s $1 ]] && return 0
    sleep 0.1
  done
  return 1
}
press # opens the snapshot dialog, which takes a snapshot
snapshot=$folder/Temp/SnapShot1.jpg
waitfile "$snapshot" || fail "no $snapshot after the press that opened the dialog"
press # takes a snapshot
waitfile "$folder/Temp/SnapShot2.jpg" || fail "no SnapShot2.jpg after the second press"
[[ $(od -An -tx1 -N3 "$snapshot" | tr -d ' ') == ffd8ff ]] || fail "$snapshot is not a JPEG"
size=$(identify -format '%w x %h' "$snapshot") || fail "$snapshot does not decode"
[[ $size == "320 x 240" ]] || fail "$snapshot is $size, not 320 x 240"

# A second instance: refused with a box (the program's name as its title) and ends once it is
# dismissed; the first one runs on.
run >"$work/second.log" 2>&1 &
second_pid=$!
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^TavoPreview$' | head -1) ||
  fail "the second instance showed no box"
kill -0 "$second_pid" 2>/dev/null || fail "the second instance ended before its box was dismissed"
eval "$(xdotool getwindowgeometry --shell "$box")"
xdotool windowfocus --sync "$box" key Return # its OK button
for _ in $(seq 50); do
  kill -0 "$second_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$second_pid" 2>/dev/null && fail "the second instance did not end"
second_status=0
wait "$second_pid" || second_status=$?
second_pid=""
((second_status == 1)) || fail "the second instance ended with status $second_status"
(($(xdotool search --name '^TavoPreview 2.0$' | wc -l) == 1)) || fail "a second bar opened"
kill -0 "$app_pid" 2>/dev/null || fail "the first instance ended"
press # the first still answers: a third snapshot
waitfile "$folder/Temp/SnapShot3.jpg" || fail "the first instance took no snapshot after the refusal"

# The snapshot dialog hangs under the bar.
dialog_x=$bar_x
dialog_y=$((bar_y + 63))
at() { echo $((dialog_x + $1)) $((dialog_y + $2)); }
strip() { import -window root -crop "320x60+$((dialog_x + 6))+$((dialog_y + 20))" +repage PNG24:"$1" 2>/dev/null; }
for n in 4 5; do
  xdotool mousemove $(at 80 105) sleep 0.2 click 1 # Snap
  waitfile "$folder/Temp/SnapShot$n.jpg" || fail "the Snap button took no SnapShot$n.jpg"
done
sleep 0.3
# Five snapshots: the strip shows the second to the fifth. A click on the face makes the dialog
# take the keys; the left arrow, with the pointer over the strip, scrolls back to the first.
strip "$work/strip-before.png"
xdotool mousemove $(at 160 8) sleep 0.1 click 1 mousemove $(at 120 40) sleep 0.2 key Left
sleep 0.3
strip "$work/strip-after.png"
# Scrolled by one: the second slot shows what the first showed (SnapShot2, grey), and the strip
# is not what it was.
slot() { convert "$1" -crop "79x60+$((80 * $2))+0" +repage PNG24:"$3"; }
slot "$work/strip-before.png" 0 "$work/before-1.png"
slot "$work/strip-after.png" 1 "$work/after-2.png"
moved=$(compare -metric AE "$work/before-1.png" "$work/after-2.png" null: 2>&1 || true)
changed=$(compare -metric AE "$work/strip-before.png" "$work/strip-after.png" null: 2>&1 || true)
((${moved%% *} == 0 && ${changed%% *} > 0)) ||
  fail "the left arrow did not scroll the strip by one ($moved, $changed pixels differ)"
# The second slot now holds SnapShot2: select it and delete it.
xdotool mousemove $(at 120 40) sleep 0.1 click 1 sleep 0.2 mousemove $(at 260 105) sleep 0.2 click 1
for _ in $(seq 50); do
  [[ -e $folder/Temp/SnapShot2.jpg ]] || break
  sleep 0.1
done
[[ -e $folder/Temp/SnapShot2.jpg ]] && fail "Delete left SnapShot2.jpg"
for n in 1 3 4 5; do [[ -s $folder/Temp/SnapShot$n.jpg ]] || fail "Delete took SnapShot$n.jpg too"; done

# A double click on the first slot opens the viewer at the screen's corner with SnapShot1; its
# Save button asks for a name.
xdotool mousemove $(at 40 40) sleep 0.2 click --repeat 2 --delay 80 1
sleep 0.5
xdotool mousemove 238 253 sleep 0.2 click 1
save=$(timeout 10 xdotool search --sync --onlyvisible --name '^Save' | head -1) ||
  fail "the viewer's Save showed no file dialog"
# The dialog opens in the working folder; a bare name keeps its completer from popping up.
copy=$work/copy.jpg
xdotool windowfocus --sync "$save" key ctrl+a type --delay 20 copy.jpg
xdotool sleep 0.3 key Return
waitfile "$copy" || fail "no $copy saved from the viewer"
[[ $(od -An -tx1 -N3 "$copy" | tr -d ' ') == ffd8ff ]] || fail "$copy is not a JPEG"
size=$(identify -format '%w x %h' "$copy") || fail "$copy does not decode"
[[ $size == "320 x 240" ]] || fail "$copy is $size, not 320 x 240"
cmp -s "$copy" "$snapshot" && fail "$copy is a byte copy of $snapshot, not a new encoding"
rmse=$(compare -metric RMSE "$copy" "$snapshot" null: 2>&1 | sed 's/.*(\(.*\))/\1/' || true)
awk -v e="$rmse" 'BEGIN { exit !(e < 0.03) }' || fail "$copy is not the picture of $snapshot (RMSE $rmse)"

# The exit button (317..327 / 6..16) ends the program and its snapshots.
xdotool mousemove $((bar_x + 60)) $((bar_y + 30)) sleep 0.2 mousemove $((bar_x + 322)) $((bar_y + 10)) sleep 0.2 click 1
for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "program did not exit"
wait "$app_pid" || fail "program exited with status $?"
app_pid=""
left=$(find "$folder/Temp" -name 'SnapShot*' | wc -l)
((left == 0)) || fail "$left SnapShot files left in Temp"
echo "PASS: live picture, snapshots through the press socket and the dialog, second instance refused, scroll, delete, viewer copy, clean exit"
