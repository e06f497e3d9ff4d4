#!/usr/bin/env bash
# run.sh CASE: what only a real X server with a window manager and a notification area shows
# (what keys do to the displays is in tests/keys). ctest sets QUORVA_BIN, QUORVA_KEYS, QUORVA_E2E_OUT.
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

# The picture and the stack display move the window with either button; the on-top zone toggles
# _NET_WM_STATE_ABOVE without moving it; SIGTERM saves the place.
above() { main_geometry && timeout 5 xprop -id "$MAIN" _NET_WM_STATE | grep -qw _NET_WM_STATE_ABOVE; }
not_above() { ! above; }
at_place() { find_window "WW == SKIN_W && WH == SKIN_H && WX == $1 && WY == $2"; }

case_main_window() {
    local row button px py dx dy x0 y0 state first=not_above second=above
    start_calculator
    for row in "1 ${BRAND[*]}" "1 ${STACK[*]}" "3 ${BRAND[*]}"; do
        read -r button px py <<<"$row"
        main_geometry
        dx=$((MX > 600 ? -140 : 140)) dy=$((MY > 500 ? -90 : 90)) # wholly on the screen
        e2e_drag "$button" $((MX + px)) $((MY + py)) $((MX + px + dx)) $((MY + py + dy))
        e2e_wait 3 at_place $((MX + dx)) $((MY + dy)) ||
            e2e_fail "button $button at $px,$py: the window went to $WX,$WY, not $((MX + dx)),$((MY + dy))"
    done
    if above; then first=above second=not_above; fi
    x0=$MX y0=$MY
    for state in "$second" "$first"; do
        sleep 1 # two clicks, not a double click
        e2e_click $((x0 + ONTOP[0])) $((y0 + ONTOP[1]))
        e2e_wait 5 "$state" || e2e_fail "a click did not make the window $state ($(xprop -id "$MAIN" _NET_WM_STATE))"
        [ "$MX,$MY" = "$x0,$y0" ] || e2e_fail "toggling always-on-top moved the window from $x0,$y0 to $MX,$MY"
    done
    sigterm main_window
    { settings_has "WindowPositionX= $MX" && settings_has "WindowPositionY= $MY"; } ||
        e2e_fail "SIGTERM did not save the position $MX,$MY: $(tr '\r\n' ' ;' <"$CONFIG/quorva.ini" 2>&1)"
}

pixels() { convert "$@" -colorspace gray -format '%[fx:round(mean*w*h)]' info:; }
# within N LEAST MOST WHAT
within() { e2e_log "$4: $1"; (($1 >= $2 && $1 <= $3)) || e2e_fail "$4: $1, not $2..$3"; }

# outline NAME PICTURE: screenshot NAME shows PICTURE with its top-left colour cut out: the
# desktop there, and that colour nowhere in the window.
outline() {
    local win=$E2E_TMP/window.png diff=$E2E_TMP/diff.png key desk holes
    main_geometry
    xdo mousemove 1275 1019 sleep 0.6 # no tooltip in the way
    timeout 20 import -window root -crop "$((SKIN_W + 16))x$((SKIN_H + 16))+$((MX - 8))+$((MY - 8))" +repage \
        "$E2E_OUT/$1" || e2e_fail "import could not take a screenshot" # with 8 pixels of desktop around
    convert "$E2E_OUT/$1" -crop "${SKIN_W}x${SKIN_H}+8+8" +repage "$win"
    key=$(convert "$2" -format '%[pixel:p{0,0}]' info:)
    desk=$(convert "$E2E_OUT/$1" -format '%[pixel:p{2,2}]' info:)
    convert "$2" -fill "$desk" -opaque "$key" "$win" -compose difference -composite -colorspace gray \
        -threshold 3% "$diff"
    holes=(\( "$2" -fill black +opaque "$key" -fill white -opaque "$key" \))
    within "$(pixels "${holes[@]}")" 1 9999999 "$1: pixels of $key cut out"
    within "$(pixels "$diff" "${holes[@]}" -compose multiply -composite)" 0 0 "$1: cut-out pixels not showing $desk"
    within "$(pixels "$win" -fill black +opaque "$key" -fill white -opaque "$key")" 0 0 "$1: window pixels of $key"
}

