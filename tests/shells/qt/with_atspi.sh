#!/usr/bin/env bash
# Runs a command the way a desktop with a screen reader would: on a private
# X display, with a D-Bus session whose AT-SPI bus is up, and Qt's
# accessibility switched on. Exits 77 (skipped) when a piece is missing.
#
#   with_atspi.sh COMMAND [ARGUMENT...]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
launcher=/usr/libexec/at-spi-bus-launcher
if [ "${1:-}" != --in-session ]; then
  for tool in dbus-run-session Xvfb "$launcher"; do
    if ! command -v "$tool" >/dev/null; then
      echo "with_atspi.sh: $tool is missing" >&2
      exit 77
    fi
  done
  exec dbus-run-session -- "$0" --in-session "$@"
fi
shift

# The display's number comes from Xvfb itself (-displayfd), so that tests
# started at the same moment never pick the same one.
work=$(mktemp -d /tmp/quorvex-atspi.XXXXXX)
. "$here/../../../scripts/private-xvfb.sh"
start_private_xvfb "$work"
"$launcher" --launch-immediately >/dev/null 2>&1 &
bus=$!
trap 'kill "$bus" "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=xcb QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
"$@"
