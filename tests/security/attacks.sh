#!/usr/bin/env bash
# Another local user (nobody) against root's calculator. Without XDG_RUNTIME_DIR the channel
# lives in the shared $TMPDIR, so the intruder takes its names first, old ($TMPDIR/quorva-KEY.*)
# and new (the folder $TMPDIR/quorva-UID).  attacks.sh CASE, with QUORVA_BIN (ctest sets it).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source-path=SCRIPTDIR source=../e2e/harness.sh
source "$here/../e2e/harness.sh"  # its log, wait, fail, clean-up and SIGTERM; no X server here
E2E_NAME=${1:?usage: attacks.sh CASE}
[ -x "${QUORVA_BIN:-}" ] || { echo "no QUORVA_BIN" >&2; exit 2; }
if [ "$(id -u)" != 0 ]; then echo "SKIP: needs root, to run the intruder as another user (nobody)"; exit 77; fi

T=$(mktemp -d "${TMPDIR:-/tmp}/quorva-security.XXXXXX") && E2E_TMP=$T
trap e2e_cleanup EXIT
trap 'exit 143' TERM
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

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
RUN=$T/run/quorva-$key   # in a private XDG_RUNTIME_DIR, the usual case
INTRUDER=(/usr/bin/python3 "$here/intruder.py")
AS_NOBODY=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
NOBODY=("${AS_NOBODY[@]}" "${INTRUDER[@]}")

# in_place COMMAND...: COMMAND in the background, once it printed "ready" into $OUT.
in_place() {
    OUT=$T/bg${#E2E_PIDS[@]}
    "$@" >"$OUT" 2>"$OUT.log" &
    E2E_PIDS+=($!)
    e2e_wait 15 grep -q ready "$OUT" || e2e_fail "not in place: $*"
}
# take_folder [hold]: nobody makes the calculator's folder first (and holds both locks).
take_folder() {
    "${AS_NOBODY[@]}" mkdir -m 0777 "$OWN" || e2e_fail "nobody could not make $OWN"
    [ -z "${1:-}" ] || in_place "${NOBODY[@]}" hold "$OLD.lock" "$NEW.lock"
}

# start LOG ARGS...: the victim's calculator in the background (APP_PID).
start() {
    (ulimit -Sn 1024 && exec "$QUORVA_BIN" --config-dir "$T/config" "${@:2}") >"$T/$1.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
}

# call LOG ARGS...: another start with ARGS, in the foreground; its status in RC, its time in TOOK.
call() {
    TOOK=$(now_ms)
    timeout 20 "$QUORVA_BIN" --config-dir "$T/config" "${@:2}" >"$T/$1.log" 2>&1
    RC=$? TOOK=$(($(now_ms) - TOOK))
    e2e_log "${*:2}: status $RC after $TOOK ms (124: hung until killed): $(cat "$T/$1.log")"
}

# calculator_up LOG: past the 5 s a start waits, it runs with its windows; SIGTERM saves and ends it.
calculator_up() {
    ! e2e_wait 7 program_ended || { wait "$APP_PID"; e2e_fail "the start ended with status $?"; }
    grep -q quorva-windows "/proc/$APP_PID/maps" || e2e_fail "after 7 s the start still waits"
    sigterm "$1"
    [ -s "$T/config/quorva.ini" ] || e2e_fail "SIGTERM saved no settings"
    rm "$T/config/quorva.ini"
    e2e_log "a calculator ran; it said: $(tr '\n' ' ' <"$T/$1.log")"
}

# private_calculator: a calculator with a private XDG_RUNTIME_DIR, answering at $RUN.socket.
answering() { [ "$("${INTRUDER[@]}" send "$RUN.socket" $'show\n')" = "answer: shown" ]; }
private_calculator() {
    mkdir -m 700 "$T/run"
    export XDG_RUNTIME_DIR=$T/run
    start first
    e2e_wait 20 answering || e2e_fail "the calculator does not listen at $RUN.socket"
}

ticks() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; }

