#!/usr/bin/env bash
# End-to-end tests of what only a real X server with a window manager and a notification area
# shows: the window's shape and moves, keys and the clipboard as other programs see them,
# always-on-top, the other windows' places, the splash, the icon, a second start and SIGTERM,
# and the short way in: quorva --toggle and --quit handed to the running calculator.
# What the widgets do on their own is tested offscreen in tests/windows.
#   run.sh drag|on_top|screenshot|functions|large_stack|splash|tray|second_start|toggle|
#          toggle_starts|quit|launcher_maps|hostile_env|bad_input|keep_stack
# Environment (ctest sets it): QUORVA_BIN the program, QUORVA_E2E_SHOT the screenshot checker,
# QUORVA_SKIN_PNG the built-in skin picture, QUORVA_E2E_OUT where screenshots go.
set -uo pipefail
# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
e2e_init "${1:?usage: run.sh CASE}"

# Points of the built-in skin, in window pixels.
ONTOP=(226 20)
HIDE=(246 20)
STACK=(100 90)
BRAND=(60 20) # the name plate: picture, no zone
FN_TITLE="Quorva 4.00 - Functions and Settings"

# --- drag: the picture and the stack display move the window with the left or the right
# button; SIGTERM then saves where it was left, as quitting does, without asking ---
case_drag() {
    start_calculator
    local row button px py dx dy
    for row in "1 ${BRAND[*]}" "1 ${STACK[*]}" "3 ${BRAND[*]}"; do
        read -r button px py <<<"$row"
        main_geometry
        # go where the window stays wholly on the screen
        dx=$((MX > 600 ? -140 : 140)) dy=$((MY > 500 ? -90 : 90))
        e2e_drag "$button" $((MX + px)) $((MY + py)) $((MX + px + dx)) $((MY + py + dy))
        # the window manager may finish the move a little after the release
        e2e_wait 3 at_place $((MX + dx)) $((MY + dy)) ||
            e2e_fail "button $button at $px,$py: the window went to $WX,$WY, not $((MX + dx)),$((MY + dy))"
    done
    main_geometry
    kill -TERM "$APP_PID"
    e2e_wait 10 program_ended || e2e_fail "SIGTERM did not end the program"
    wait "$APP_PID" || e2e_fail "the program ended with status $? after SIGTERM"
    { settings_has "WindowPositionX= $MX" && settings_has "WindowPositionY= $MY"; } ||
        e2e_fail "SIGTERM did not save the position $MX,$MY: $(tr '\r\n' ' ;' <"$CONFIG/quorva.ini" 2>&1)"
}
at_place() { find_window "WW == SKIN_W && WH == SKIN_H && WX == $1 && WY == $2"; }

# --- on top: the zone toggles _NET_WM_STATE_ABOVE, twice returns, the window stays put ---
above() { main_geometry && e2e_state "$MAIN" | grep -qw _NET_WM_STATE_ABOVE; }
not_above() { ! above; }

case_on_top() {
    start_calculator
    local x0=$MX y0=$MY first=not_above second=above want
    if above; then first=above second=not_above; fi
    for want in "$second" "$first"; do
        sleep 1 # two clicks, not a double click (which clicks once)
        e2e_click $((x0 + ONTOP[0])) $((y0 + ONTOP[1]))
        e2e_wait 5 "$want" || e2e_fail "a click did not make the window $want ($(e2e_state "$MAIN"))"
        [ "$MX,$MY" = "$x0,$y0" ] || e2e_fail "toggling always-on-top moved the window from $x0,$y0 to $MX,$MY"
    done
}

# --- screenshot: the calculator on the desktop, judged pixel by pixel against its skin ---
judge() {
    xdo mousemove 1275 1019 sleep 1
    main_geometry
    timeout 20 import -window root "$E2E_OUT/$1" || e2e_fail "import could not take a screenshot"
    "$QUORVA_E2E_SHOT" "$QUORVA_SKIN_PNG" "$E2E_OUT/$1" "$MX" "$MY" "$2" >&2 ||
        e2e_fail "$1 does not show the calculator as it should (see above; picture in $E2E_OUT)"
}

