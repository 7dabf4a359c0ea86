#!/usr/bin/env bash
# End to end: the configuration dialog of the staged TavoPreview on its own Xvfb with the virtual
# camera. The configuration button opens the dialog under the bar; dragging the brightness slider
# to its right end brightens the live picture and stores "Bright" alone; after a restart the
# picture comes up as bright again and the dialog shows the stored value. With --shots DIR the
# bar and its dialog are also photographed in Korean, English and Japanese into DIR.
# Usage: preview_config_e2e.sh PROGRAM_FOLDER SETTINGS_TOOL [--shots DIR]
set -euo pipefail

program=$(cd "${1:?program folder}" && pwd)
settings_tool=${2:?settings tool}
shots=""
[[ ${3:-} == --shots ]] && shots=${4:?shot folder}
camera=${TAVO_VIRTUAL_CAMERA:-1}
work=$(mktemp -d /tmp/tavo-config-e2e-XXXXXX)
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

folder=$work/program
mkdir -p "$folder" "$work/runtime"
chmod 700 "$work/runtime"
for entry in "$program"/Image* "$program"/TavoPreviewHelp*.html; do ln -s "$entry" "$folder/"; done

source "$(dirname "$0")/xdisplay.sh"
start_xvfb 141 190
export TAVO_REGISTRY=$work/settings.sqlite
key='Software\Kolbrant\TavoPreview_Info'

# Starts the program in language $1 (a LANG value) and finds its bar.
start() {
  (cd "$work" && TAVO_VIRTUAL_CAMERA=$camera LANG=$1 LC_ALL= XDG_RUNTIME_DIR="$work/runtime" \
    exec "$program/TavoPreview" "$folder") >"$work/app.log" 2>&1 &
  app_pid=$!
  timeout 15 xdotool search --sync --name '^TavoPreview 2.0$' >/dev/null || fail "window did not open"
  bar=$(xdotool search --name '^TavoPreview 2.0$' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$bar")"
  bar_x=$X
  bar_y=$Y
  video="320x240+$((bar_x + 6))+$((bar_y - 276 + 20))"
}
# Ends it with the bar's exit button.
stop() {
  xdotool mousemove $((bar_x + 60)) $((bar_y + 30)) sleep 0.2 \
    mousemove $((bar_x + 322)) $((bar_y + 10)) sleep 0.2 click 1
  for _ in $(seq 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$app_pid" 2>/dev/null && fail "program did not exit"
  wait "$app_pid" || fail "program exited with status $?"
  app_pid=""
}
# The mean level (0..1) of the live picture, once it moves.
level() {
  local mean=0
  for _ in $(seq 40); do
    import -window root -crop "$video" +repage PNG24:"$work/p.png" 2>/dev/null || true
    mean=$(convert "$work/p.png" -format '%[fx:mean]' info: 2>/dev/null || echo 0)
    awk -v m="$mean" 'BEGIN { exit !(m > 0.002) }' && break
    sleep 0.25
  done
  echo "$mean"
}
# Presses the configuration button and waits for the dialog to stand under the bar.
open_dialog() {
  xdotool mousemove $((bar_x + 215)) $((bar_y + 25)) sleep 0.2 click 1 sleep 0.8
  dialog="332x115+$bar_x+$((bar_y + 63))"
}
stored() { "$settings_tool" get "$key" "$1" 2>/dev/null || echo missing; }
# The dialog's row of brightness: slider 195,25 96 x 20, label 293,28 21 x 12.
label_shot() {
  import -window root -crop "21x12+$((bar_x + 293))+$((bar_y + 63 + 28))" +repage "$1" 2>/dev/null
}

if [[ -n $shots ]]; then
  mkdir -p "$shots"
  for lang in ko_KR.UTF-8 en_US.UTF-8 ja_JP.UTF-8; do
    start "$lang"
    level >/dev/null
    open_dialog
    import -window root -crop "332x454+$bar_x+$((bar_y - 276))" +repage \
      "$shots/config_${lang%%_*}.png" 2>/dev/null || fail "no screenshot"
    stop
  done
  rm -f "$TAVO_REGISTRY"
fi

start en_US.UTF-8
before=$(level)
[[ $(stored Bright) != missing ]] || fail "the first run stored no Bright"
saturation=$(stored Saturation)
open_dialog
label_shot "$work/label0.png"
# Drag the thumb from the middle of the channel (the camera's default) to its right end.
sx=$((bar_x + 195))
sy=$((bar_y + 63 + 25 + 10))
xdotool mousemove $((sx + 48)) "$sy" sleep 0.2 mousedown 1 sleep 0.2 \
  mousemove $((sx + 70)) "$sy" sleep 0.2 mousemove $((sx + 100)) "$sy" sleep 0.2 mouseup 1
sleep 1
after=$(level)
awk -v a="$after" -v b="$before" 'BEGIN { exit !(a > b + 0.05) }' ||
  fail "the picture did not brighten (mean $before, then $after)"
bright=$(stored Bright)
[[ $bright != missing && $bright != 0 ]] || fail "Bright not stored ($bright)"
[[ $(stored Saturation) == "$saturation" ]] || fail "Saturation changed with the brightness"
label_shot "$work/label1.png"
[[ $(compare -metric AE "$work/label0.png" "$work/label1.png" null: 2>&1 || true) != 0 ]] ||
  fail "the brightness label did not change"
stop

# The next start brings the stored brightness back, on the camera and in the dialog.
start en_US.UTF-8
again=$(level)
awk -v a="$again" -v b="$before" 'BEGIN { exit !(a > b + 0.05) }' ||
  fail "the stored brightness was not restored (mean $before at first, $again now)"
[[ $(stored Bright) == "$bright" ]] || fail "Bright changed by the restart"
open_dialog
label_shot "$work/label2.png"
[[ $(compare -metric AE "$work/label1.png" "$work/label2.png" null: 2>&1 || true) == 0 ]] ||
  fail "the dialog does not show the stored brightness"
stop
echo "PASS: a brightness move changes the picture and is stored alone; a restart restores it"
