#!/usr/bin/env bash
# A second local user (nobody) against the calculator of the first (root here), when
# XDG_RUNTIME_DIR is unset: the lock and the socket would then live in the shared temporary
# folder ($TMPDIR stands for /tmp here: world-writable and sticky), so the intruder takes
# their names first, both the old ones ($TMPDIR/quorva-KEY.*) and the private folder's
# ($TMPDIR/quorva-UID), made before the calculator's first start.
#   attacks.sh hostile_listener|held_lock|planted_symlink|silent_socket|idle_flood|stranger_caller
# Environment (ctest sets it): QUORVA_BIN the program, QUORVA_INTRUDER tests/security/intruder.cpp.
set -uo pipefail
name=${1:?usage: attacks.sh CASE}
[ -x "${QUORVA_BIN:-}" ] && [ -x "${QUORVA_INTRUDER:-}" ] || { echo "no QUORVA_BIN or QUORVA_INTRUDER" >&2; exit 2; }
if [ "$(id -u)" != 0 ]; then echo "SKIP: needs root, to run the intruder as another user (nobody)"; exit 77; fi

T=$(mktemp -d "${TMPDIR:-/tmp}/quorva-security.XXXXXX")
PIDS=()
cleanup() {
    local rc=$? pid
    for pid in "${PIDS[@]}"; do kill -CONT "$pid" 2>/dev/null; kill -TERM "$pid" 2>/dev/null; done
    for pid in "${PIDS[@]}"; do
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
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
settings=$(realpath "$T/config")/quorva.ini
key=$(printf '%s' "$settings" | sha1sum | cut -c1-16)
OLD=$TMPDIR/quorva-$key  # where the lock and the socket went without XDG_RUNTIME_DIR
OWN=$TMPDIR/quorva-0     # the calculator's private folder there
NEW=$OWN/quorva-$key

as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
# intruder WHAT ARGS...: the intruder, as nobody, in place.
intruders=0
intruder() {
    local out=$T/intruder$((++intruders))
    as_nobody "$QUORVA_INTRUDER" "$@" >"$out.out" 2>"$out.err" &
    PIDS+=($!)
    wait_for 12 grep -q ready "$out.out" || fail "the intruder ($*) is not in place: $(cat "$out.err")"
}
take_folder() { as_nobody mkdir -m 0777 "$OWN" || fail "nobody could not make $OWN"; }

# start LOG ARGS...: the victim's quorva in the background (VICTIM, STARTED).
start() {
    local out=$T/$1.log
    shift
    "$QUORVA_BIN" --config-dir "$T/config" "$@" >"$out" 2>&1 &
    VICTIM=$! STARTED=$(now_ms)
    PIDS+=("$VICTIM")
}

# calculator_up LOG: the start is a working calculator: it is still there past the 5 s a start
# waits for a running one, it loaded the windows, and SIGTERM ends it with status 0 having saved
# its settings.
calculator_up() {
    local out=$T/$1.log rc
    while (($(now_ms) < STARTED + 6500)); do
        if ! kill -0 "$VICTIM" 2>/dev/null; then
            wait "$VICTIM"
            rc=$?
            fail "the start ended after $(($(now_ms) - STARTED)) ms with status $rc, no calculator: $(cat "$out")"
        fi
        sleep 0.1
    done
    grep -q quorva-windows "/proc/$VICTIM/maps" ||
        fail "after 6.5 s the start is still waiting (in $(cat "/proc/$VICTIM/wchan")), no calculator: $(cat "$out")"
    kill -TERM "$VICTIM"
    wait_for 10 eval '! kill -0 $VICTIM' || fail "SIGTERM did not end the calculator"
    wait "$VICTIM"
    rc=$?
    [ "$rc" = 0 ] && [ -s "$T/config/quorva.ini" ] || fail "SIGTERM: status $rc, settings saved: $(ls "$T/config")"
    rm -f "$T/config/quorva.ini"
    log "a calculator ran; it said: $(tr '\n' ' ' <"$out")"
}

# private_runtime: the usual case, XDG_RUNTIME_DIR private; RUN_SOCKET is the calculator's socket.
private_runtime() {
    mkdir -m 700 "$T/run"
    export XDG_RUNTIME_DIR=$T/run
    RUN_SOCKET=$T/run/quorva-$key.socket
}
# answering: the calculator's event loop runs and answers its own user.
answering() { [ "$("$QUORVA_INTRUDER" send "$RUN_SOCKET" $'show\n')" = "answer: shown" ]; }

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

case $name in
# Another user who holds the lock and listens at the socket would take every request, the
# caller's activation tokens included, and answer it: the caller believed it done.
hostile_listener)
    take_folder
    intruder hold "$OLD.lock" "$NEW.lock"
    : >"$T/heard" && chmod 666 "$T/heard"
    intruder listen "$T/heard" "$OLD.socket" "$NEW.socket"
    DESKTOP_STARTUP_ID=victim-secret_TIME1 XDG_ACTIVATION_TOKEN=victim-token start toggle --toggle
    sleep 1
    timeout 20 "$QUORVA_BIN" --config-dir "$T/config" --quit >"$T/quit.log" 2>&1
    quit=$?
    [ ! -s "$T/heard" ] || fail "the intruder's listener received: $(tr '\n' '|' <"$T/heard") (--quit: status $quit)"
    [ "$quit" = 1 ] && grep -q "$OWN is not a private folder (owned by uid 65534, mode 0777)" "$T/quit.log" ||
        fail "--quit: status $quit, said: $(cat "$T/quit.log")"
    calculator_up toggle
    grep -q "$OWN is not a private folder (owned by uid 65534, mode 0777); running without single-instance" \
        "$T/toggle.log" || fail "the calculator did not say why it runs alone: $(cat "$T/toggle.log")"
    [ ! -s "$T/heard" ] || fail "the intruder's listener received: $(tr '\n' '|' <"$T/heard")"
    ;;