case_screenshot() {
    [ -x "${QUORVA_E2E_SHOT:-}" ] || e2e_fail "no screenshot checker at '${QUORVA_E2E_SHOT:-}'"
    start_calculator
    judge quorva-start.png empty
    focus_main
    e2e_type $'1\n3/2\n255;h273.15o\n42.5'
    judge quorva-typed.png filled
}

# --- F1 opens the Functions window with its frame at the top-left corner; its close box hides
# it and saves; F1 again brings it back there ---
open_functions() {
    focus_main
    xdo key F1
    wait_named 10 "$FN_TITLE"
    frame "$WIN"
    [ "$FX,$FY" = "0,0" ] || e2e_fail "F1 $1 put the Functions window at $FX,$FY, not the top-left corner"
}

case_functions() {
    # the calculator where it covers none of the other windows
    start_calculator $'WindowPositionX= 960\r\nWindowPositionY= 760\r\n'
    open_functions ""
    shoot_window functions.png "$WIN"
    xdo windowmove "$WIN" 180 140
    sleep 0.5
    frame "$WIN"
    e2e_click $((FX + FW - 11)) $((FY + FTOP / 2))
    e2e_wait 5 not_shown "$FN_TITLE" || e2e_fail "the close box did not hide the Functions window"
    e2e_wait 5 settings_has "WindowPositionX= $MX" || e2e_fail "closing the Functions window saved no position"
    kill -0 "$APP_PID" || e2e_fail "the program ended with the Functions window"
    open_functions again
    # Its Skins tab says when translucency cannot be drawn: not with this bare X server, but
    # once a compositing manager runs and the window is shown anew.
    shoot_window functions-no-compositor.png "$WIN"
    xcompmgr >"$E2E_TMP/xcompmgr.log" 2>&1 &
    local cm=$!
    E2E_PIDS+=("$cm")
    sleep 1
    kill -0 "$cm" || e2e_fail "xcompmgr did not start: $(cat "$E2E_TMP/xcompmgr.log")"
    xdo key F1
    e2e_wait 5 not_shown "$FN_TITLE" || e2e_fail "F1 in the Functions window did not hide it"
    open_functions "with a compositing manager"
    shoot_window functions-compositor.png "$WIN"
    [ "$(compare -metric AE "$E2E_OUT/functions-no-compositor.png" "$E2E_OUT/functions-compositor.png" \
        null: 2>&1 || true)" != 0 ] || e2e_fail "the Skins tab reads the same with and without a compositing manager"
}

# --- the stack display and the large stack's list both drag their window, yet a double click
# on them still opens the large stack and moves an item to level 1 ---
case_large_stack() {
    start_calculator
    focus_main
    e2e_type $'1\n2\n3\n'
    e2e_click $((MX + STACK[0])) $((MY + STACK[1])) 2
    wait_named 10 "Quorva 3 - Large Stack"
    local ls=$WIN lx=$WX ly=$WY
    e2e_click $((lx + 60)) $((ly + 10)) 2 # the bottom row, 1
    sleep 0.5
    WIN=$ls
    e2e_geometry "$ls"
    [ "$WX,$WY" = "$lx,$ly" ] || e2e_fail "the double click moved the window from $lx,$ly to $WX,$WY"
    e2e_focus
    copied 1.000000000000000 "the double click moved 1 to level 1"
    shoot_window large-stack.png "$ls"
    e2e_drag 3 $((lx + 100)) $((ly + 300)) $((lx + 40)) $((ly + 250))
    e2e_wait 3 large_at $((lx - 60)) $((ly - 50)) ||
        e2e_fail "dragging the list did not move the window ($WX,$WY, expected $((lx - 60)),$((ly - 50)))"
}
large_at() { e2e_geometry "$ls" && [ "$WX,$WY" = "$1,$2" ]; }

# --- the splash: in the middle of the screen for about three seconds ---
case_splash() {
    launch
    local t0=$SECONDS
    e2e_wait 10 find_window 'WW == SPLASH_W && WH == SPLASH_H' || e2e_fail "no splash within 10 s"
    [ "$WX,$WY" = "$(((1280 - SPLASH_W) / 2)),$(((1024 - SPLASH_H) / 2))" ] ||
        e2e_fail "the splash is at $WX,$WY, not in the middle of the screen"
    shoot splash.png "$WX" "$WY" "$WW" "$WH"
    e2e_wait 8 splash_gone || e2e_fail "the splash did not go"
    [ $((SECONDS - t0)) -ge 2 ] || e2e_fail "the splash lasted only about $((SECONDS - t0)) s"
}

