#!/usr/bin/env bash
# The calculator as a screen reader finds it: on a private X server with a window manager and
# a notification area, an accessibility bus of its own (at-spi2-core) and the program with Qt's
# AT-SPI bridge on, a small AT-SPI client (a11y_client.py) reads the displays, types a
# calculation, presses every zone and reads the Functions window. Run under dbus-run-session,
# which gives the program and the client a session bus of their own.
#   a11y.sh [TRANSCRIPT]    the client's transcript goes to TRANSCRIPT (default: $QUORVA_E2E_OUT)
# Environment (ctest sets it): QUORVA_BIN the program, QUORVA_KEYS quorva-keys, QUORVA_E2E_OUT.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
source "$here/harness.sh"
e2e_init a11y
transcript=${1:-$E2E_OUT/a11y-transcript.txt}
launcher=/usr/libexec/at-spi-bus-launcher
if [ ! -x "$launcher" ] || ! /usr/bin/python3 -c "import pyatspi" 2>/dev/null; then
    e2e_log "SKIP: at-spi2-core or python3-pyatspi is missing (scripts/deps.sh installs them)"
    exit 77
fi
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || e2e_fail "no session bus: run under dbus-run-session"
[ -x "${QUORVA_KEYS:-}" ] || e2e_fail "no quorva-keys at '${QUORVA_KEYS:-}'"

launch desktop-only
# The accessibility bus, on the X server just started (it leaves its address there too).
"$launcher" --launch-immediately >"$E2E_TMP/at-spi.log" 2>&1 &
E2E_PIDS+=($!)
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$CONFIG" \
    >"$E2E_TMP/program.log" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
main_geometry 20
e2e_wait 10 splash_gone || e2e_fail "the splash window is still shown after 10 s"

timeout 100 /usr/bin/python3 "$here/a11y_client.py" --pid "$APP_PID" --keys "$QUORVA_KEYS" \
    --summon "$QUORVA_BIN --config-dir $CONFIG --toggle" >"$transcript" 2>"$E2E_TMP/client.log"
status=$?
cat "$transcript" >&2
[ "$status" = 0 ] || e2e_fail "the AT-SPI client failed (status $status): $(tail -n 5 "$E2E_TMP/client.log")"
kill -0 "$APP_PID" || e2e_fail "the program ended during the test"
