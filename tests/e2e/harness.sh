# shellcheck shell=bash disable=SC2034,SC2119,SC2120 # variables and arguments the callers set and read
# Sourced by the end-to-end tests: a private X server, window manager, notification area and the
# program (QUORVA_BIN), all stopped on exit; every wait has a deadline. QUORVA_E2E_KEEP=1 keeps.

E2E_PIDS=()
SKIN_W=262 SKIN_H=188
SPLASH_W=413 SPLASH_H=227

xdo() { timeout 10 xdotool "$@"; }
e2e_log() { printf '[%s %s] %s\n' "$E2E_NAME" "$(date +%T.%3N)" "$*" >&2; }
e2e_fail() {
    e2e_log "FAIL: $*"
    tail -n 15 "$E2E_TMP"/*.log >&2 2>/dev/null
    exit 1
}

e2e_cleanup() {
    local rc=$? i pid
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do kill -TERM "${E2E_PIDS[i]}" 2>/dev/null; done
    for pid in "${E2E_PIDS[@]}"; do
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ "${QUORVA_E2E_KEEP:-0}" = 1 ]; then e2e_log "kept $E2E_TMP"; else rm -rf "$E2E_TMP"; fi
    exit "$rc"
}

e2e_init() {
    E2E_NAME=$1
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorva-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    E2E_OUT=${QUORVA_E2E_OUT:-$E2E_TMP/out}
    CONFIG=$E2E_TMP/config
    mkdir -p "$E2E_OUT" "$E2E_TMP/runtime" "$CONFIG" "$E2E_TMP/xdg"
    chmod 700 "$E2E_TMP/runtime"
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime XDG_CONFIG_HOME=$E2E_TMP/xdg HOME=$E2E_TMP
    export LC_ALL=C.UTF-8 LANG=C.UTF-8 # "." as the decimal separator
    unset WAYLAND_DISPLAY SESSION_MANAGER
    type -P Xvfb openbox trayer xdotool xclip xprop xwininfo import convert >/dev/null ||
        { e2e_log "SKIP: an X tool is missing (scripts/deps.sh installs them)"; exit 77; }
    [ -x "${QUORVA_BIN:-}" ] || e2e_fail "no program at '${QUORVA_BIN:-}'"
}

# spawn NAME COMMAND...: in the background, output in NAME.log, stopped on exit; SPAWNED, its pid.
spawn() {
    "${@:2}" >"$E2E_TMP/$1.log" 2>&1 &
    SPAWNED=$!
    E2E_PIDS+=("$SPAWNED")
}

# e2e_wait SECONDS COMMAND...: COMMAND every 0.1 s until it succeeds (timed in µs: $SECONDS is coarse).
e2e_wait() {
    local deadline=$((${EPOCHREALTIME/./} + $1 * 1000000))
    until "${@:2}" 2>/dev/null; do ((${EPOCHREALTIME/./} < deadline)) || return 1; sleep 0.1; done
}

x_alive() { kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "the X server exited"; }
wm_running() { timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
wm_up() { wm_running || ! kill -0 "$1" 2>/dev/null; }
# grep reads to the end: with pipefail, an early exit of grep -q would fail xwininfo's write
tray_running() { timeout 5 xwininfo -root -tree | grep -F '("panel" "trayer")' >/dev/null; }

# launch [no-tray|desktop-only]: Xvfb, openbox, trayer as the notification area, then the program.
launch() {
    local fifo=$E2E_TMP/displayfd try wm
    for try in 1 2 3; do
        : >"$fifo"
        # -displayfd picks a free display and writes its number once the server accepts clients
        spawn xvfb Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -wr 9>"$fifo"
        E2E_XVFB_PID=$SPAWNED
        e2e_wait 15 grep -q '[0-9]' "$fifo" || e2e_fail "Xvfb did not start within 15 s"
        DISPLAY=":$(tr -dc '0-9' <"$fifo")" && export DISPLAY
        spawn openbox openbox --sm-disable
        wm=$SPAWNED
        e2e_wait 15 wm_up "$wm" && wm_running && break
        x_alive
        # a server ending in a parallel test may have removed this display's socket
        e2e_log "openbox could not open $DISPLAY (try $try): $(tr '\n' ' ' <"$E2E_TMP/openbox.log")"
        kill "$wm" "$E2E_XVFB_PID" 2>/dev/null
        [ "$try" = 3 ] && e2e_fail "openbox did not come up on three X servers"
    done
    if [ "${1:-}" != no-tray ]; then
        spawn trayer trayer --edge bottom --align right --widthtype pixel --width 64 --height 32 --SetDockType true \
            --transparent false --tint 0x303030
        e2e_wait 10 tray_running || e2e_fail "trayer did not come up within 10 s"
    fi
    [ "${1:-}" = desktop-only ] || launch_program
}

# launch_program [VAR=VALUE...]: APP_PID, program.log, LAUNCH_ARGS; no session bus unless given,
# so the icon goes to the X notification area.
launch_program() {
    # shellcheck disable=SC2086 # a word list
    spawn program env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb "$@" "$QUORVA_BIN" --config-dir "$CONFIG" \
        ${LAUNCH_ARGS:-}
    APP_PID=$SPAWNED
    e2e_log "started the program on $DISPLAY (pid $APP_PID)"
}

# start_calculator [SETTINGS TEXT] [no-tray]: launch with that settings file; sets MAIN, MX, MY.
start_calculator() {
    [ -z "${1:-}" ] || printf '%s' "$1" >"$CONFIG/quorva.ini"
    launch "${2:-}"
    main_up
}
main_up() { # the calculator, once the splash has gone
    main_geometry 20
    e2e_wait 10 splash_gone || e2e_fail "the splash window is still shown after 10 s"
}

# e2e_geometry WID: sets WX WY WW WH (xdotool would count a frame twice).
e2e_geometry() {
    read -r WX WY WW WH < <(timeout 5 xwininfo -id "$1" 2>/dev/null | awk -F': *' '/Absolute upper-left X/ { x = $2 }
        /Absolute upper-left Y/ { y = $2 } /Width/ { w = $2 } /Height/ { h = $2 } END { print x, y, w, h }')
    [ -n "$WH" ]
}

# find_window CONDITION: sets WIN WX WY WW WH to a shown window meeting CONDITION (on w, WX...).
find_window() {
    local w
    for w in $(xdo search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
        e2e_geometry "$w" && (($1)) && WIN=$w && return 0
    done
    return 1
}
splash_gone() { local WIN WX WY WW WH; ! find_window 'WW == SPLASH_W && WH == SPLASH_H'; }

# main_geometry [SECONDS]: the calculator, found by its size (new flags may make it anew).
main_geometry() {
    e2e_wait "${1:-5}" find_window 'WW == SKIN_W && WH == SKIN_H' || { x_alive; e2e_fail "no ${SKIN_W}x${SKIN_H} window of the program"; }
    MAIN=$WIN MX=$WX MY=$WY
}
main_shown() { xwininfo -id "$MAIN" 2>/dev/null | grep -q IsViewable; }
main_hidden() { ! main_shown; }
program_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

named() { xdo search --all --onlyvisible --pid "$APP_PID" --name "^$1\$" 2>/dev/null | head -n1; }
shown() { [ -n "$(named "$1")" ]; }
not_shown() { [ -z "$(named "$1")" ]; }
# wait_named SECONDS TITLE: sets WIN and its geometry.
wait_named() {
    e2e_wait "$1" shown "$2" || e2e_fail "no window '$2' within $1 s"
    WIN=$(named "$2")
    e2e_geometry "$WIN"
}

# frame WID: sets FX FY FW FH FTOP, the window with its frame.
frame() {
    local extents l r t b
    e2e_geometry "$1" || return 1
    extents=$(timeout 5 xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    IFS=, read -r l r t b <<<"${extents:-0,0,0,0}"
    FX=$((WX - l)) FY=$((WY - t)) FW=$((WW + l + r)) FH=$((WH + t + b)) FTOP=$t
}

e2e_has_focus() { [ "$(xdo getwindowfocus 2>/dev/null)" = "$WIN" ]; }
e2e_focus() {
    xdo windowactivate --sync "$WIN" >/dev/null 2>&1 || xdo windowfocus --sync "$WIN" >/dev/null 2>&1 || true
    e2e_wait 5 e2e_has_focus || e2e_fail "window $WIN did not get the keyboard focus"
}
focus_main() { WIN=$MAIN && e2e_focus; }

# e2e_type TEXT: types as a keyboard would, a line break as the Enter key.
e2e_type() {
    local line
    while IFS= read -r line; do xdo type --delay 40 -- "$line" && xdo key Return; done < <(printf '%s' "$1")
    [ -z "$line" ] || xdo type --delay 40 -- "$line"
}

clipboard_is() { [ "$(timeout 3 xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }
# clip FILE: FILE's bytes on the clipboard.
clip() {
    spawn xclip xclip -quiet -selection clipboard -i "$1"
    e2e_wait 5 clipboard_is "$(tr -d '\0' <"$1")" || e2e_fail "could not set the clipboard from $1"
}

# copied EXPECTED WHAT [SECONDS]: Ctrl+C in the focused window puts EXPECTED on the clipboard.
copied() {
    printf 'nothing copied' >"$E2E_TMP/nothing" && clip "$E2E_TMP/nothing"
    xdo key --delay 40 ctrl+c
    e2e_wait "${3:-5}" clipboard_is "$1" ||
        e2e_fail "$2: after ${3:-5} s the clipboard holds '$(timeout 3 xclip -selection clipboard -o | head -c 80)', expected '$1'"
}

# e2e_drag BUTTON X0 Y0 X1 Y1: press, move in steps, release, park the pointer.
e2e_drag() {
    local i n=12
    xdo mousemove "$2" "$3" sleep 0.15 mousedown "$1" sleep 0.15
    for ((i = 1; i <= n; i++)); do xdo mousemove $(($2 + ($4 - $2) * i / n)) $(($3 + ($5 - $3) * i / n)) sleep 0.03; done
    xdo sleep 0.15 mouseup "$1" sleep 0.3 mousemove 1275 1019
}

# e2e_click X Y [REPEAT [BUTTON]]
e2e_click() { xdo mousemove "$1" "$2" sleep 0.15 click --repeat "${3:-1}" --delay 80 "${4:-1}"; }

# again ARGS...: another start with the calculator's settings, ending with status 0 (or $STATUS).
again() {
    local rc=0
    timeout 20 env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$CONFIG" "$@" \
        >"$E2E_TMP/again.log" 2>&1 || rc=$?
    [ "$rc" = "${STATUS:-0}" ] || e2e_fail "quorva $*: status $rc: $(cat "$E2E_TMP/again.log")"
}
settings_has() { grep -q "^$1"$'\r'"\$" "$CONFIG/quorva.ini" 2>/dev/null; }

# sigterm WHAT: SIGTERM ends the program with status 0.
sigterm() {
    kill -TERM "$APP_PID"
    e2e_wait 10 program_ended || e2e_fail "$1: SIGTERM did not end the program"
    wait "$APP_PID" || e2e_fail "$1: the program ended with status $? after SIGTERM"
}