# F1 shows the Functions window, its frame at the top-left; its close box hides it and saves.
# A double click on the stack display or the large stack's list is no drag; the list drags.
open_functions() {
    focus_main
    xdo key F1
    wait_named 10 "$FN_TITLE"
    frame "$WIN"
    [ "$FX,$FY" = "0,0" ] || e2e_fail "F1 $1 put the Functions window at $FX,$FY, not the top-left corner"
}

case_other_windows() {
    start_calculator $'WindowPositionX= 960\r\nWindowPositionY= 760\r\n' # covering no other window
    open_functions ""
    xdo windowmove "$WIN" 180 140
    sleep 0.5
    frame "$WIN"
    e2e_click $((FX + FW - 11)) $((FY + FTOP / 2))
    e2e_wait 5 not_shown "$FN_TITLE" || e2e_fail "the close box did not hide the Functions window"
    e2e_wait 5 settings_has "WindowPositionX= $MX" || e2e_fail "closing the Functions window saved no position"
    open_functions again
    focus_main
    e2e_type $'1\n2\n3\n'
    e2e_click $((MX + STACK[0])) $((MY + STACK[1])) 2
    wait_named 10 "Quorva 3 - Large Stack"
    local ls=$WIN lx=$WX ly=$WY
    e2e_click $((lx + 60)) $((ly + 10)) 2 # the bottom row, 1
    sleep 0.5
    large_at "$lx" "$ly" || e2e_fail "the double click moved the window from $lx,$ly to $WX,$WY"
    e2e_drag 3 $((lx + 100)) $((ly + 300)) $((lx + 40)) $((ly + 250))
    e2e_wait 3 large_at $((lx - 60)) $((ly - 50)) ||
        e2e_fail "dragging the list did not move the window ($WX,$WY, expected $((lx - 60)),$((ly - 50)))"
}
large_at() { e2e_geometry "$ls" && [ "$WX,$WY" = "$1,$2" ]; }

# The icon stays when hidden, a left click shows (saving nothing), its menu's Quit asks first.
# shellcheck disable=SC2034 # ICON is read by the conditions of find_window
find_icon() { find_window 'WW <= 48 && WH <= 48' && ICON=$WIN IX=$((WX + WW / 2)) IY=$((WY + WH / 2)); }
no_tooltip() { ! find_window 'w != ICON && w != MAIN && WH <= 40'; }
find_menu() { find_window 'w != ICON && w != MAIN && WH >= 60 && WH <= 200 && WW <= 300'; }

case_tray() {
    start_calculator
    e2e_wait 10 find_icon || e2e_fail "no icon in the notification area"
    e2e_click $((MX + HIDE[0])) $((MY + HIDE[1]))
    e2e_wait 5 main_hidden || e2e_fail "the hide zone did not hide the calculator"
    find_icon || e2e_fail "hiding took the icon away"
    e2e_click "$IX" "$IY"
    e2e_wait 5 main_shown || e2e_fail "a left click on the icon did not show the calculator"
    [ ! -e "$CONFIG/quorva.ini" ] || e2e_fail "hiding wrote the settings file"
    xdo mousemove 700 1015
    e2e_wait 5 no_tooltip || e2e_fail "the icon's tooltip stayed, to take the right click"
    e2e_click "$IX" "$IY" 1 3
    e2e_wait 5 find_menu || e2e_fail "a right click on the icon showed no menu"
    e2e_click $((WX + WW / 2)) $((WY + 4 + (WH - 8) * 7 / 8)) # "Quit", the last of four
    wait_named 5 "Confirmation"
}

# With no notification area "Start minimized" starts shown and says why; a second start shows.
case_second_start() {
    start_calculator $'HideWindows= 1\r\n' no-tray
    grep -q "no notification area" "$E2E_TMP/program.log" ||
        e2e_fail "nothing said why \"Start minimized\" started shown: $(cat "$E2E_TMP/program.log")"
    e2e_click $((MX + HIDE[0])) $((MY + HIDE[1]))
    e2e_wait 5 main_hidden || e2e_fail "the hide zone did not hide the calculator"
    grep -q "start quorva again" "$E2E_TMP/program.log" || e2e_fail "nothing said how to come back"
    again
    e2e_wait 5 main_shown || e2e_fail "the second start did not bring the calculator back"
}

