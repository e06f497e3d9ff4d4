#!/usr/bin/env bash
# End-to-end tests of the calculator's other windows on a private X server with openbox and a
# notification area (trayer): the Functions and Settings window, the large stack window, the
# splash, the notification-area icon and its menu, hiding, a second start, quitting and signals.
#   windows.sh functions|function_rows|large_stack|splash|tray|second_start|no_tray|signals
# Environment (ctest sets it): QUORVA_BIN the program, QUORVA_E2E_OUT where screenshots go.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
source "$here/harness.sh"

case_name=${1:?usage: windows.sh functions|function_rows|large_stack|splash|tray|second_start|no_tray|signals}
e2e_init "$case_name"
e2e_need Xvfb openbox trayer xdotool xclip xprop xwininfo import convert
[ -x "${QUORVA_BIN:-}" ] || e2e_fail "no program at '${QUORVA_BIN:-}'"

SKIN_W=262 SKIN_H=188
SPLASH_W=413 SPLASH_H=227
FN_TITLE="Quorva 4.00 - Functions and Settings"
LS_TITLE="Quorva 3 - Large Stack"
HIDE=(246 20)  # the hide zone of the built-in skin, in window pixels
BRAND=(60 20)  # the name plate: a place to drag the calculator by
STACK=(100 90) # the stack display
ROW_H=14       # a row of the function list at 96 dots per inch
CONFIG=$E2E_TMP/config
# Plain number texts, so that results read back as typed: 0.5, not 500.000000000000000E-3.
PLAIN=$'FillDecimals= 0\r\nEngineeringFormat= 0\r\n'
NOTHING="(nothing copied)"

start_tray() {
    trayer --edge bottom --align right --widthtype pixel --width 64 --height 32 --SetDockType true \
        --transparent false --tint 0x303030 >"$E2E_TMP/trayer.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_wait 10 tray_running || e2e_fail "trayer did not come up within 10 s"
}
# (grep reads to the end: with pipefail, an early exit of grep -q would fail xwininfo's write)
tray_running() { timeout 5 xwininfo -root -tree | grep -F '("panel" "trayer")' >/dev/null; }

# start_calculator [tray|no-tray] [settings text]: X, openbox, the tray host, the program; waits
# for the calculator and for the splash to go. Sets MAIN and the geometry of the calculator.
start_calculator() {
    local tray=${1:-tray}
    mkdir -p "$CONFIG"
    [ -z "${2:-}" ] || printf '%s' "$2" >"$CONFIG/quorva.ini"
    e2e_start_x
    e2e_start_wm
    [ "$tray" = no-tray ] || start_tray
    # No session bus: the icon goes to the X notification area that trayer is.
    e2e_start_program env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$CONFIG"
    e2e_wait_window 20 "$SKIN_W" "$SKIN_H"
    MAIN=$WIN
    e2e_wait 10 splash_gone || e2e_fail "the splash window is still shown after 10 s"
    main_geometry
}
main_geometry() { WIN=$MAIN && geometry "$MAIN" && MX=$WX MY=$WY; }
splash_gone() { ! has_sized "$SPLASH_W" "$SPLASH_H"; }
has_sized() { local keep=$WIN; WANT_W=$1 WANT_H=$2; if e2e_find_sized; then WIN=$keep; return 0; fi; WIN=$keep; return 1; }

# named TITLE: prints the program's viewable window of that title.
named() { xdo search --all --onlyvisible --pid "$APP_PID" --name "^$1\$" 2>/dev/null | head -n1; }
shown() { [ -n "$(named "$1")" ]; }
not_shown() { [ -z "$(named "$1")" ]; }
main_shown() { xwininfo -id "$MAIN" 2>/dev/null | grep -q IsViewable; }
main_hidden() { ! main_shown; }

# geometry WID: sets WX WY WW WH from the X server itself (xdotool counts the frame of a
# decorated window twice in its position).
geometry() {
    local line
    WX="" WY=""
    while IFS= read -r line; do
        case $line in
        *"Absolute upper-left X:"*) WX=${line##* } ;;
        *"Absolute upper-left Y:"*) WY=${line##* } ;;
        *"Width:"*) WW=${line##* } ;;
        *"Height:"*) WH=${line##* } ;;
        esac
    done < <(timeout 5 xwininfo -id "$1" 2>/dev/null)
    [ -n "$WX" ] && [ -n "$WY" ]
}

