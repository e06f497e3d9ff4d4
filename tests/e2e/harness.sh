# shellcheck shell=bash disable=SC2034  # WX WY WW WH WIN are read by the scripts that source this
# Sourced by the end-to-end tests: a private X server, a window manager and one program under
# test, all started here and all stopped on exit, whatever happens. Every wait has a deadline.
#
# Environment: QUORVA_E2E_OUT  folder for screenshots and logs (created)
#              QUORVA_E2E_KEEP set to 1 to keep the temporary folder for a post-mortem

E2E_PIDS=()
E2E_TMP=""
E2E_NAME=""
DISPLAY_NUM=""

# No X client may hang a test: each call has a deadline.
xdo() { timeout 10 xdotool "$@"; }

e2e_log() { printf '[%s %s] %s\n' "$E2E_NAME" "$(date +%T.%3N)" "$*" >&2; }

# Exit code 77 tells ctest the test was skipped (SKIP_RETURN_CODE).
e2e_skip() { e2e_log "SKIP: $*"; exit 77; }

e2e_fail() {
    e2e_log "FAIL: $*"
    if [ -n "$E2E_TMP" ] && [ -d "$E2E_TMP" ]; then
        local f
        for f in "$E2E_TMP"/*.log; do
            [ -s "$f" ] || continue
            e2e_log "--- $(basename "$f") (last lines)"
            tail -n 15 "$f" >&2
        done
    fi
    exit 1
}

e2e_cleanup() {
    local rc=$? i pid
    # newest first: the program, then the window manager, then the server
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${E2E_PIDS[@]}"; do
        for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ -n "$E2E_TMP" ] && [ -d "$E2E_TMP" ]; then
        if [ "${QUORVA_E2E_KEEP:-0}" = 1 ]; then e2e_log "kept $E2E_TMP"; else rm -rf "$E2E_TMP"; fi
    fi
    exit "$rc"
}

e2e_init() {
    E2E_NAME=$1
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quorva-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    E2E_OUT=${QUORVA_E2E_OUT:-$E2E_TMP/out}
    mkdir -p "$E2E_OUT" "$E2E_TMP/runtime" "$E2E_TMP/config" "$E2E_TMP/xdg"
    chmod 700 "$E2E_TMP/runtime"
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime XDG_CONFIG_HOME=$E2E_TMP/xdg HOME=$E2E_TMP
    # "." as the decimal separator, whatever the machine's locale
    export LC_ALL=C.UTF-8 LANG=C.UTF-8
    unset WAYLAND_DISPLAY SESSION_MANAGER
}

e2e_need() {
    local t
    for t in "$@"; do command -v "$t" >/dev/null 2>&1 || e2e_skip "$t is not installed (scripts/deps.sh installs it)"; done
}

# e2e_wait SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails after SECONDS.
e2e_wait() {
    local limit=$1
    shift
    local deadline=$((SECONDS + limit))
    while ! "$@" 2>/dev/null; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

e2e_start_x() {
    local fifo=$E2E_TMP/displayfd
    : >"$fifo"
    # -displayfd picks a free display and writes its number once the server accepts clients
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -wr 9>"$fifo" >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    E2E_PIDS+=("$E2E_XVFB_PID")
    e2e_wait 15 grep -q '[0-9]' "$fifo" || e2e_fail "Xvfb did not start within 15 s"
    DISPLAY_NUM=$(tr -dc '0-9' <"$fifo")
    export DISPLAY=":$DISPLAY_NUM"
    e2e_log "Xvfb on $DISPLAY"
}

e2e_wm_running() { timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }

e2e_start_wm() {
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    if ! e2e_wait 15 e2e_wm_running; then
        kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "the X server on $DISPLAY exited (stopped from outside?)"
        e2e_fail "openbox did not come up within 15 s"
    fi
}

# e2e_start_program COMMAND...: starts it with its output in program.log; sets APP_PID.
e2e_start_program() {
    "$@" >"$E2E_TMP/program.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
    e2e_log "started $(basename "$1") (pid $APP_PID)"
}

# Prints the viewable top-level windows of APP_PID, one id a line.
e2e_app_windows() { xdo search --onlyvisible --pid "$APP_PID" 2>/dev/null; }

# e2e_geometry WID: sets WX WY WW WH (position on the screen and size, pixels).
e2e_geometry() {
    local line X="" Y="" WIDTH="" HEIGHT=""
    while IFS= read -r line; do
        case $line in
        X=* | Y=* | WIDTH=* | HEIGHT=*) eval "$line" ;;
        esac
    done < <(xdo getwindowgeometry --shell "$1" 2>/dev/null)
    [ -n "$X" ] && [ -n "$WIDTH" ] || return 1
    WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}

# Sets WIN to the viewable window of APP_PID that has the size WANT_W x WANT_H.
e2e_find_sized() {
    local w
    for w in $(e2e_app_windows); do
        e2e_geometry "$w" || continue
        if [ "$WW" = "$WANT_W" ] && [ "$WH" = "$WANT_H" ]; then WIN=$w; return 0; fi
    done
    return 1
}

# e2e_wait_window SECONDS W H: waits for the program's window of that size; sets WIN, WX, WY.
e2e_wait_window() {
    WANT_W=$2 WANT_H=$3
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || e2e_fail "the X server on $DISPLAY exited (stopped from outside?)"
    kill -0 "$APP_PID" 2>/dev/null || e2e_fail "the program exited at once"
    e2e_wait "$1" e2e_find_sized || e2e_fail "no ${2}x${3} window of pid $APP_PID within $1 s"
    e2e_geometry "$WIN"
}

e2e_only_window_is_win() { [ "$(e2e_app_windows | tr '\n' ' ')" = "$WIN " ]; }

# e2e_state WID: prints the window's _NET_WM_STATE atoms, blank-separated.
e2e_state() { timeout 5 xprop -id "$1" _NET_WM_STATE 2>/dev/null | sed -n 's/.*= *//p' | tr -d ','; }

e2e_is_above() { e2e_state "$WIN" | grep -qw _NET_WM_STATE_ABOVE; }

e2e_focus() {
    xdo windowactivate --sync "$WIN" >/dev/null 2>&1 || xdo windowfocus --sync "$WIN" >/dev/null 2>&1 || true
    e2e_wait 5 e2e_has_focus || e2e_fail "window $WIN did not get the keyboard focus"
}
e2e_has_focus() { [ "$(xdo getwindowfocus 2>/dev/null)" = "$WIN" ]; }

# e2e_keys TOKEN...: types as a keyboard would. <Enter>, <Escape>, <Ctrl+C> and <Ctrl+V> are
# keys; any other token is typed character by character.
e2e_keys() {
    local t
    for t in "$@"; do
        case $t in
        "<Enter>") xdo key --delay 40 Return ;;
        "<Escape>") xdo key --delay 40 Escape ;;
        "<Ctrl+C>") xdo key --delay 40 ctrl+c ;;
        "<Ctrl+V>") xdo key --delay 40 ctrl+v ;;
        *) xdo type --delay 40 -- "$t" ;;
        esac
    done
}

