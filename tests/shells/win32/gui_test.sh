#!/usr/bin/env bash
# Drives the real quorvex.exe under Wine on a private virtual X display
# (Xvfb, depth 24) and checks what appears on screen:
#
#   1. Enter accepts the first dialog as shown: once the run has ended, the
#      view's client area on screen equals quorvex-render.exe's picture of
#      the default run, made under the same Wine, pixel for pixel (text
#      included, since both draw it with the same GDI font), and the view is
#      black beyond it.
#   2. A malformed step ("12a") gives the "Quorvex" message box with "Please
#      enter an integer." while the dialog stays; after OK the step field has
#      the focus with its whole text selected, so typing 250 replaces it, and
#      Enter starts a run with step 250 that again equals the renderer's.
#   3. Escape cancels the first dialog: the window opens with a black view.
#
# usage: gui_test.sh QUORVEX_EXE RENDER_EXE PROBE_EXE WORK_DIR
# It starts its own Xvfb and then a fresh Wine prefix (scripts/with-wine)
# on that display: Wine binds a prefix to the display its desktop started
# on, so the prefix must be booted with the display already there.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" != --in-prefix ]; then
  work=$4
  mkdir -p "$work"
  rm -f "$work"/*.png "$work/display"
  . "$here/../../../scripts/private-xvfb.sh"
  start_private_xvfb "$work"
  trap 'kill "$xvfb" 2>/dev/null || true' EXIT
  status=0
  "$here/../../../scripts/with-wine" "$0" --in-prefix "$@" || status=$?
  exit "$status"
fi
shift

quorvex=$1 render=$2 probe=$3 work=$4
app=""
trap 'if [ -n "$app" ]; then kill "$app" 2>/dev/null || true; fi' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
# Any other command that fails ends the test; say which.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND exited with $?" >&2' ERR

# Wine's console output ends lines with CRLF.
probe() { wine "$probe" "$@" | tr -d '\r'; }

start_app() {
  wine "$quorvex" </dev/null >"$work/quorvex.log" 2>&1 &
  app=$!
  local dialog
  dialog=$(timeout 30 xdotool search --sync --onlyvisible --name "^Enter Values$" | head -n 1) ||
    fail "the \"Enter Values\" dialog did not open (see $work/quorvex.log)"
  # Keys go to the window with the keyboard focus: wait until the dialog has
  # it, or a loaded machine may type before it does.
  for _ in $(seq 100); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$dialog" ] && return 0
    sleep 0.1
  done
  fail "the \"Enter Values\" dialog never got the keyboard focus"
}

# Closes the main window as its close box does; the program must end.
stop_app() {
  probe close || fail "no main window to close"
  for _ in $(seq 100); do
    if ! kill -0 "$app" 2>/dev/null; then
      wait "$app" || fail "quorvex.exe exited with status $?"
      app=""
      return 0
    fi
    sleep 0.1
  done
  fail "quorvex.exe did not end when its window was closed"
}

# Grabs part of the view's client area from the screen:
# grab NAME [LEFT TOP [WIDTH HEIGHT]], by default all of it.
grab() {
  local rect
  rect=$(probe view) || fail "no plot view"
  set -- "$1" "${2:-0}" "${3:-0}" "${4:-}" "${5:-}" $rect
  local w=${4:-$(($8 - $2))} h=${5:-$(($9 - $3))}
  import -window root -crop "${w}x${h}+$(($6 + $2))+$(($7 + $3))" +repage "$work/$1.png"
}

# Waits until the view shows the renderer's picture: same_as_render NAME RENDER_ARGS...
same_as_render() {
  local name=$1
  shift
  wine "$render" "$@" --output "$(winepath -w "$work/$name-render.png")" >"$work/$name-render.txt"
  for _ in $(seq 60); do
    grab "$name-view" 0 0 640 480
    if compare -metric AE "$work/$name-view.png" "$work/$name-render.png" null: 2>/dev/null; then
      return 0
    fi
    sleep 0.5
  done
  compare -metric AE "$work/$name-view.png" "$work/$name-render.png" "$work/$name-diff.png" || true
  fail "$name: the view differs from quorvex-render's picture (see $work/$name-diff.png)"
}

all_black() {
  [ "$(identify -format '%[max]' "$work/$1.png")" = 0 ]
}

echo "== Enter accepts the default values"
start_app
xdotool key Return
same_as_render default
read -r _ _ w h <<<"$(probe view)"
[ "$w" -ge 640 ] && [ "$h" -ge 480 ] || fail "the view's client area is only ${w}x${h}"
if [ "$w" -gt 640 ]; then
  grab default-right 640 0
  all_black default-right || fail "the view is not black right of the chart's 640 x 480"
fi
if [ "$h" -gt 480 ]; then
  grab default-below 0 480
  all_black default-below || fail "the view is not black below the chart's 640 x 480"
fi
stop_app

echo "== a malformed step: the message box, then the step field selected"
start_app
xdotool key Tab Tab Tab
xdotool type 12a
xdotool key Return
timeout 30 xdotool search --sync --onlyvisible --name '^Quorvex$' >/dev/null || fail "no message box"
message=$(probe message Quorvex) || fail "no message box captioned \"Quorvex\""
[ "$message" = "Please enter an integer." ] || fail "message box says \"$message\""
xdotool key Return
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Quorvex$' >/dev/null || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Enter Values$' >/dev/null || fail "the dialog did not stay open"
xdotool type 250
xdotool key Return
same_as_render step250 --step 250
stop_app

echo "== Escape cancels the first dialog: a black view"
start_app
xdotool key Escape
timeout 30 xdotool search --sync --onlyvisible --name '^Quorvex$' >/dev/null || fail "no main window"
sleep 1
grab cancelled
all_black cancelled || fail "the view is not black after Cancel"
stop_app

echo "3 passed, 0 failed"
