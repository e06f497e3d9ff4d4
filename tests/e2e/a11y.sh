#!/usr/bin/env bash
# The calculator as a screen reader finds it: the program with Qt's AT-SPI bridge on, an
# accessibility bus of its own, and a11y_client.py reading it (transcript in $QUORVA_E2E_OUT).
# Run under dbus-run-session. Environment (ctest sets it): QUORVA_BIN, QUORVA_KEYS, QUORVA_E2E_OUT.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
source "$here/harness.sh"
e2e_init a11y
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] && /usr/bin/python3 -c "import pyatspi" 2>/dev/null ||
    { e2e_log "SKIP: at-spi2-core or python3-pyatspi is missing (scripts/deps.sh installs them)"; exit 77; }
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || e2e_fail "no session bus: run under dbus-run-session"
[ -x "${QUORVA_KEYS:-}" ] || e2e_fail "no quorva-keys at '${QUORVA_KEYS:-}'"
launch desktop-only
"$launcher" --launch-immediately >"$E2E_TMP/at-spi.log" 2>&1 & # on the X server just started
E2E_PIDS+=($!)
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$CONFIG" >"$E2E_TMP/program.log" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
main_up
timeout 100 /usr/bin/python3 "$here/a11y_client.py" "$APP_PID" "$QUORVA_KEYS" \
    "$QUORVA_BIN --config-dir $CONFIG --toggle" >"$E2E_OUT/a11y-transcript.txt" 2>"$E2E_TMP/client.log"
status=$?
cat "$E2E_OUT/a11y-transcript.txt" >&2
[ "$status" = 0 ] || e2e_fail "the AT-SPI client failed (status $status): $(tail -n 5 "$E2E_TMP/client.log")"
kill -0 "$APP_PID" || e2e_fail "the program ended during the test"
