#!/usr/bin/env bash
# End to end: the staged snaplauncher against the staged TavoPreview on its own Xvfb with the
# virtual camera. No settings key: the install box, nothing started; a key without TavoPath:
# silence; a TavoPath that names no file: "File not found."; ten launchers at once with no
# TavoPreview: one TavoPreview, no "already running" box; with it running (minimised too) the
# press reaches it and nothing more starts; a stopped TavoPreview: the launcher gives up.
# Usage: launcher_e2e.sh PROGRAM_FOLDER
set -euo pipefail

program=$(cd "${1:?program folder}" && pwd)
work=$(mktemp -d /tmp/tavo-launcher-e2e-XXXXXX)
xvfb_pid=""
cleanup() {
  for pid in $(pgrep -f "^$program/TavoPreview" || true); do
    if [[ $(readlink "/proc/$pid/cwd" 2>/dev/null) == "$work"* ]]; then
      kill -CONT "$pid" 2>/dev/null
      kill "$pid" 2>/dev/null
    fi
  done
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

folder=$work/program
mkdir -p "$folder" "$work/runtime"
chmod 700 "$work/runtime"
for entry in "$program"/Image* "$program"/TavoPreviewHelp*.html; do ln -s "$entry" "$folder/"; done

source "$(dirname "$0")/xdisplay.sh"
start_xvfb 141 190
export TAVO_VIRTUAL_CAMERA=${TAVO_VIRTUAL_CAMERA:-1} TAVO_REGISTRY=$work/settings.sqlite
export XDG_RUNTIME_DIR=$work/runtime LANG=en_US.UTF-8 LC_ALL=
key='Software\Kolbrant\TavoPreview_Info'
settings() { "$program/tavo-settings" "$@" >/dev/null; }
previews() { pgrep -f "^$program/TavoPreview" | wc -l; }
boxes() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }

# A launcher that must show its box: the box appears, OK ends the launcher.
launcher_with_box() {
  "$program/snaplauncher" &
  local pid=$!
  local box
  box=$(timeout 10 xdotool search --sync --onlyvisible --name '^snaplauncher$' | head -1) ||
    fail "$1: no box"
  xdotool windowfocus --sync "$box" key Return
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "$1: the launcher did not end after its box"
  wait "$pid" || true
  (($(boxes snaplauncher) == 0)) || fail "$1: more than one box"
}

launcher_with_box "no key"
(($(previews) == 0)) || fail "no key: something was started"

settings set "$key" TavoPathParam --text "$folder"
timeout 10 "$program/snaplauncher" || true
(($(boxes snaplauncher) == 0)) || fail "no TavoPath: a box was shown"
(($(previews) == 0)) || fail "no TavoPath: something was started"

settings set "$key" TavoPath --text "$work/missing/TavoPreview"
launcher_with_box "TavoPath names no file"

# Ten presses at once: the first launcher starts TavoPreview, the others wait for it and press.
settings set "$key" TavoPath --text "$program/TavoPreview"
pids=()
for _ in $(seq 10); do
  TAVO_LAUNCHER_TIMEOUT_MS=20000 "$program/snaplauncher" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || fail "a launcher of ten did not hand on its press"; done
timeout 15 xdotool search --sync --name '^TavoPreview 2.0$' >/dev/null || fail "TavoPreview did not open"
(($(previews) == 1)) || fail "$(previews) TavoPreview programs run after ten presses"
(($(boxes TavoPreview) == 0)) || fail "a TavoPreview showed its already-running box"
# Nine presses: the dialog opened, then snapshots.
for _ in $(seq 50); do [[ -s $folder/Temp/SnapShot1.jpg ]] && break; sleep 0.1; done
[[ -s $folder/Temp/SnapShot1.jpg ]] || fail "the presses took no snapshot"

# Minimised, it still gets the press, and nothing more starts.
bar=$(xdotool search --name '^TavoPreview 2.0$' | head -1)
xdotool windowminimize "$bar" || true
before=$(find "$folder/Temp" -name 'SnapShot*' | wc -l)
timeout 10 "$program/snaplauncher" || fail "the press to the running TavoPreview was not handled"
for _ in $(seq 50); do (($(find "$folder/Temp" -name 'SnapShot*' | wc -l) > before)) && break; sleep 0.1; done
(($(find "$folder/Temp" -name 'SnapShot*' | wc -l) > before)) || fail "the press took no snapshot"
(($(previews) == 1)) || fail "a second TavoPreview was started"

# Stopped, it answers nobody: the launcher ends after its bound and starts nothing.
preview_pid=$(pgrep -f "^$program/TavoPreview" | head -1)
kill -STOP "$preview_pid"
status=0
TAVO_LAUNCHER_TIMEOUT_MS=3000 timeout 20 "$program/snaplauncher" || status=$?
kill -CONT "$preview_pid"
((status == 1)) || fail "the launcher against a stopped TavoPreview ended with $status"
(($(previews) == 1)) || fail "a second TavoPreview was started beside the stopped one"
kill "$preview_pid"
echo "PASS: install box, silence, File not found., one TavoPreview for ten presses, press when minimised, bound on a stopped TavoPreview"