# --- the notification area: the icon, hiding, its menu, quitting with a confirmation ---

# The small window in the notification area; ICON and its centre IX, IY.
# shellcheck disable=SC2034 # ICON is read by the conditions of find_window
find_icon() { find_window 'WW <= 48 && WH <= 48' && ICON=$WIN IX=$((WX + WW / 2)) IY=$((WY + WH / 2)); }
no_tooltip() { ! find_window 'w != ICON && w != MAIN && WH <= 40'; }
find_menu() { find_window 'w != ICON && w != MAIN && WH >= 60 && WH <= 200 && WW <= 300'; }

case_tray() {
    start_calculator
    e2e_wait 10 find_icon || e2e_fail "no icon in the notification area"
    shoot tray-icon.png $((IX - 40)) $((IY - 16)) 48 32
    e2e_click $((MX + HIDE[0])) $((MY + HIDE[1]))
    e2e_wait 5 main_hidden || e2e_fail "the hide zone did not hide the calculator"
    find_icon || e2e_fail "hiding took the icon away"
    e2e_click "$IX" "$IY"
    e2e_wait 5 main_shown || e2e_fail "a left click on the icon did not show the calculator"
    [ ! -e "$CONFIG/quorva.ini" ] || e2e_fail "hiding wrote the settings file"

    # The icon's tooltip, left from the click, can lie over the icon at the screen's corner and
    # take the right click: leave the icon until it has gone, then click at once.
    xdo mousemove 700 1015
    e2e_wait 5 no_tooltip || e2e_fail "the icon's tooltip stayed"
    e2e_click "$IX" "$IY" 1 3
    e2e_wait 5 find_menu || e2e_fail "a right click on the icon showed no menu"
    shoot tray-menu.png $((WX < IX - 40 ? WX : IX - 40)) "$WY" $((WW + 60)) $((1024 - WY))
    e2e_click $((WX + WW / 2)) $((WY + 4 + (WH - 8) * 7 / 8)) # "Quit", the last of four
    wait_named 5 "Confirmation"
    shoot_window confirmation.png "$WIN"
    e2e_focus
    xdo key Return # Yes is the default button
    e2e_wait 10 program_ended || e2e_fail "Yes did not end the program"
    settings_has "WindowPositionX= $MX" || e2e_fail "quitting did not save the position $MX,$MY"
}

# --- with no notification area: "Start minimized" starts shown and says why; hidden, the
# calculator comes back by a second start, which ends ---
case_second_start() {
    start_calculator $'HideWindows= 1\r\n' no-tray
    grep -q "no notification area" "$E2E_TMP/program.log" ||
        e2e_fail "nothing said why \"Start minimized\" started shown: $(cat "$E2E_TMP/program.log")"
    e2e_click $((MX + HIDE[0])) $((MY + HIDE[1]))
    e2e_wait 5 main_hidden || e2e_fail "the hide zone did not hide the calculator"
    grep -q "start quorva again" "$E2E_TMP/program.log" || e2e_fail "nothing said how to come back"
    timeout 20 env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$CONFIG" \
        >"$E2E_TMP/second.log" 2>&1 || e2e_fail "the second start ended with status $?"
    e2e_wait 5 main_shown || e2e_fail "the second start did not bring the calculator back"
    kill -0 "$APP_PID" || e2e_fail "the first calculator is gone"
}

# --- --toggle: away from where the user looks at it, back with the focus from anywhere else;
# the caller's startup id goes to the window; nothing is saved, nothing quits ---
main_focused() { WIN=$MAIN && e2e_has_focus; }

