# Sourced. start_xvfb [--setsid] GEOMETRY [XVFB-ARGS...] starts a virtual X display of its own and
# waits until it takes clients. Xvfb picks a free display number itself (-displayfd), so runs side
# by side never race for one. Sets DISPLAY and XVFB_PID; non-zero when the server did not come up.
start_xvfb() {
  local launcher="" number=""
  if [ "${1:-}" = --setsid ]; then launcher=setsid; shift; fi
  local geometry=$1
  shift
  coproc CORVANE_XVFB { exec $launcher Xvfb -displayfd 1 -screen 0 "$geometry" -nolisten tcp "$@" 2>/dev/null; }
  XVFB_PID=$CORVANE_XVFB_PID
  # The number is written once the server listens.
  read -r -t 30 number <&"${CORVANE_XVFB[0]}" || true
  if [ -z "$number" ]; then
    kill "$XVFB_PID" 2>/dev/null
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
}