case $E2E_NAME in
# A listener of another user would take every request and its tokens, and could answer it.
hostile_listener)
    take_folder hold
    : >"$T/heard" && chmod 666 "$T/heard"
    in_place "${NOBODY[@]}" listen "$T/heard" "$OLD.socket" "$NEW.socket"
    DESKTOP_STARTUP_ID=victim-secret_TIME1 XDG_ACTIVATION_TOKEN=victim-token start toggle --toggle
    sleep 1
    call quit --quit
    unsafe="$OWN is not a private folder (owned by uid 65534, mode 0777)"
    ((RC == 1)) && grep -q "$unsafe" "$T/quit.log" || e2e_fail "--quit did not refuse the folder"
    calculator_up toggle
    grep -q "$unsafe; running without single-instance" "$T/toggle.log" || e2e_fail "no word of why it runs alone"
    [ ! -s "$T/heard" ] || e2e_fail "the intruder's listener heard: $(cat "$T/heard")"

    # Behind a socket file of the user's own (only root could arrange that) in a private
    # folder, the launcher still sees who serves it and sends nothing.
    mkdir -m 777 "$T/run" && export XDG_RUNTIME_DIR=$T/run
    in_place "${INTRUDER[@]}" hold "$RUN.lock"
    in_place "${NOBODY[@]}" listen "$T/heard" "$RUN.socket"
    chown root "$RUN.socket" && chmod 700 "$T/run"
    DESKTOP_STARTUP_ID=victim-secret_TIME2 call knock --toggle
    ((RC == 1)) && grep -q "the socket $RUN.socket is served by uid 65534, not by this user" \
        "$T/knock.log" || e2e_fail "the launcher did not refuse another user's listener"
    ! grep -q secret "$T/heard" || e2e_fail "the intruder's listener heard: $(cat "$T/heard")"
    ;;
# A lock file that another user created and holds would stop the calculator from ever starting.
held_lock)
    take_folder hold
    start plain
    calculator_up plain
    ;;
# A link planted where the lock goes must not have the start overwrite what it points at.
planted_symlink)
    printf 'precious\n' >"$T/precious"
    take_folder
    for link in "$OLD.lock" "$NEW.lock"; do "${AS_NOBODY[@]}" ln -s "$T/precious" "$link" || e2e_fail "no link"; done
    start plain
    calculator_up plain
    [ "$(cat "$T/precious")" = precious ] || e2e_fail "the linked file now holds: $(head -c 100 "$T/precious")"
    ;;
# A socket that never accepts must not stall the start; against the user's own stopped
# calculator with a full queue, --toggle gives up in its 5 s and says so.
silent_socket)
    take_folder hold
    in_place "${NOBODY[@]}" stuck "$OLD.socket" "$NEW.socket"
    start toggle --toggle
    calculator_up toggle

    private_calculator
    kill -STOP "$APP_PID"
    in_place "${INTRUDER[@]}" connect "$RUN.socket" 1000000 0
    call again --toggle
    kill -CONT "$APP_PID"
    ((RC == 1 && TOOK < 6500)) || e2e_fail "--toggle against the stopped calculator ($(head -1 "$OUT") queued)"
    grep -q "is running but does not answer: nothing answered on the socket $RUN.socket within 5000 ms" \
        "$T/again.log" || e2e_fail "--toggle did not say what went wrong"
    ;;
# Idle connections by the thousand (the user's own runaway script) cost next to nothing, and a
# launcher still gets through or gives up in time.
idle_flood)
    private_calculator
    in_place "${INTRUDER[@]}" connect "$RUN.socket" 1100 10
    sleep 1
    hz=$(getconf CLK_TCK) before=$(ticks) began=$(now_ms)
    sleep 4
    used=$(($(ticks) - before)) span=$(($(now_ms) - began))
    e2e_log "$(head -1 "$OUT") open: the calculator used $used ticks ($hz a second) in $span ms"
    ((used * 100000 / hz / span < 5)) || e2e_fail "over 5 % of a core with idle connections open"
    call again --toggle
    ((RC <= 1 && TOOK < 6500)) || e2e_fail "--toggle during the flood"
    program_ended && e2e_fail "the calculator is gone"
    ;;
# Another user's request is not obeyed, even with the folder and the socket opened to others.
stranger_caller)
    private_calculator
    chmod 711 "$T/run" && chmod 666 "$RUN.socket"
    said=$("${NOBODY[@]}" send "$RUN.socket" $'quit\n')
    sleep 1
    program_ended && e2e_fail "another user's quit ended the calculator ($said)"
    [ "$said" = "answer: (closed)" ] || e2e_fail "another user's request was answered: $said"
    ;;
*)
    echo "unknown case $E2E_NAME" >&2
    exit 2
    ;;
esac
e2e_log "passed"
