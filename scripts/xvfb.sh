# Sourced by the run scripts: starts an Xvfb on a free display unless DISPLAY is
# set already, exports DISPLAY, and stops only the server it started on exit.
if [[ -z ${DISPLAY:-} ]]; then
  qrn_fifo=$(mktemp -u /tmp/qrn-xvfb.XXXXXX)
  mkfifo "$qrn_fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -r 3>"$qrn_fifo" >/dev/null 2>&1 &
  qrn_xvfb_pid=$!
  read -r -t 20 qrn_display <"$qrn_fifo" || qrn_display=""
  rm -f "$qrn_fifo"
  if [[ -z $qrn_display ]]; then
    echo "xvfb: could not start a virtual display" >&2
    kill "$qrn_xvfb_pid" 2>/dev/null
  else
    export DISPLAY=":$qrn_display"
    trap 'kill "$qrn_xvfb_pid" 2>/dev/null' EXIT
  fi
fi