case_toggle() {
    start_calculator
    focus_main
    again --toggle
    [ "$AGAIN" = 0 ] || e2e_fail "--toggle ended with status $AGAIN: $(cat "$E2E_TMP/again.log")"
    e2e_wait 5 main_hidden || e2e_fail "--toggle did not hide the shown calculator that had the focus"
    kill -0 "$APP_PID" || e2e_fail "--toggle ended the calculator"
    [ ! -e "$CONFIG/quorva.ini" ] || e2e_fail "hiding by --toggle wrote the settings file"

    local id="e2e-launcher-$$_TIME$(date +%s)"
    DESKTOP_STARTUP_ID=$id again --toggle
    e2e_wait 5 main_shown || e2e_fail "--toggle did not show the hidden calculator"
    e2e_wait 5 main_focused || e2e_fail "--toggle showed the calculator without the keyboard focus"
    timeout 5 xprop -id "$MAIN" _NET_STARTUP_ID | grep -qF "\"$id\"" ||
        e2e_fail "the caller's startup id did not reach the window: $(xprop -id "$MAIN" _NET_STARTUP_ID)"
    e2e_type $'7\n'
    copied 7.000000000000000 "keys typed after --toggle"

    # Shown but not the one in use (the Functions window has the focus): it is brought forward,
    # not hidden, and the Functions window stays.
    xdo key F1
    wait_named 10 "$FN_TITLE"
    e2e_focus
    again --toggle
    e2e_wait 5 main_focused || e2e_fail "--toggle did not give the shown calculator the focus"
    main_shown && shown "$FN_TITLE" || e2e_fail "--toggle hid a calculator that was not in use"
    again --toggle
    e2e_wait 5 main_hidden || e2e_fail "--toggle did not hide the focused calculator"
    e2e_wait 5 not_shown "$FN_TITLE" || e2e_fail "--toggle left the Functions window shown"
    again --toggle
    e2e_wait 5 main_shown && e2e_wait 5 shown "$FN_TITLE" ||
        e2e_fail "--toggle did not bring back the Functions window with the calculator"
}

# --- --toggle with none running starts one, shown even with "Start minimized" ticked ---
case_toggle_starts() {
    LAUNCH_ARGS=--toggle start_calculator $'HideWindows= 1\r\n'
    main_shown || e2e_fail "--toggle with no calculator running did not start one, shown"
    again --toggle
    e2e_wait 5 kill -0 "$APP_PID" || e2e_fail "the calculator --toggle started did not stay"
}

# --- --quit: as the menu's Quit, asking first when "Ask for a confirmation" is ticked ---
case_quit() {
    again --quit
    [ "$AGAIN" = 1 ] && grep -q "no calculator runs" "$E2E_TMP/again.log" ||
        e2e_fail "--quit with none running: status $AGAIN, $(cat "$E2E_TMP/again.log")"

    start_calculator $'ConfirmQuit= 1\r\n'
    again --quit
    [ "$AGAIN" = 0 ] || e2e_fail "--quit ended with status $AGAIN: $(cat "$E2E_TMP/again.log")"
    wait_named 5 "Confirmation"
    e2e_focus
    xdo key Escape # No
    e2e_wait 5 not_shown "Confirmation" || e2e_fail "No did not close the confirmation"
    sleep 0.5
    kill -0 "$APP_PID" || e2e_fail "No to the confirmation ended the calculator"
    main_shown || e2e_fail "No to the confirmation hid the calculator"
    again --quit
    wait_named 5 "Confirmation"
    e2e_focus
    xdo key Return # Yes
    e2e_wait 10 program_ended || e2e_fail "Yes did not end the calculator"
    settings_has "ConfirmQuit= 1" || e2e_fail "quitting by --quit did not save the settings"

    printf 'ConfirmQuit= 0\r\n' >"$CONFIG/quorva.ini"
    launch_program
    main_geometry 20
    again --quit
    e2e_wait 10 program_ended || e2e_fail "--quit without a confirmation did not end the calculator"
    settings_has "ConfirmQuit= 0" || e2e_fail "quitting by --quit did not save the settings"
}

