# Sourced by the end-to-end scripts: a private Xvfb on the first free display of a range.
# start_xvfb FIRST LAST: starts it, sets xvfb_pid and exports DISPLAY; calls the script's `fail`
# when no display of the range comes up.
start_xvfb() {
  local n
  for n in $(seq "$1" "$2"); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do
      [[ -e /tmp/.X11-unix/X$n ]] && break
      sleep 0.1
    done
    if [[ -e /tmp/.X11-unix/X$n ]] && kill -0 "$xvfb_pid" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  fail "no free X display"
}
