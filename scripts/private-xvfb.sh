# shellcheck shell=bash
# Sourced by scripts that drive the Windows program under Wine: a virtual X
# display of their own (Xvfb, 1280 x 1024 or the size given, at depth 24),
# the first free one.
#
#   start_private_xvfb DIR [WIDTHxHEIGHT]
#
# starts the server, writing its display number to DIR/display, waits (up
# to 10 s) for the number, exports DISPLAY for it and leaves the server's
# process id in $xvfb for the caller to end. WINEPREFIX is unset, so that
# scripts/with-wine then boots a fresh prefix on this display: Wine binds a
# prefix to the display its desktop started on.
start_private_xvfb() {
  local dir=$1 size=${2:-1280x1024}
  exec 3>"$dir/display"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
  # shellcheck disable=SC2034 # the caller ends the server
  xvfb=$!
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  DISPLAY=":$(cat "$dir/display")"
  export DISPLAY
  unset WINEPREFIX
}
