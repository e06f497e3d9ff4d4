#!/usr/bin/env bash
# Another local user (nobody) against root's calculator. Without XDG_RUNTIME_DIR the channel
# lives in the shared $TMPDIR, so the intruder takes its names first, old ($TMPDIR/quorva-KEY.*)
# and new (the folder $TMPDIR/quorva-UID).  attacks.sh CASE, with QUORVA_BIN (ctest sets it).
set -uo pipefail
name=${1:?usage: attacks.sh CASE}
[ -x "${QUORVA_BIN:-}" ] || { echo "no QUORVA_BIN" >&2; exit 2; }
if [ "$(id -u)" != 0 ]; then echo "SKIP: needs root, to run the intruder as another user (nobody)"; exit 77; fi

T=$(mktemp -d "${TMPDIR:-/tmp}/quorva-security.XXXXXX")
PIDS=()
cleanup() {
    local rc=$?
    ((${#PIDS[@]} == 0)) || kill -KILL "${PIDS[@]}" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$T"
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 143' TERM
log() { printf '[%s %s] %s\n' "$name" "$(date +%T.%3N)" "$*" >&2; }
fail() { log "FAIL: $*"; exit 1; }
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
# wait_for SECONDS COMMAND...: every 0.05 s until COMMAND succeeds; fails after SECONDS.
wait_for() {
    local deadline=$(($(now_ms) + $1 * 1000))
    until "${@:2}" 2>/dev/null; do (($(now_ms) < deadline)) || return 1; sleep 0.05; done
}

chmod 755 "$T"
mkdir -p "$T/tmp" "$T/config" "$T/home"
chmod 1777 "$T/tmp"
export HOME=$T/home TMPDIR=$T/tmp LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen
unset XDG_RUNTIME_DIR DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER \
    DESKTOP_STARTUP_ID XDG_ACTIVATION_TOKEN
key=$(printf '%s' "$(realpath "$T/config")/quorva.ini" | sha1sum | cut -c1-16)
OLD=$TMPDIR/quorva-$key  # where the lock and the socket went without XDG_RUNTIME_DIR
OWN=$TMPDIR/quorva-0     # the calculator's private folder there
NEW=$OWN/quorva-$key
INTRUDER=(/usr/bin/python3 "$(cd "$(dirname "$0")" && pwd)/intruder.py")
AS_NOBODY=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
NOBODY=("${AS_NOBODY[@]}" "${INTRUDER[@]}")

# in_place COMMAND...: COMMAND in the background, once it printed "ready" into $OUT.
in_place() {
    OUT=$T/bg${#PIDS[@]}
    "$@" >"$OUT" 2>"$OUT.err" &
    PIDS+=($!)
    wait_for 15 grep -q ready "$OUT" || fail "not in place: $*: $(cat "$OUT.err")"
}
take_folder() { "${AS_NOBODY[@]}" mkdir -m 0777 "$OWN" || fail "nobody could not make $OWN"; }

# start LOG ARGS...: the victim's calculator in the background (VICTIM, STARTED).
start() {
    (ulimit -Sn 1024 && exec "$QUORVA_BIN" --config-dir "$T/config" "${@:2}") >"$T/$1.log" 2>&1 &
    VICTIM=$! STARTED=$(now_ms)
    PIDS+=("$VICTIM")
}

# call LOG ARGS...: another start with ARGS, in the foreground; its status in RC, its time in TOOK.
call() {
    local began
    began=$(now_ms)
    timeout 20 "$QUORVA_BIN" --config-dir "$T/config" "${@:2}" >"$T/$1.log" 2>&1
    RC=$? TOOK=$(($(now_ms) - began))
    log "${*:2}: status $RC after $TOOK ms (124: hung until killed): $(cat "$T/$1.log")"
}

# calculator_up LOG: past the 5 s a start waits, it runs with its windows; SIGTERM saves and ends it.
calculator_up() {
    while (($(now_ms) < STARTED + 6500)); do
        kill -0 "$VICTIM" 2>/dev/null || { wait "$VICTIM"; fail "the start ended with status $?: $(cat "$T/$1.log")"; }
        sleep 0.1
    done
    grep -q quorva-windows "/proc/$VICTIM/maps" || fail "after 6.5 s the start still waits: $(cat "$T/$1.log")"
    kill -TERM "$VICTIM"
    wait_for 10 eval '! kill -0 $VICTIM' || fail "SIGTERM did not end the calculator"
    wait "$VICTIM"
    local rc=$?
    [ "$rc" = 0 ] && [ -s "$T/config/quorva.ini" ] || fail "SIGTERM: status $rc, settings saved: $(ls "$T/config")"
    rm -f "$T/config/quorva.ini"
    log "a calculator ran; it said: $(tr '\n' ' ' <"$T/$1.log")"
}

# private_calculator: the usual case, a private XDG_RUNTIME_DIR; it answers at RUN_SOCKET.
answering() { [ "$("${INTRUDER[@]}" send "$RUN_SOCKET" $'show\n')" = "answer: shown" ]; }
private_calculator() {
    mkdir -m 700 "$T/run"
    export XDG_RUNTIME_DIR=$T/run
    RUN_SOCKET=$T/run/quorva-$key.socket
    start first
    wait_for 20 answering || fail "the calculator does not listen at $RUN_SOCKET: $(cat "$T/first.log")"
}

ticks() { awk '{ print $14 + $15 }' "/proc/$VICTIM/stat"; }

case $name in
# A listener of another user would take every request and its tokens, and could answer it.
hostile_listener)
    take_folder
    in_place "${NOBODY[@]}" hold "$OLD.lock" "$NEW.lock"
    : >"$T/heard" && chmod 666 "$T/heard"
    in_place "${NOBODY[@]}" listen "$T/heard" "$OLD.socket" "$NEW.socket"
    DESKTOP_STARTUP_ID=victim-secret_TIME1 XDG_ACTIVATION_TOKEN=victim-token start toggle --toggle
    sleep 1
    call quit --quit
    unsafe="$OWN is not a private folder (owned by uid 65534, mode 0777)"
    [ "$RC" = 1 ] && grep -q "$unsafe" "$T/quit.log" || fail "--quit did not refuse the folder"
    calculator_up toggle
    grep -q "$unsafe; running without single-instance" "$T/toggle.log" || fail "no word of why it runs alone"
    [ ! -s "$T/heard" ] || fail "the intruder's listener heard: $(cat "$T/heard")"
    ;;
# A lock file that another user created and holds would stop the calculator from ever starting.
held_lock)
    take_folder
    in_place "${NOBODY[@]}" hold "$OLD.lock" "$NEW.lock"
    start plain
    calculator_up plain
    ;;
# A link planted where the lock goes must not have the start overwrite what it points at.
planted_symlink)
    printf 'precious\n' >"$T/precious"
    take_folder
    for link in "$OLD.lock" "$NEW.lock"; do "${AS_NOBODY[@]}" ln -s "$T/precious" "$link" || fail "no link"; done
    start plain
    calculator_up plain
    [ "$(cat "$T/precious")" = precious ] || fail "the file the link points at now holds: $(head -c 100 "$T/precious")"
    ;;
# A socket that never accepts must not stall the start; against the user's own stopped
# calculator with a full queue, --toggle gives up in its 5 s and says so.
silent_socket)
    take_folder
    in_place "${NOBODY[@]}" hold "$OLD.lock" "$NEW.lock"
    in_place "${NOBODY[@]}" stuck "$OLD.socket" "$NEW.socket"
    start toggle --toggle
    calculator_up toggle

    private_calculator
    kill -STOP "$VICTIM"
    in_place "${INTRUDER[@]}" connect "$RUN_SOCKET" 1000000 0
    call again --toggle
    kill -CONT "$VICTIM"
    [ "$RC" = 1 ] && ((TOOK < 6500)) || fail "--toggle against the stopped calculator ($(head -1 "$OUT") queued)"
    grep -q "is running but does not answer: nothing answered on the socket $RUN_SOCKET within 5000 ms" \
        "$T/again.log" || fail "--toggle did not say what went wrong"
    ;;
# Idle connections by the thousand (the user's own runaway script) cost next to nothing, and a
# launcher still gets through or gives up in time.
idle_flood)
    private_calculator
    in_place "${INTRUDER[@]}" connect "$RUN_SOCKET" 1100 10
    sleep 1
    hz=$(getconf CLK_TCK) before=$(ticks) began=$(now_ms)
    sleep 4
    used=$(($(ticks) - before)) span=$(($(now_ms) - began))
    percent=$((used * 100000 / hz / span))
    log "$(head -1 "$OUT") open: the calculator used $used ticks ($hz a second) in $span ms, $percent % of a core"
    ((percent < 5)) || fail "$percent % of a core with idle connections open"
    call again --toggle
    { [ "$RC" = 0 ] || [ "$RC" = 1 ]; } && ((TOOK < 6500)) || fail "--toggle during the flood"
    kill -0 "$VICTIM" || fail "the calculator is gone"
    ;;
# Another user's request is not obeyed, even with the folder and the socket opened to others.
stranger_caller)
    private_calculator
    chmod 711 "$T/run" && chmod 666 "$RUN_SOCKET"
    said=$("${NOBODY[@]}" send "$RUN_SOCKET" $'quit\n')
    sleep 1
    kill -0 "$VICTIM" 2>/dev/null || fail "another user's quit ended the calculator ($said)"
    [ "$said" = "answer: (closed)" ] || fail "another user's request was answered: $said"
    ;;
*)
    echo "unknown case $name" >&2
    exit 2
    ;;
esac
log "passed"