# --- the short way loads no Qt: a --toggle kept waiting at its request (the calculator is
# stopped) maps only the C++ runtime, and the program needs no Qt library ---
case_launcher_maps() {
    if readelf -d "$QUORVA_BIN" | grep NEEDED | grep -qi 'qt'; then
        e2e_fail "quorva needs a Qt library: $(readelf -d "$QUORVA_BIN" | grep NEEDED | tr -s ' ')"
    fi
    start_calculator
    kill -STOP "$APP_PID"
    env QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$CONFIG" --toggle >"$E2E_TMP/held.log" 2>&1 &
    local held=$!
    E2E_PIDS+=("$held")
    # waiting for the answer, past the socket write
    waiting() { grep -q '^State:.*S' "/proc/$held/status" && ls -l "/proc/$held/fd" | grep -q 'socket:'; }
    e2e_wait 3 waiting || { kill -CONT "$APP_PID"; e2e_fail "the launcher did not wait at the socket"; }
    local maps
    maps=$(awk '$6 ~ /^\// { print $6 }' "/proc/$held/maps" | sort -u)
    kill -CONT "$APP_PID"
    e2e_log "the waiting launcher maps: $(echo "$maps" | xargs -n1 basename | tr '\n' ' ')"
    ! grep -qi -e qt -e libX -e xcb -e quorva-windows <<<"$maps" || e2e_fail "the launcher mapped: $maps"
    grep -q 'libstdc++' <<<"$maps" || e2e_fail "the maps were not read: $maps"
    wait "$held" || e2e_fail "the held --toggle ended with status $? once the calculator went on"
    e2e_wait 5 main_hidden || e2e_fail "the held --toggle was not carried out"
}

# --- a hostile environment: no folder to write the settings into, HOME unset, no runtime
# folder and no writable temporary folder for the lock. As an ordinary user (nobody, when run as
# root: root ignores permissions), from a copy of the program in a folder it cannot write. Each
# time the calculator starts, works and says on stderr what it cannot do ---
# run in the background only: the exec keeps $! the program's pid
as_user() {
    if [ "$(id -u)" = 0 ]; then exec setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else exec "$@"; fi
}

# hostile NAME EXPECTED-MESSAGE ENV...: starts the copy with exactly ENV and DISPLAY.
hostile() {
    local name=$1 message=$2 log=$E2E_TMP/$1.log
    shift 2
    : >"$log"
    as_user env -i DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "$@" "$E2E_TMP/prog/quorva" >"$log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
    main_geometry 20
    focus_main
    e2e_type $'6\n7*'
    xdo key F1 sleep 0.5 key F1 # closing the Functions window saves
    sleep 0.3
    focus_main
    copied 42.000000000000000 "$name: 6 Enter 7 * (the calculator did not work)"
    kill -TERM "$APP_PID"
    e2e_wait 10 program_ended || e2e_fail "$name: SIGTERM did not end the program"
    wait "$APP_PID" || e2e_fail "$name: the program ended with status $?: $(cat "$log")"
    grep -q "$message" "$log" || e2e_fail "$name: nothing on stderr says '$message': $(cat "$log")"
    [ "$(grep -c 'Cannot save the settings' "$log")" -le 1 ] || e2e_fail "$name: told more than once: $(cat "$log")"
    e2e_log "$name: $(tr '\n' ' ' <"$log")"
}

case_hostile_env() {
    launch desktop-only
    chmod 711 "$E2E_TMP"
    mkdir -p "$E2E_TMP/prog" "$E2E_TMP/closed/quorva"
    cp "$QUORVA_BIN" "$E2E_TMP/prog/quorva"
    cp "$(dirname "$QUORVA_BIN")/quorva-windows.so" "$E2E_TMP/prog/"
    chmod 555 "$E2E_TMP/prog" "$E2E_TMP/closed/quorva" "$E2E_TMP/closed"
    local closed=$E2E_TMP/closed
    if [ "$(id -u)" != 0 ] && [ -w "$closed" ]; then e2e_log "SKIP: cannot make a folder this user cannot write"; exit 77; fi
    hostile unwritable "Cannot save the settings to $closed/quorva/quorva.ini" \
        HOME="$closed" XDG_CONFIG_HOME="$closed"
    hostile no_runtime_no_tmp "running without single-instance" \
        HOME="$closed" XDG_CONFIG_HOME="$closed" XDG_RUNTIME_DIR="$E2E_TMP/missing" TMPDIR=/proc
    # without HOME the user's own home is used: only nobody's (which does not exist) is safe
    if [ "$(id -u)" = 0 ]; then
        hostile no_home "Cannot save the settings to /nonexistent" XDG_RUNTIME_DIR="$E2E_TMP/missing"
    else
        e2e_log "no_home not tried: without HOME the settings would go to this user's real home"
    fi
}

