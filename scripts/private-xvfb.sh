# shellcheck shell=bash
# Sourced by scripts that need an X display of their own (the Windows
# program under Wine, the accessibility test): a virtual display (Xvfb,
# 1280 x 1024 or the size given, at depth 24), the first free one.
#
#   start_private_xvfb DIR [WIDTHxHEIGHT]
#
# starts the server, writing its display number to DIR/display, waits (up
# to 10 s) for the whole number and for the display's socket, exports
# DISPLAY for it and leaves the server's process id in $xvfb for the caller
# to end. Returns 1, with a message, if the server exits or is not ready in
# time. WINEPREFIX is unset, so that scripts/with-wine then boots a fresh
# prefix on this display: Wine binds a prefix to the display its desktop
# started on.
start_private_xvfb() {
  local dir=$1 size=${2:-1280x1024}
  exec 3>"$dir/display"
  # -noreset: a server resets when its last client leaves, and a client that
  # connects for a moment (the AT-SPI bus launcher) would then reset it just
  # as the next one connects, which then finds no display.
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
  # shellcheck disable=SC2034 # the caller ends the server
  xvfb=$!
  exec 3>&-
  # The number is whole once its line ends; clients can connect once the
  # display's socket exists (before that a client finds no display).
  local n=""
  for _ in $(seq 100); do
    if [ -z "$n" ] && [ "$(wc -l <"$dir/display")" -ge 1 ]; then
      n=$(head -n 1 "$dir/display")
    fi
    [ -n "$n" ] && [ -S "/tmp/.X11-unix/X$n" ] && break
    if ! kill -0 "$xvfb" 2>/dev/null; then
      echo "start_private_xvfb: Xvfb exited before its display was ready" >&2
      return 1
    fi
    sleep 0.1
  done
  if [ -z "$n" ] || [ ! -S "/tmp/.X11-unix/X$n" ]; then
    echo "start_private_xvfb: Xvfb's display was not ready within 10 s" >&2
    kill "$xvfb" 2>/dev/null || true
    return 1
  fi
  DISPLAY=":$n"
  export DISPLAY
  unset WINEPREFIX
}
