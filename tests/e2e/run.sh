#!/usr/bin/env bash
# End-to-end tests of the calculator on a private X server with a window manager.
#   run.sh typing|typing_plain|drag|on_top|screenshot
# Environment (ctest sets it): QUORVA_BIN the program, QUORVA_E2E_SHOT the screenshot checker,
# QUORVA_SKIN_PNG the built-in skin picture, QUORVA_E2E_OUT where screenshots go.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
source "$here/harness.sh"

case_name=${1:?usage: run.sh typing|typing_plain|drag|on_top|screenshot}
e2e_init "$case_name"
e2e_need Xvfb openbox xdotool xclip xprop import
[ -x "${QUORVA_BIN:-}" ] || e2e_fail "no program at '${QUORVA_BIN:-}'"

SKIN_W=262 SKIN_H=188
# Zone centres and other points of the built-in skin, in window pixels.
ONTOP=(226 20)
ENTRY=(100 162)
STACK=(100 90)
BRAND=(60 20)   # the name plate: picture, no zone
GAP=(100 141)   # between the two displays: picture, no zone

start_calculator() {
    e2e_start_x
    e2e_start_wm
    e2e_start_program env QT_QPA_PLATFORM=xcb "$QUORVA_BIN" --config-dir "$E2E_TMP/config"
    e2e_wait_window 20 "$SKIN_W" "$SKIN_H"
    e2e_log "main window $WIN at $WX,$WY"
    # The start-up (About) window closes itself after 3 s; until then it may cover the calculator.
    if ! e2e_wait 10 e2e_only_window_is_win; then
        e2e_log "note: other windows of the program are still shown: $(e2e_app_windows | tr '\n' ' ')"
    fi
}

# The window may be re-created by a change of its flags: find it again by its size.
refind() {
    e2e_wait 5 e2e_find_sized || e2e_fail "the ${SKIN_W}x${SKIN_H} window is gone"
    e2e_geometry "$WIN"
}

# --- typing: keys as a keyboard delivers them, results read back from the real clipboard ---

# type_and_copy: reads "expected clipboard text | keys typed before Ctrl+C" lines ("c" clears
# the stack at once) and checks each; counts the wrong ones in FAILURES.
type_and_copy() {
    local nothing="(nothing copied)" expected keys got
    FAILURES=0
    while IFS='|' read -r expected keys; do
        [ -n "$expected" ] || continue
        expected=${expected%"${expected##*[! ]}"}  # trailing blanks of the table column
        e2e_set_clipboard "$nothing"
        # shellcheck disable=SC2086 # the key script is split into tokens on purpose
        e2e_keys $keys "<Ctrl+C>"
        if [ "$expected" = "$nothing" ]; then
            sleep 1.5
        else
            e2e_wait 5 e2e_clipboard_is_not "$nothing"
        fi
        got=$(e2e_clipboard)
        if [ "$got" = "$expected" ]; then
            e2e_log "ok   $keys  ->  $got"
        else
            e2e_log "FAIL $keys  ->  '$got', expected '$expected'"
            FAILURES=$((FAILURES + 1))
        fi
    done
}

# With the options of a fresh install: engineering format and zero fill are on.
case_typing() {
    start_calculator
    e2e_focus
    type_and_copy <<'EOF'
333.333333333333000E-3 | 1 <Enter> 3 /
6.000000000000000      | c 2 <Enter> 16 rt +
15.000000000000000     | c 2 <Enter> 4 <Enter> 9 ad
&&FF                   | c 255 ;h
-2.500000000000000     | c 2.5 o <Enter>
(nothing copied)       | c
EOF
    [ "$FAILURES" = 0 ] || e2e_fail "$FAILURES of the typed calculations gave the wrong clipboard text"
}

# With both options off in the settings file the program reads at start.
case_typing_plain() {
    printf '%s\r\n' "FillDecimals= 0" "EngineeringFormat= 0" >"$E2E_TMP/config/quorva.ini"
    start_calculator
    e2e_focus
    type_and_copy <<'EOF'
0.333333333333333 | 1 <Enter> 3 /
6                 | c 2 <Enter> 16 rt +
1024              | c 2 <Enter> 10 p
6                 | c 12 <Enter> 10 ;x
'11111111         | c 255 ;b
-2.5              | c 2.5 o <Enter>
EOF
    [ "$FAILURES" = 0 ] || e2e_fail "$FAILURES of the typed calculations gave the wrong clipboard text"
}