# --toggle starts one, shown even with "Start minimized"; hides the one in use (saving nothing),
# shows it with the focus and the caller's startup id, or brings it forward. --quit asks, saves.
main_focused() { WIN=$MAIN && e2e_has_focus; }

case_toggle() {
    STATUS=1 again --quit
    grep -q "no calculator runs" "$E2E_TMP/again.log" || e2e_fail "--quit with none running did not say so"
    LAUNCH_ARGS=--toggle start_calculator $'HideWindows= 1\r\n'
    main_shown || e2e_fail "--toggle with no calculator running did not start one, shown"
    focus_main
    again --toggle
    e2e_wait 5 main_hidden || e2e_fail "--toggle did not hide the shown calculator that had the focus"
    kill -0 "$APP_PID" || e2e_fail "--toggle ended the calculator"
    [ "$(cat "$CONFIG/quorva.ini")" = $'HideWindows= 1\r' ] || e2e_fail "hiding by --toggle saved"
    local id=e2e-launcher-$$_TIME$EPOCHSECONDS
    DESKTOP_STARTUP_ID=$id again --toggle
    e2e_wait 5 main_shown || e2e_fail "--toggle did not show the hidden calculator"
    e2e_wait 5 main_focused || e2e_fail "--toggle showed the calculator without the keyboard focus"
    timeout 5 xprop -id "$MAIN" _NET_STARTUP_ID | grep -qF "\"$id\"" ||
        e2e_fail "the caller's startup id did not reach the window: $(xprop -id "$MAIN" _NET_STARTUP_ID)"
    xdo key F1
    wait_named 10 "$FN_TITLE"
    e2e_focus
    again --toggle
    e2e_wait 5 main_focused || e2e_fail "--toggle did not give the shown calculator the focus"
    main_shown && shown "$FN_TITLE" || e2e_fail "--toggle hid a calculator that was not in use"
    again --quit
    wait_named 5 "Confirmation"
    e2e_focus
    xdo key Return # Yes is the default button
    e2e_wait 10 program_ended || e2e_fail "Yes did not end the calculator"
    settings_has "WindowPositionX= $MX" || e2e_fail "quitting by --quit did not save the settings"
}

# As an ordinary user, from a folder it cannot write, no HOME (or a closed one), no runtime folder,
# no writable TMPDIR: it starts, works, ends well and says each thing it cannot do, once.
case_hostile_env() {
    launch desktop-only
    local closed=$E2E_TMP/closed log=$E2E_TMP/hostile.log home=() as where message
    chmod 711 "$E2E_TMP"
    mkdir -p "$E2E_TMP/prog" "$closed/quorva"
    cp "$QUORVA_BIN" "$(dirname "$QUORVA_BIN")/quorva-windows.so" "$E2E_TMP/prog/"
    chmod 555 "$E2E_TMP/prog" "$closed/quorva" "$closed"
    # as root, nobody, whose home does not exist (another user's real home would be written)
    where=/nonexistent as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    if [ "$(id -u)" != 0 ]; then
        [ ! -w "$closed" ] || { e2e_log "SKIP: cannot make a folder this user cannot write"; exit 77; }
        where=$closed/quorva/quorva.ini home=(HOME="$closed" XDG_CONFIG_HOME="$closed") as=()
    fi
    spawn hostile "${as[@]}" env -i DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 "${home[@]}" \
        XDG_RUNTIME_DIR="$E2E_TMP/missing" TMPDIR=/proc "$E2E_TMP/prog/quorva"
    APP_PID=$SPAWNED
    main_geometry 20
    focus_main
    e2e_type $'6\n7*'
    copied 42.000000000000000 "6 Enter 7 * (the calculator did not work)"
    sigterm hostile
    for message in "Cannot save the settings to $where" "running without single-instance"; do
        [ "$(grep -c "$message" "$log")" = 1 ] || e2e_fail "stderr does not say '$message' once: $(cat "$log")"
    done
}

