#!/usr/bin/env bash
# Times whole runs in the Windows program against quorvex-render.exe under
# the same Wine, on a private virtual display (Xvfb) in a fresh prefix:
#
#   bench/windows/window_vs_render.sh [REPEATS]     (default 5)
#
# For the default run and the longest run (50000 years, step 1) it prints
# the window's times from Enter on "Enter Values", and from the chart's
# appearance, to the closing line on screen (closing_line_wait.py), and the
# renderer's wall time with the window's pauses (--paced) and that of a run
# without steps (--years 1 --step 250: Wine's start and the PNG's writing),
# each with minimum and median; the run's time in the renderer is the
# difference. Needs the windows build (cmake --build --preset windows) and
# python3.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/windows
repeats=${1:-5}

if [ "${QUORVEX_BENCH_INSIDE:-}" != 1 ]; then
  work=$(mktemp -d /tmp/quorvex-bench.XXXXXX)
  . scripts/private-xvfb.sh
  start_private_xvfb "$work"
  trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
  export QUORVEX_BENCH_INSIDE=1 QUORVEX_BENCH_WORK=$work
  status=0
  scripts/with-wine "$0" "$@" || status=$?
  exit "$status"
fi

work=$QUORVEX_BENCH_WORK
out=$(winepath -w "$work/out.png")
seconds() { python3 -c 'import time,sys; print("%.3f" % time.monotonic())'; }

render_time() {
  local t0 t1
  rm -f "$work/out.png"
  t0=$(seconds)
  wine $build/tools/render/quorvex-render.exe "$@" --output "$out" >/dev/null
  t1=$(seconds)
  python3 -c "print('%.3f' % ($t1 - $t0))"
}

window_time() {
  # window_time DURATION STEP: types the two numbers, then Enter.
  wine $build/shells/win32/quorvex.exe </dev/null >/dev/null 2>&1 &
  local app=$!
  xdotool search --sync --onlyvisible --name '^Enter Values$' >/dev/null
  xdotool key Tab Tab
  xdotool type "$1"
  xdotool key Tab
  xdotool type "$2"
  local rect
  rect=$(wine $build/tests/shells/win32/gui_probe.exe view | tr -d '\r')
  set -- $rect
  python3 bench/windows/closing_line_wait.py "$1" "$2" 300
  wine $build/tests/shells/win32/gui_probe.exe close
  wait "$app" 2>/dev/null || true
}

stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "min %.3f median %.3f", v[1], v[int((NR + 1) / 2)] }'; }
lowest() { printf '%s\n' "$@" | sort -n | head -1; }

for run in "35000 50" "50000 1"; do
  set -- $run
  echo "== duration $1 years, step $2 days"
  wins=() runs=() fulls=() bases=()
  for _ in $(seq "$repeats"); do
    bases+=("$(render_time --years 1 --step 250)")
    fulls+=("$(render_time --paced --years "$1" --step "$2")")
    read -r win inwin <<<"$(window_time "$1" "$2")"
    wins+=("$win") runs+=("$inwin")
    echo "window: Enter to closing line ${wins[-1]} s, chart to closing line ${runs[-1]} s;" \
      "render --paced ${fulls[-1]} s, no-step run ${bases[-1]} s"
  done
  echo "window, Enter to closing line:  $(stats "${wins[@]}")"
  echo "window, chart to closing line:  $(stats "${runs[@]}")"
  echo "render --paced:                 $(stats "${fulls[@]}")"
  echo "render, run without steps:      $(stats "${bases[@]}")"
  python3 -c "print('lowest times: window run %.3f s, render run %.3f s (%.3f - %.3f): window / render = %.3f' % \
    ($(lowest "${runs[@]}"), $(lowest "${fulls[@]}") - $(lowest "${bases[@]}"), $(lowest "${fulls[@]}"), \
     $(lowest "${bases[@]}"), $(lowest "${runs[@]}") / ($(lowest "${fulls[@]}") - $(lowest "${bases[@]}"))))"
done
