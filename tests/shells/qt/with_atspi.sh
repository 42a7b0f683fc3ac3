#!/usr/bin/env bash
# Runs a command the way a desktop with a screen reader would: on a private
# X display, with a D-Bus session whose AT-SPI bus is up, and Qt's
# accessibility switched on. Exits 77 (skipped) when a piece is missing.
#
#   with_atspi.sh COMMAND [ARGUMENT...]
set -euo pipefail

if [ "${1:-}" != --in-session ]; then
  launcher=/usr/libexec/at-spi-bus-launcher
  for tool in dbus-run-session xvfb-run "$launcher"; do
    if ! command -v "$tool" >/dev/null; then
      echo "with_atspi.sh: $tool is missing" >&2
      exit 77
    fi
  done
  exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --in-session "$@"
fi
shift

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
bus=$!
trap 'kill "$bus" 2>/dev/null || true' EXIT
export QT_QPA_PLATFORM=xcb QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$@"