# Pastes through the real clipboard onto a kept stack (all three kinds, an undo record): 1 MiB (a
# transfer in parts), NUL and control characters; X clients such as browsers end a selection with
# a NUL, so one trailing NUL is read as the end. SIGTERM writes the stack quorva-keys ends with.
# shellcheck disable=SC2059,SC2086 # the data is a format; no key or one
case_paste() {
    local f=$E2E_TMP/paste want=$E2E_TMP/want.stack script="" i row what data keys top
    for ((i = 1; i <= 50; i++)); do script+="$i<Enter>7/&$(printf '%x' $((i * 4099)))<Enter>'101<Enter>"; done
    "$QUORVA_KEYS" --stack-out "$want" -- "$script" d >/dev/null && grep -q '^undo ' "$want" ||
        e2e_fail "quorva-keys could not make the stack"
    cp "$want" "$CONFIG/quorva.stack"
    start_calculator $'KeepStack= 1\r\n'
    rm "$CONFIG/quorva.stack" # read: SIGTERM must write it anew
    focus_main
    for row in "1 MiB of digits|@mib|1" "NUL and control characters|12\0003\001\033[A\r\n\t4|" \
        "a hexadecimal number and a trailing NUL|&FF\000|1" "a hexadecimal number, a NUL, a digit|&FF\0001|"; do
        IFS='|' read -r what data keys <<<"$row"
        [ "$data" != @mib ] || data=$(head -c 1048573 /dev/zero | tr '\0' 0)425
        printf "$data" >"$f"
        clip "$f"
        xdo key 8 Return ctrl+v $keys Return
        perl -0777 -pe 's/\0\z//' "$f" >"$f.read"
        top=$("$QUORVA_KEYS" --stack-in "$want" --stack-out "$want" --clipboard-file "$f.read" 8 '<Enter>' '<C-v>' \
            $keys '<Enter>' | sed -n 's/^item [0-9]*: kind=[0-9]* value=[^ ]* text=//p' | tail -n1)
        copied "$top" "$what: the top item"
    done
    sigterm paste
    cmp "$want" "$CONFIG/quorva.stack" || e2e_fail "the pastes made another stack than quorva-keys"
}

# Every sample skin, with a few numbers typed: the window has its picture's size and outline.
case_skins() {
    local qsd picture skins
    skins=$(dirname "$QUORVA_BIN")/skins
    launch desktop-only
    for qsd in "$skins"/*.qsd; do
        picture=$skins/$(sed -n 's/^bitmap_file=//p' "$qsd" | tail -n1 | tr -d '\r' | tr '\\' /)
        [ -f "$picture" ] || e2e_fail "$qsd: no picture at '$picture'"
        read -r SKIN_W SKIN_H < <(identify -format '%w %h\n' "$picture" | head -n1)
        printf 'SkinFile=%s\r\n' "$qsd" >"$CONFIG/quorva.ini"
        launch_program
        main_up
        focus_main
        e2e_type $'1\n3/2\n255;h273.15o\n42.5'
        outline "$(basename "$qsd" .qsd).png" "$picture"
        sigterm "$qsd"
    done
    [ -n "${APP_PID:-}" ] || e2e_fail "no skin in $skins"
}

# As a screen reader finds it: Qt's AT-SPI bridge on an accessibility bus of its own (run under
# dbus-run-session), read by a11y_client.py; the transcript goes to QUORVA_E2E_OUT.
case_a11y() {
    local launcher=/usr/libexec/at-spi-bus-launcher
    [ -x "$launcher" ] && /usr/bin/python3 -c "import pyatspi" 2>/dev/null ||
        { e2e_log "SKIP: at-spi2-core or python3-pyatspi is missing (scripts/deps.sh installs them)"; exit 77; }
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || e2e_fail "no session bus: run under dbus-run-session"
    launch desktop-only
    spawn at-spi "$launcher" --launch-immediately # on the X server just started
    launch_program QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS"
    main_up
    timeout 100 /usr/bin/python3 "$(dirname "$0")/a11y_client.py" "$APP_PID" "$QUORVA_KEYS" \
        "$QUORVA_BIN --config-dir $CONFIG --toggle" >"$E2E_OUT/a11y-transcript.txt" 2>"$E2E_TMP/client.log" ||
        e2e_fail "the AT-SPI client failed with status $? (its transcript: $E2E_OUT/a11y-transcript.txt)"
    kill -0 "$APP_PID" || e2e_fail "the program ended during the test"
}

declare -F "case_$1" >/dev/null || e2e_fail "unknown case $1"
"case_$1"
