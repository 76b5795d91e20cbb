#!/usr/bin/env bash
# Runs the demo program on a virtual 1024x768 screen with the accessibility
# bus that Orca listens to, and prints what a screen reader is told of the
# login, the registration window, the in-tray and the protocol search
# (scripts/screen-reader-check.py). Needs the demo prepared
# (scripts/demo.sh --prepare) and Debian's python3-pyatspi, at-spi2-core and
# dbus-x11.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
demo=${NIMBO_DEMO_DIR:-"$root/demo"}
program="$root/build/src/app/nimbo"

exec dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  sleep 1
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NIMBO_HOME="$1" "$2" &
  app=$!
  status=0
  /usr/bin/python3 "$3" DEMO9 demo9pwd "PROTOCOLLO>Protocollo Documenti" "PROTOCOLLO>Iter Documento" \
    "PROTOCOLLO>Ricerca Protocolli" || status=$?
  kill $app 2>/dev/null || true
  exit $status
' _ "$demo" "$program" "$root/scripts/screen-reader-check.py"