# A lock file that another user created and holds would stop the calculator from ever starting.
held_lock)
    take_folder
    intruder hold "$OLD.lock" "$NEW.lock"
    start plain
    calculator_up plain
    ;;
# A link planted where the lock goes would have the start truncate and overwrite what it points
# at (where fs.protected_symlinks is 0).
planted_symlink)
    log "fs.protected_symlinks = $(cat /proc/sys/fs/protected_symlinks 2>/dev/null)"
    printf 'precious\n' >"$T/precious"
    take_folder
    as_nobody ln -s "$T/precious" "$OLD.lock" && as_nobody ln -s "$T/precious" "$NEW.lock" || fail "no links"
    start plain
    calculator_up plain
    [ "$(cat "$T/precious")" = precious ] || fail "the file the link points at now holds: $(od -c "$T/precious" | head -3)"
    ;;
# A socket that never accepts: the start must not wait for it for ever. The intruder's is not
# used at all; the user's own calculator, stopped with a full queue, makes --toggle give up
# within its 5 s with a message.
silent_socket)
    take_folder
    intruder hold "$OLD.lock" "$NEW.lock"
    intruder stuck "$OLD.socket" "$NEW.socket"
    start toggle --toggle
    calculator_up toggle

    private_runtime
    start first
    wait_for 20 answering || fail "the calculator does not listen at $RUN_SOCKET: $(cat "$T/first.log")"
    kill -STOP "$VICTIM"
    "$QUORVA_INTRUDER" fill "$RUN_SOCKET" >"$T/fill.out" 2>&1 &
    PIDS+=($!)
    wait_for 5 grep -q ready "$T/fill.out" || fail "could not fill the queue: $(cat "$T/fill.out")"
    began=$(now_ms)
    timeout 20 "$QUORVA_BIN" --config-dir "$T/config" --toggle >"$T/again.log" 2>&1
    rc=$? took=$(($(now_ms) - began))
    kill -CONT "$VICTIM"
    log "--toggle against the stopped calculator ($(head -1 "$T/fill.out") queued): status $rc after $took ms: $(cat "$T/again.log")"
    [ "$rc" = 1 ] && ((took < 6500)) || fail "--toggle: status $rc after $took ms (124: hung until killed)"
    grep -q "is running but does not answer: nothing answered on the socket $RUN_SOCKET within 5000 ms" "$T/again.log" ||
        fail "--toggle did not say what went wrong: $(cat "$T/again.log")"
    ;;
# Idle connections by the thousand must cost next to nothing, and a launcher still gets through
# or gives up in time. Only the calculator's own user can connect (the socket is 0600), so the
# flood comes from that user: a runaway script, or callers of a stopped calculator.
idle_flood)
    private_runtime
    (ulimit -Sn 1024 && exec "$QUORVA_BIN" --config-dir "$T/config" >"$T/first.log" 2>&1) &
    VICTIM=$!
    PIDS+=("$VICTIM")
    wait_for 20 answering || fail "the calculator does not listen at $RUN_SOCKET: $(cat "$T/first.log")"
    log "nobody tries: $(as_nobody "$QUORVA_INTRUDER" send "$RUN_SOCKET" $'show\n')"
    "$QUORVA_INTRUDER" flood "$RUN_SOCKET" 1100 >"$T/flood.out" 2>&1 &
    PIDS+=($!)
    wait_for 15 grep -q ready "$T/flood.out" || fail "the flood did not get going: $(cat "$T/flood.out")"
    sleep 1
    hz=$(getconf CLK_TCK) before=$(ticks "$VICTIM") began=$(now_ms)
    sleep 4
    used=$(($(ticks "$VICTIM") - before)) span=$(($(now_ms) - began))
    percent=$((used * 100000 / hz / span))
    log "$(head -1 "$T/flood.out") open: the calculator used $used ticks ($hz a second) in $span ms, $percent % of a core"
    ((percent < 5)) || fail "$percent % of a core with idle connections open"
    began=$(now_ms)
    timeout 20 "$QUORVA_BIN" --config-dir "$T/config" --toggle >"$T/again.log" 2>&1
    rc=$? took=$(($(now_ms) - began))
    log "--toggle during the flood: status $rc after $took ms: $(cat "$T/again.log")"
    { [ "$rc" = 0 ] || [ "$rc" = 1 ]; } && ((took < 6500)) || fail "--toggle: status $rc after $took ms"
    kill -0 "$VICTIM" || fail "the calculator is gone"
    ;;
# A request from another user's process is not obeyed, even where the user opened the folder
# and the socket to others.
stranger_caller)
    private_runtime
    start first
    wait_for 20 answering || fail "the calculator does not listen at $RUN_SOCKET: $(cat "$T/first.log")"
    chmod 711 "$T/run" && chmod 666 "$RUN_SOCKET"
    said=$(as_nobody "$QUORVA_INTRUDER" send "$RUN_SOCKET" $'quit\n')
    log "nobody sent quit: $said"
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