# wait_named SECONDS TITLE: sets WIN and its geometry.
wait_named() {
    e2e_wait "$1" shown "$2" || e2e_fail "no window '$2' within $1 s"
    WIN=$(named "$2")
    geometry "$WIN"
}

# frame WID: sets FX FY FW FH, the window with the window manager's frame around it.
frame() {
    local extents l r t b
    geometry "$1" || return 1
    extents=$(timeout 5 xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    IFS=, read -r l r t b <<<"${extents:-0,0,0,0}"
    FX=$((WX - l)) FY=$((WY - t)) FW=$((WW + l + r)) FH=$((WH + t + b)) FTOP=$t
}

# shoot NAME X Y W H: the screen region (with a margin of desktop) as $E2E_OUT/NAME.png.
shoot() {
    local m=8
    e2e_park_pointer
    sleep 0.6
    timeout 20 import -window root "$E2E_TMP/screen.png" || e2e_fail "import could not take a screenshot"
    local x=$(($2 - m)) y=$(($3 - m))
    [ "$x" -ge 0 ] || x=0
    [ "$y" -ge 0 ] || y=0
    convert "$E2E_TMP/screen.png" -crop "$(($4 + 2 * m))x$(($5 + 2 * m))+$x+$y" +repage "$E2E_OUT/$1" ||
        e2e_fail "could not crop $1"
    e2e_log "screenshot $E2E_OUT/$1"
}
shoot_window() { frame "$2" && shoot "$1" "$FX" "$FY" "$FW" "$FH"; }

focus_main() { WIN=$MAIN && e2e_focus; }

# copied EXPECTED WHAT: Ctrl+C in the focused window puts EXPECTED on the clipboard.
copied() {
    local got
    e2e_set_clipboard "$NOTHING"
    xdo key --delay 40 ctrl+c
    if [ "$1" = "$NOTHING" ]; then sleep 1.5; else e2e_wait 5 e2e_clipboard_is_not "$NOTHING"; fi
    got=$(e2e_clipboard)
    [ "$got" = "$1" ] || e2e_fail "$2: copied '$got', expected '$1'"
    e2e_log "ok   $2: $got"
}

settings_has() { grep -q "^$1"$'\r'"\$" "$CONFIG/quorva.ini" 2>/dev/null; }

# --- F1, the close box, F1 again ---
# The calculator where it covers none of the other windows.
ASIDE=$'WindowPositionX= 960\r\nWindowPositionY= 760\r\n'

case_functions() {
    start_calculator tray "$ASIDE"
    focus_main
    xdo key F1
    wait_named 10 "$FN_TITLE"
    local fn=$WIN
    frame "$fn"
    [ "$FX,$FY" = "0,0" ] || e2e_fail "F1 put the Functions window at $FX,$FY, not the top-left corner"
    e2e_log "ok   F1 opened the Functions window at the top-left corner (${FW}x$FH with its frame)"
    cmp -s "$CONFIG/quorva.ini" <(printf '%s' "$ASIDE") || e2e_fail "the settings file was written before anything saved"

    # Every page, as the user sees it.
    local tab names=(skins at-launch controls decimal on-exit)
    for tab in 0 1 2 3 4; do
        # the five tabs lie in one row along the top of the tab strip, each over 60 pixels wide
        e2e_click $((WX + 262 + tab * 80)) $((WY + 24))
        sleep 0.4
        shoot_window "functions-${names[tab]}.png" "$fn"
    done

    # Moved away, then closed with its close box: hidden, settings written.
    xdo windowmove "$fn" 180 140
    sleep 0.5
    frame "$fn"
    e2e_click $((FX + FW - 11)) $((FY + FTOP / 2))
    e2e_wait 5 not_shown "$FN_TITLE" || e2e_fail "the close box did not hide the Functions window"
    e2e_wait 5 test -s "$CONFIG/quorva.ini" || e2e_fail "closing the Functions window wrote no settings file"
    settings_has "WindowPositionX= $MX" || e2e_fail "the settings file lacks the calculator's position: $(tr '\r\n' ' ;' <"$CONFIG/quorva.ini")"
    e2e_log "ok   the close box hid the window and wrote $(wc -l <"$CONFIG/quorva.ini") settings lines"
    kill -0 "$APP_PID" || e2e_fail "the program ended with the Functions window"

    focus_main
    xdo key F1
    wait_named 10 "$FN_TITLE"
    [ "$WIN" = "$fn" ] || e2e_log "note: the window came back as $WIN (was $fn)"
    frame "$WIN"
    [ "$FX,$FY" = "0,0" ] || e2e_fail "F1 opened the Functions window again at $FX,$FY, not the top-left corner"
    e2e_log "ok   F1 opened it again at the top-left corner"
}

# --- a click on a row runs it ---
click_row() {
    e2e_click $((FNX + 40)) $((FNY + 5 + $1 * ROW_H + ROW_H / 2))
    sleep 0.3
}

case_function_rows() {
    start_calculator tray "${PLAIN}Radians=False"$'\r\n'
    focus_main
    xdo key F1
    wait_named 10 "$FN_TITLE"
    FNX=$WX FNY=$WY
    focus_main
    e2e_keys 30
    click_row 27  # ";;s  ...sin"
    copied 0.5 "30 typed in degrees, then the sine row"
    e2e_keys d
    copied "$NOTHING" "the sine left one item"

    e2e_keys 1 "<Enter>" 2 "<Enter>" 7
    click_row 34  # "c    ...clear stack"
    copied "$NOTHING" "the clear row emptied the stack"
    e2e_keys "<Enter>"
    copied 7 "the number being typed stayed in the entry line"
    e2e_keys d
    copied "$NOTHING" "only that number is on the stack"
}

# --- the large stack: double click moves an item to level 1, Enter duplicates the selection ---
case_large_stack() {
    start_calculator tray "$PLAIN"
    focus_main
    e2e_keys 1 "<Enter>" 2 "<Enter>" 3 "<Enter>"  # a, b, c
    # A double click on the calculator's stack display opens the large stack.
    xdo mousemove $((MX + STACK[0])) $((MY + STACK[1]))
    sleep 0.3
    xdo click --repeat 2 --delay 80 1
    wait_named 10 "$LS_TITLE"
    local ls=$WIN lx=$WX ly=$WY
    # the bottom row (a) is the first row of the list
    xdo mousemove $((lx + 60)) $((ly + 10))
    sleep 0.3
    xdo click --repeat 2 --delay 80 1
    sleep 0.5
    geometry "$ls"
    [ "$WX,$WY" = "$lx,$ly" ] || e2e_fail "the double click moved the window from $lx,$ly to $WX,$WY"
    WIN=$ls
    e2e_focus
    copied 1 "a is on level 1 and selected"
    xdo key Up Up
    copied 2 "b is at the bottom"
    xdo key Down
    copied 3 "c is in the middle"
    # Enter duplicates the selected row's item (c), not the top one (a).
    e2e_keys "<Enter>"
    copied 3 "Enter duplicated the selected item"
    e2e_keys ad
    copied 9 "the stack holds b, c, a and the copy of c"
    e2e_keys 1234.5 "<Enter>" 0.001 "<Enter>" 42 "<Enter>"
    shoot_window large-stack.png "$ls"

    # The list drags its window, with any button.
    e2e_drag 3 $((lx + 100)) $((ly + 300)) $((lx + 40)) $((ly + 250))
    e2e_wait 3 large_at $((lx - 60)) $((ly - 50)) ||
        e2e_fail "dragging the list did not move the window ($WX,$WY, expected $((lx - 60)),$((ly - 50)))"
    e2e_log "ok   the list dragged the window"
}
large_at() { geometry "$(named "$LS_TITLE")" && [ "$WX,$WY" = "$1,$2" ]; }

# --- the splash: centred, three seconds, then never again ---
case_splash() {
    e2e_start_x
    e2e_start_wm
    start_tray
    e2e_start_program env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$CONFIG"
    local t0=$SECONDS
    e2e_wait_window 10 "$SPLASH_W" "$SPLASH_H"
    [ "$WX,$WY" = "$(((1280 - SPLASH_W) / 2)),$(((1024 - SPLASH_H) / 2))" ] ||
        e2e_fail "the splash is at $WX,$WY, not in the middle of the screen"
    shoot splash.png "$WX" "$WY" "$WW" "$WH"
    e2e_wait 8 splash_gone || e2e_fail "the splash did not go"
    local lasted=$((SECONDS - t0))
    [ "$lasted" -ge 2 ] || e2e_fail "the splash lasted only about $lasted s"
    e2e_log "ok   the splash went after about $lasted s"
    WANT_W=$SKIN_W WANT_H=$SKIN_H
    e2e_find_sized || e2e_fail "no calculator window"
    MAIN=$WIN
    focus_main
    xdo key F1 F1 F2 F2
    sleep 1.5
    splash_gone || e2e_fail "the splash came back"
}

# --- hiding into the notification area, the icon's menu, quitting with a confirmation ---

# Sets ICON to the program's window in the notification area (the small one) and its centre.
find_icon() {
    local w
    for w in $(e2e_app_windows); do
        geometry "$w" || continue
        if [ "$WW" -le 48 ] && [ "$WH" -le 48 ]; then ICON=$w IX=$((WX + WW / 2)) IY=$((WY + WH / 2)); return 0; fi
    done
    return 1
}

# True when no small window of ours (a tooltip) is shown apart from the icon.
no_tooltip() {
    local w
    for w in $(e2e_app_windows); do
        [ "$w" != "${ICON:-}" ] || continue
        geometry "$w" || continue
        if [ "$WH" -le 40 ]; then return 1; fi
    done
    return 0
}

# Sets MENU to the popup menu's window and its geometry.
find_menu() {
    local w
    for w in $(e2e_app_windows); do
        [ "$w" != "$MAIN" ] && [ "$w" != "${ICON:-}" ] || continue
        geometry "$w" || continue
        if [ "$WH" -ge 60 ] && [ "$WH" -le 200 ] && [ "$WW" -le 300 ]; then MENU=$w; return 0; fi
    done
    return 1
}

# menu_pick N: pops up the icon's menu and clicks its entry N (0 "Show Calc" .. 3 "Quit").
menu_pick() {
    e2e_wait 10 find_icon || e2e_fail "no icon in the notification area"
    # The icon's tooltip, left from an earlier hover, can lie over the icon at the screen's
    # corner and take the click: leave the icon until it has gone, then click at once.
    xdo mousemove 700 1015  # away from the icon and from every window of ours
    e2e_wait 5 no_tooltip || e2e_fail "the icon's tooltip stayed"
    xdo mousemove "$IX" "$IY"
    sleep 0.1
    xdo click 3
    e2e_wait 5 find_menu || e2e_fail "a right click on the icon showed no menu"
    local mx=$WX my=$WY mw=$WW mh=$WH
    [ -n "${MENU_SHOT:-}" ] && { shoot "$MENU_SHOT" "$((mx < IX - 40 ? mx : IX - 40))" "$my" $((mw + 60)) $((1024 - my)); MENU_SHOT=""; }
    xdo mousemove $((mx + mw / 2)) $((my + 4 + (mh - 8) * (2 * $1 + 1) / 8))
    sleep 0.3
    xdo click 1
}

all_three_shown() { main_shown && shown "$FN_TITLE" && shown "$LS_TITLE"; }
all_three_hidden() { main_hidden && not_shown "$FN_TITLE" && not_shown "$LS_TITLE"; }

case_tray() {
    start_calculator
    e2e_wait 10 find_icon || e2e_fail "no icon in the notification area"
    e2e_log "icon ${WW}x$WH at $IX,$IY"
    shoot tray-icon.png $((IX - 40)) $((IY - 16)) 48 32
    focus_main
    xdo key F1
    wait_named 10 "$FN_TITLE"
    focus_main
    xdo key F2
    wait_named 10 "$LS_TITLE"

    e2e_click $((MX + HIDE[0])) $((MY + HIDE[1]))
    e2e_wait 5 all_three_hidden || e2e_fail "the hide zone did not hide all three windows"
    find_icon || e2e_fail "hiding took the icon away"
    [ ! -e "$CONFIG/quorva.ini" ] || e2e_fail "hiding wrote the settings file"
    e2e_log "ok   the hide zone hid the three windows; the icon stays"

    MENU_SHOT=tray-menu.png menu_pick 0
    e2e_wait 5 all_three_shown || e2e_fail "\"Show Calc\" did not bring back the calculator with both windows"
    e2e_log "ok   \"Show Calc\" brought back the same three windows"

    # A left click on the icon shows them too.
    e2e_click $((MX + HIDE[0])) $((MY + HIDE[1]))
    e2e_wait 5 all_three_hidden || e2e_fail "the hide zone did not hide all three windows again"
    e2e_click "$IX" "$IY"
    e2e_wait 5 all_three_shown || e2e_fail "a left click on the icon did not show the windows"
    e2e_log "ok   a left click on the icon showed them"

    # Put the calculator somewhere known, then quit from the menu: it asks first.
    main_geometry
    e2e_drag 1 $((MX + BRAND[0])) $((MY + BRAND[1])) $((400 + BRAND[0])) $((300 + BRAND[1]))
    e2e_park_pointer
    sleep 0.5
    main_geometry
    e2e_log "calculator at $MX,$MY"
    menu_pick 3
    wait_named 5 "Confirmation"
    local box=$WIN
    kill -0 "$APP_PID" || e2e_fail "the program ended without asking"
    shoot_window confirmation.png "$box"
    [ ! -e "$CONFIG/quorva.ini" ] || e2e_fail "the settings were written before the answer"
    WIN=$box
    e2e_focus
    xdo key Return  # Yes is the default button
    e2e_wait 10 program_ended || e2e_fail "Yes did not end the program"
    settings_has "WindowPositionX= $MX" && settings_has "WindowPositionY= $MY" ||
        e2e_fail "the settings file does not hold the position $MX,$MY: $(tr '\r\n' ' ;' <"$CONFIG/quorva.ini")"
    e2e_log "ok   Quit asked, ended, and saved the position $MX,$MY"
}
program_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

# --- a second start shows the running one ---
second_start_shows() {
    local rc
    timeout 20 env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$CONFIG" \
        >"$E2E_TMP/second.log" 2>&1
    rc=$?
    [ "$rc" = 0 ] || e2e_fail "the second start ended with status $rc: $(cat "$E2E_TMP/second.log")"
    e2e_wait 5 main_shown || e2e_fail "the second start did not bring the calculator back"
    kill -0 "$APP_PID" || e2e_fail "the first calculator is gone"
    [ "$(pgrep -c -f -- "--config-dir $CONFIG")" = 1 ] || e2e_fail "more than one calculator runs"
}

case_second_start() {
    start_calculator
    e2e_click $((MX + HIDE[0])) $((MY + HIDE[1]))
    e2e_wait 5 main_hidden || e2e_fail "the hide zone did not hide the calculator"
    second_start_shows
    e2e_log "ok   a second start showed the running calculator and ended"
}

case_no_tray() {
    start_calculator no-tray "HideWindows= 1"$'\r\n'
    grep -q "no notification area" "$E2E_TMP/program.log" ||
        e2e_fail "nothing said why \"Start minimized\" started shown: $(cat "$E2E_TMP/program.log")"
    e2e_log "ok   with no notification area \"Start minimized\" started shown"
    e2e_click $((MX + HIDE[0])) $((MY + HIDE[1]))
    e2e_wait 5 main_hidden || e2e_fail "the hide zone did not hide the calculator"
    grep -q "start quorva again" "$E2E_TMP/program.log" || e2e_fail "nothing said how to come back"
    second_start_shows
    e2e_log "ok   hidden with no notification area, a second start brought it back"
}

# --- SIGTERM saves as quitting does, without asking ---
case_signals() {
    start_calculator
    e2e_drag 1 $((MX + BRAND[0])) $((MY + BRAND[1])) $((150 + BRAND[0])) $((120 + BRAND[1]))
    e2e_park_pointer
    sleep 0.5
    main_geometry
    kill -TERM "$APP_PID"
    e2e_wait 10 program_ended || e2e_fail "SIGTERM did not end the program"
    wait "$APP_PID"
    local rc=$?
    [ "$rc" = 0 ] || e2e_fail "the program ended with status $rc after SIGTERM"
    settings_has "WindowPositionX= $MX" && settings_has "WindowPositionY= $MY" ||
        e2e_fail "SIGTERM did not save the position $MX,$MY: $(tr '\r\n' ' ;' <"$CONFIG/quorva.ini" 2>&1)"
    e2e_log "ok   SIGTERM saved the position $MX,$MY and ended with status 0"
}

case "$case_name" in
functions | function_rows | large_stack | splash | tray | second_start | no_tray | signals) "case_$case_name" ;;
*) e2e_fail "unknown case $case_name" ;;
esac
e2e_log "passed"