e2e_clipboard() { timeout 3 xclip -selection clipboard -o 2>/dev/null; }

# Owns the clipboard with TEXT until another client takes it; the xclip is ours to stop.
e2e_set_clipboard() {
    printf '%s' "$1" | xclip -quiet -selection clipboard -i >/dev/null 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait 5 e2e_clipboard_is "$1" || e2e_fail "could not set the clipboard"
}
e2e_clipboard_is() { [ "$(e2e_clipboard)" = "$1" ]; }
e2e_clipboard_is_not() { [ "$(e2e_clipboard)" != "$1" ]; }

# e2e_drag BUTTON X0 Y0 X1 Y1: press at (X0,Y0) on the screen, move in steps, release at (X1,Y1).
e2e_drag() {
    local b=$1 x0=$2 y0=$3 x1=$4 y1=$5 i n=12
    xdo mousemove "$x0" "$y0"
    sleep 0.15
    xdo mousedown "$b"
    sleep 0.15
    for ((i = 1; i <= n; i++)); do
        xdo mousemove $((x0 + (x1 - x0) * i / n)) $((y0 + (y1 - y0) * i / n))
        sleep 0.03
    done
    sleep 0.15
    xdo mouseup "$b"
    sleep 0.3
}

e2e_click() {
    xdo mousemove "$1" "$2"
    sleep 0.15
    xdo click 1
}

# Moves the pointer where it covers nothing, so no tooltip is in the way.
e2e_park_pointer() { xdo mousemove 1275 1019; }