# --- bad input through the real window: 301 Enters, a key held for 10000 repeats, a paste of
# 1 MiB of digits, pastes with NUL and control characters. Each time the window answers the next
# keys at once and holds the stack quorva-keys gives for the same keys; then 100000 keys of stack
# work and undo leave the memory as it was after the first 1000 ---

# answers WHAT EXPECTED: the keys sent so far are taken, and a Ctrl+C typed now shows EXPECTED
# (the top item's text; empty for an empty stack) on the clipboard within a second.
answers() {
    # an empty stack copies nothing: the clipboard stays as it was
    copied "${2:-nothing copied}" "$1" 1
    e2e_log "$1: answered in $COPIED_MS ms"
    # nothing copied proves no answer: a number typed now must come back
    [ -n "$2" ] || { xdo key 1 Return && answers "$1, then 1 Enter" 1.000000000000000; }
}

# holds_stack WHAT QUORVA-KEYS-ARGS...: the window's stack is the one quorva-keys ends with for
# the same keys: the five shown items and the bottom one read back through Ctrl+C, and as many
# items in all (the items between are dropped unread: each read costs a clipboard round trip).
# Empties the stack.
holds_stack() {
    local what=$1 want n i
    shift
    mapfile -t want < <("$QUORVA_KEYS" "$@" | sed -n 's/^item [0-9]*: kind=[0-9]* value=[^ ]* text=//p' | tac)
    n=${#want[@]}
    for ((i = 0; i < n && i < 5; i++)); do
        answers "$what: item $((i + 1)) of $n" "${want[i]}"
        xdo key d
    done
    if ((n > 5)); then
        ((n == 6)) || timeout 60 xdotool key --repeat $((n - 6)) --delay 0 d
        answers "$what: item $n of $n" "${want[n - 1]}"
        xdo key d
    fi
    answers "$what: nothing after item $n" ""
    xdo key d
}

# pastes WHAT FILE [KEYS...]: FILE's bytes on the clipboard, Ctrl+V, then KEYS (xdotool names),
# then Enter; the stack must be quorva-keys' for the same.
pastes() {
    local what=$1 file=$2
    shift 2
    xclip -quiet -selection clipboard -i "$file" >/dev/null 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait 5 clipboard_is "$(tr -d '\0' <"$file")" || e2e_fail "could not put $what on the clipboard"
    xdo key 8 Return ctrl+v "$@" Return
    # X clients such as browsers end a text selection with a NUL, so Qt reads one trailing NUL
    # as the end of the text: quorva-keys is given the text the program reads.
    perl -0777 -pe 's/\0\z//' "$file" >"$file.read"
    holds_stack "$what" --clipboard-file "$file.read" 8 '<Enter>' '<C-v>' "${@//Return/<Enter>}" '<Enter>'
}

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$APP_PID/status"; }

case_bad_input() {
    [ -x "${QUORVA_KEYS:-}" ] || e2e_fail "no quorva-keys at '${QUORVA_KEYS:-}'"
    start_calculator
    focus_main
    local i
    xdo key 5 && xdo key --repeat 301 --delay 0 Return
    holds_stack "301 Enters" 5 '<Enter*301>'

    timeout 60 xdotool key --repeat 10000 --delay 0 9 || e2e_fail "xdotool could not hold the key"
    xdo key Return 4 Return
    holds_stack "9 held for 10000 repeats, then Enter" '<9*10000>' '<Enter>' 4 '<Enter>'

    local f=$E2E_TMP/paste
    head -c 1048576 /dev/zero | tr '\0' 7 >"$f"
    pastes "1 MiB of sevens" "$f"
    { head -c 1048573 /dev/zero | tr '\0' 0; printf 425; } >"$f"
    pastes "1 MiB of digits, then 1" "$f" 1
    printf '12\0003\001\033[A\r\n\t4' >"$f"
    pastes "NUL and control characters" "$f"
    printf '\033[2J12\0' >"$f"
    pastes "a number between control characters" "$f" 5
    printf '&FF\000' >"$f"
    pastes "a hexadecimal number and a trailing NUL" "$f" 1
    printf '&FF\0001' >"$f"
    pastes "a hexadecimal number, a NUL, a digit" "$f"

    # 1000 keys: 125 times push 12 and 3, add, undo, drop both
    local chunk=(1 2 Return 3 plus u d d) first last
    timeout 60 xdotool key --repeat 125 --delay 0 "${chunk[@]}"
    xdo key 5 Return
    holds_stack "the first 1000 keys" "$(printf '12<Enter>3+udd%.0s' $(seq 125))" 5 '<Enter>'
    xdo key 5 Return
    first=$(rss_kb)
    for ((i = 1; i < 100; i++)); do
        timeout 60 xdotool key --repeat 125 --delay 0 "${chunk[@]}" || e2e_fail "xdotool failed at chunk $i"
        ((i % 20 == 0)) && answers "after $((i + 1))000 keys" 5.000000000000000
    done
    answers "100000 keys" 5.000000000000000
    last=$(rss_kb)
    e2e_log "VmRSS after 1000 keys: $first kB, after 100000: $last kB"
    [ $((last - first)) -le 1024 ] && [ $((first - last)) -le 1024 ] ||
        e2e_fail "VmRSS went from $first kB to $last kB over 99000 keys"
}

# --- "Keep the stack when quitting": 300 items of all three kinds and an undo record, made by
# quorva-keys, come back in the real program; ended by SIGTERM it writes them, with what was
# typed meanwhile, bit for bit as quorva-keys does for the same keys; the next start shows them
# again, read back through the clipboard ---
binary() { local n=$1 digits=""; while ((n > 0)); do digits=$((n % 2))$digits n=$((n / 2)); done; echo "${digits:-0}"; }
stack_ends() { e2e_wait 10 program_ended && wait "$APP_PID"; }

case_keep_stack() {
    [ -x "${QUORVA_KEYS:-}" ] || e2e_fail "no quorva-keys at '${QUORVA_KEYS:-}'"
    local script="" i made=$E2E_TMP/made.stack want=$E2E_TMP/want.stack top
    for ((i = 1; i <= 100; i++)); do script+="$i<Enter>7/&$(printf '%x' $((i * 4099)))<Enter>'$(binary "$i")<Enter>"; done
    "$QUORVA_KEYS" --stack-out "$made" -- "$script" d >/dev/null || e2e_fail "quorva-keys could not make the stack"
    grep -qx 'count 299' "$made" && grep -q '^undo 1 300 ' "$made" || e2e_fail "the stack made is not 299 items and an undo"
    "$QUORVA_KEYS" --stack-in "$made" --stack-out "$want" u >/dev/null
    cp "$made" "$CONFIG/quorva.stack"
    start_calculator $'ConfirmQuit= 0\r\nKeepStack= 1\r\n'
    focus_main
    xdo key u # the drop quorva-keys made comes undone: 300 items
    top=$(sed -n 's/^300 [0-9] [0-9A-F]* "\(.*\)"$/\1/p' "$want")
    copied "$top" "the 300th item after u"
    kill -TERM "$APP_PID"
    stack_ends || e2e_fail "the program did not end well after SIGTERM: $(cat "$E2E_TMP/program.log")"
    cmp "$want" "$CONFIG/quorva.stack" || e2e_fail "the stack written at SIGTERM is not quorva-keys': $(diff "$want" "$CONFIG/quorva.stack" | head -5)"
    grep -qx 'count 300' "$CONFIG/quorva.stack" || e2e_fail "the stack written at SIGTERM does not hold 300 items"

    launch_program
    main_geometry 20
    e2e_wait 10 splash_gone || e2e_fail "the splash window is still shown after 10 s"
    focus_main
    holds_stack "the stack of the last run" --stack-in "$want"
    kill -TERM "$APP_PID"
    stack_ends || e2e_fail "the second run did not end well after SIGTERM"
    "$QUORVA_KEYS" --stack-in "$CONFIG/quorva.stack" | grep -qx 'items: 0' || e2e_fail "the emptied stack was not written"
    [ ! -e "$CONFIG/quorva.stack.bad" ] || e2e_fail "a stack file was refused: $(cat "$E2E_TMP/program.log")"
}

declare -F "case_$1" >/dev/null || e2e_fail "unknown case $1"
"case_$1"
