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
#   4. The first dialog has a taskbar button of its own (its owner is still
#      hidden) and comes back at once when minimised.
#   5. While a menu command waits for a long run, the pointer over the view
#      is another cursor (the busy one) and the command has not run; Escape
#      in the view stops the run, the closing line appears, the command then
#      runs and the pointer is the arrow again.
#
# With DPI (e.g. 192) it instead runs the program at that density, set as
# the prefix's LogPixels, on a larger display:
#   1. Wine takes the manifest's per-monitor DPI awareness: the main window
#      reports the density and "per-monitor".
#   2. The view's client area holds the whole chart at that density, and
#      shows the renderer's picture of the default run with every pixel a
#      block of DPI/96 x DPI/96 device pixels.
#   3. The About box draws its icon from the 64-pixel image at 192 DPI,
#      pixel for pixel.
#
# usage: gui_test.sh QUORVEX_EXE RENDER_EXE PROBE_EXE WORK_DIR [DPI]
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
  if [ "${5:-96}" = 96 ]; then
    start_private_xvfb "$work"
  else
    start_private_xvfb "$work" 2560x1600
  fi
  trap 'kill "$xvfb" 2>/dev/null || true' EXIT
  status=0
  "$here/../../../scripts/with-wine" "$0" --in-prefix "$@" || status=$?
  exit "$status"
fi
shift

quorvex=$1 render=$2 probe=$3 work=$4 dpi=${5:-96}
icons=$here/../../../shells/icons
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

# The first visible window whose title matches, waiting up to SECONDS for
# it. xdotool's own --sync gives up on an X error when a window closes
# while it walks the window tree (a dialog closing as the main window
# shows), so each look is a new search, and a failed one is tried again.
find_window() {
  local name=$1 seconds=${2:-30} id
  for _ in $(seq $((seconds * 10))); do
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

start_app() {
  wine "$quorvex" </dev/null >"$work/quorvex.log" 2>&1 &
  app=$!
  local dialog
  dialog=$(find_window "^Enter Values$") ||
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

# Whether part of the view shows any pixel of a colour: has_colour NAME R,G,B
has_colour() {
  [ "$(convert "$work/$1.png" -fill black +opaque "rgb($2)" -format '%[max]' info:)" != 0 ]
}

if [ "$dpi" != 96 ]; then
  # Wine reads the density when its server starts.
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -k
  wineserver -w
  scale=$((dpi / 96))

  echo "== $dpi DPI: per-monitor aware, the view filled with the chart in ${scale}x${scale} blocks"
  start_app
  xdotool key Return
  read -r got awareness <<<"$(probe dpi)"
  [ "$got $awareness" = "$dpi per-monitor" ] || fail "the main window reports \"$got $awareness\""
  read -r _ _ w h <<<"$(probe view)"
  [ "$w" -ge $((640 * scale)) ] && [ "$h" -ge $((480 * scale)) ] || fail "the view's client area is only ${w}x${h}"
  wine "$render" --output "$(winepath -w "$work/dpi-render.png")" >/dev/null
  convert "$work/dpi-render.png" -sample "$((100 * scale))%" "$work/dpi-render-scaled.png"
  for _ in $(seq 60); do
    grab dpi-view 0 0 $((640 * scale)) $((480 * scale))
    compare -metric AE "$work/dpi-view.png" "$work/dpi-render-scaled.png" null: 2>/dev/null && break
    sleep 0.5
  done
  compare -metric AE "$work/dpi-view.png" "$work/dpi-render-scaled.png" "$work/dpi-diff.png" ||
    fail "the view differs from the renderer's picture scaled ${scale}x (see $work/dpi-diff.png)"

  echo "== $dpi DPI: the About box's icon comes from the larger image"
  xdotool key alt+h
  sleep 0.5
  xdotool key a
  find_window '^About Quorvex$' 30 >/dev/null || fail "no About box"
  sleep 0.5
  read -r x y w h <<<"$(probe about-icon)"
  size=$((32 * scale))
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "the About icon is ${w}x${h}, not ${size}x${size}"
  import -window root -crop "${size}x${size}+$x+$y" +repage "$work/about-icon.png"
  convert "$icons/quorvex-$size.png" -type TrueColor "$work/about-icon-expected.png"
  compare -metric AE "$work/about-icon.png" "$work/about-icon-expected.png" "$work/about-icon-diff.png" ||
    fail "the About icon is not quorvex-$size.png (see $work/about-icon-diff.png)"
  xdotool key Return
  stop_app
  echo "2 passed, 0 failed"
  exit 0
fi

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
find_window '^Quorvex$' 30 >/dev/null || fail "no message box"
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
find_window '^Quorvex$' 30 >/dev/null || fail "no main window"
sleep 1
grab cancelled
all_black cancelled || fail "the view is not black after Cancel"
stop_app

echo "== the first dialog has a taskbar button and comes back when minimised"
start_app
[ "$(probe taskbar 'Enter Values')" = yes ] || fail "the first dialog has no taskbar button"
[ "$(probe minimise 'Enter Values')" = restored ] || fail "the minimised dialog stayed minimised"
xdotool key Escape
find_window '^Quorvex$' 30 >/dev/null || fail "no main window"
stop_app

# Waits up to about 10 s until the cursor shown is (=) or is not (!=) the
# given one.
wait_for_cursor() {
  local i
  for i in $(seq 20); do
    [ "$(probe cursor)" "$1" "$2" ] && return 0
    sleep 0.25
  done
  return 1
}

echo "== a command waits with the busy cursor; Escape stops the run"
start_app
# 50000 years at a step of 1 day and speed 1: over a minute.
xdotool key Tab Tab
xdotool type 50000
xdotool key Tab
xdotool type 1
xdotool key Tab Home Return
sleep 1
read -r x y _ _ <<<"$(probe view)"
xdotool mousemove $((x + 300)) $((y + 200))
sleep 1
arrow=$(probe cursor)
# Help, then About: it waits for the run, and the pointer turns busy. On a
# loaded machine the menu may open after the "a" was typed, so the two keys
# are tried again until the pointer changes (a command chosen twice still
# waits once).
queued=
for _ in 1 2 3 4; do
  xdotool key alt+h
  sleep 0.5
  xdotool key a
  if wait_for_cursor != "$arrow"; then
    queued=1
    break
  fi
done
[ -n "$queued" ] || fail "the pointer did not change while About waited"
xdotool search --onlyvisible --name '^About Quorvex$' >/dev/null && fail "About opened during the run"
# On a loaded machine the menu may still be closing when the first Escape
# comes, and that Escape closes it instead; a later one reaches the view.
opened=
for _ in 1 2 3 4 5; do
  xdotool key Escape
  if find_window '^About Quorvex$' 4 >/dev/null; then
    opened=1
    break
  fi
done
[ -n "$opened" ] || fail "Escape did not end the run (About never opened)"
wait_for_cursor = "$arrow" || fail "the pointer stayed busy"
xdotool key Return
sleep 0.5
grab stopped 35 435 245 15
has_colour stopped 255,0,0 || fail "no closing line after Escape"
grab stopped-end 600 331 16 130
has_colour stopped-end 255,255,150 && fail "the run was not stopped: the curve reached its end"
stop_app

echo "5 passed, 0 failed"