# --- drag: the picture and the stack display move the window; the entry line and zones not ---
case_drag() {
    start_calculator
    local failures=0 button part px py moves dx dy x0 y0 ex ey
    while read -r button part px py moves; do
        [ -n "$button" ] || continue
        refind
        x0=$WX y0=$WY
        # go where the window stays wholly on the screen
        dx=140 dy=90
        [ $((x0 + SKIN_W + dx)) -le 1270 ] || dx=-140
        [ $((y0 + SKIN_H + dy)) -le 1014 ] || dy=-90
        e2e_drag "$button" $((x0 + px)) $((y0 + py)) $((x0 + px + dx)) $((y0 + py + dy))
        e2e_park_pointer
        if [ "$moves" = yes ]; then ex=$((x0 + dx)) ey=$((y0 + dy)); else ex=$x0 ey=$y0; fi
        # the window manager may finish the move a little after the release
        e2e_wait 3 at_place "$ex" "$ey" || true
        sleep 0.5
        refind
        if [ "$WX" = "$ex" ] && [ "$WY" = "$ey" ]; then
            e2e_log "ok   button $button on $part: $x0,$y0 -> $WX,$WY"
        else
            e2e_log "FAIL button $button on $part: $x0,$y0 -> $WX,$WY, expected $ex,$ey"
            failures=$((failures + 1))
        fi
        # a click on a zone may have opened a picker or window: let it close before the next drag
        xdo key Escape 2>/dev/null || true
    done <<EOF
1 entry-line      ${ENTRY[0]} ${ENTRY[1]} no
1 on-top-zone     ${ONTOP[0]} ${ONTOP[1]} no
1 name-plate      ${BRAND[0]} ${BRAND[1]} yes
1 stack-display   ${STACK[0]} ${STACK[1]} yes
1 between-screens ${GAP[0]} ${GAP[1]} yes
3 name-plate      ${BRAND[0]} ${BRAND[1]} yes
EOF
    [ "$failures" = 0 ] || e2e_fail "$failures of the drags ended in the wrong place"
}

at_place() { e2e_find_sized && e2e_geometry "$WIN" && [ "$WX" = "$1" ] && [ "$WY" = "$2" ]; }

# --- on top: the zone toggles _NET_WM_STATE_ABOVE, twice returns, the tooltip follows ---

# Sets TIP to a shown window of the program other than the calculator.
find_tip() {
    local w
    for w in $(e2e_app_windows); do [ "$w" != "$WIN" ] && TIP=$w && return 0; done
    return 1
}

# Prints the width of the tooltip shown while the pointer rests on the on-top zone.
tooltip_width() {
    e2e_park_pointer
    e2e_wait 5 e2e_only_window_is_win || true
    xdo mousemove $((WX + ONTOP[0] - 3)) $((WY + ONTOP[1] - 3))
    sleep 0.1
    xdo mousemove $((WX + ONTOP[0])) $((WY + ONTOP[1]))
    e2e_wait 6 find_tip || return 1
    e2e_geometry "$TIP" && echo "$WW"
}

above_is() { refind && if e2e_is_above; then [ "$1" = yes ]; else [ "$1" = no ]; fi; }

case_on_top() {
    start_calculator
    local first second x0=$WX y0=$WY tips=() i
    if e2e_is_above; then first=yes second=no; else first=no second=yes; fi
    e2e_log "at start: always on top = $first ($(e2e_state "$WIN"))"
    for i in 1 2; do
        tips+=("$(tooltip_width || echo none)")
        e2e_click $((WX + ONTOP[0])) $((WY + ONTOP[1]))
        if [ "$i" = 1 ]; then
            e2e_wait 5 above_is "$second" || e2e_fail "the first click left always-on-top at $first ($(e2e_state "$WIN"))"
        else
            e2e_wait 5 above_is "$first" || e2e_fail "the second click did not return to $first ($(e2e_state "$WIN"))"
        fi
        refind
        [ "$WX,$WY" = "$x0,$y0" ] || e2e_fail "toggling always-on-top moved the window from $x0,$y0 to $WX,$WY"
        e2e_log "click $i: above = $([ "$i" = 1 ] && echo "$second" || echo "$first") ($(e2e_state "$WIN"))"
    done
    tips+=("$(tooltip_width || echo none)")
    e2e_log "tooltip widths: ${tips[*]}"
    case " ${tips[*]} " in *" none "*) e2e_fail "no tooltip shown over the on-top zone" ;; esac
    [ "${tips[0]}" != "${tips[1]}" ] || e2e_fail "the tooltip did not change with the first click"
    [ "${tips[0]}" = "${tips[2]}" ] || e2e_fail "the tooltip did not return with the second click"
    # " Currently not always on top " is the longer text
    local on=${tips[0]} off=${tips[1]}
    [ "$first" = yes ] || { on=${tips[1]}; off=${tips[0]}; }
    [ "$off" -gt "$on" ] || e2e_fail "the tooltip does not follow the state (on top: $on px wide, not: $off px)"
}

# --- screenshot: the calculator on the desktop, judged pixel by pixel against its skin ---
shoot() {
    e2e_park_pointer
    sleep 1
    refind
    timeout 20 import -window root "$E2E_TMP/screen.png" || e2e_fail "import could not take a screenshot"
    e2e_log "judging $1 ($2)"
    "$QUORVA_E2E_SHOT" "$QUORVA_SKIN_PNG" "$E2E_TMP/screen.png" "$WX" "$WY" "$E2E_OUT/$1" "$2" >&2 ||
        e2e_fail "$1 does not show the calculator as it should (see above; picture in $E2E_OUT)"
}

case_screenshot() {
    [ -x "${QUORVA_E2E_SHOT:-}" ] || e2e_fail "no screenshot checker at '${QUORVA_E2E_SHOT:-}'"
    start_calculator
    shoot quorva-start.png empty
    e2e_focus
    e2e_keys 1 "<Enter>" 3 / 2 "<Enter>" 255 ";h" 273.15 o "<Enter>" 42.5
    shoot quorva-typed.png filled
}

case "$case_name" in
typing | typing_plain | drag | on_top | screenshot) "case_$case_name" ;;
*) e2e_fail "unknown case $case_name" ;;
esac
e2e_log "passed"
