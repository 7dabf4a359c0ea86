# Sourced by the TavoCCTV benchmark scripts: a scratch program folder that links the staged skins
# and help pages, and an Xvfb of its own on the first free display from $1 on. Sets `work`,
# `pids` (killed on exit, with the scratch folder removed) and DISPLAY.
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
for n in $(seq "$1" $(($1 + 49))); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
  [[ -e /tmp/.X11-unix/X$n ]] && display=":$n" && break
done
[[ -n $display ]] || { echo "no free X display" >&2; exit 1; }
export DISPLAY=$display
