#!/usr/bin/env bash
# Every sample skin in a real program on a private X server: the program starts with the skin
# chosen in a fresh settings file, its window has the size of the skin's picture, and every
# pixel of the picture's top-left colour is cut out (the desktop shows there, and the colour
# itself nowhere in the window). A screenshot of each skin, with a few numbers typed, is kept.
#   skins_check.sh --program PATH --out DIR [--skins DIR] [--only NAME]...
# The skins are found where the program looks for them: the "skins" folder beside it, else
# ../share/quorva/skins of an installed program. Exit 77 when an X tool is missing.
set -uo pipefail

usage() { sed -n '7p' "$0" | sed 's/^# *//' >&2; exit 2; }
program='' out='' skins='' only=()
while [ $# -gt 0 ]; do
    case $1 in
        --program) program=${2:-}; shift 2 || usage ;;
        --out) out=${2:-}; shift 2 || usage ;;
        --skins) skins=${2:-}; shift 2 || usage ;;
        --only) only+=("${2:-}"); shift 2 || usage ;;
        *) usage ;;
    esac
done
[ -n "$program" ] && [ -n "$out" ] || usage
program=$(readlink -f "$program")
mkdir -p "$out" && out=$(cd "$out" && pwd)

# shellcheck source=harness.sh
source "$(dirname "$0")/harness.sh"
export QUORVA_BIN=$program QUORVA_E2E_OUT=$out
e2e_init skins
type -P convert identify >/dev/null || { e2e_log "SKIP: ImageMagick is missing"; exit 77; }

if [ -z "$skins" ]; then
    here=$(dirname "$program")
    for skins in "$here/skins" "$here/../share/quorva/skins" ''; do [ -d "$skins" ] && break; done
    [ -n "$skins" ] || e2e_fail "no skins folder beside $program nor in $here/../share/quorva/skins"
fi
skins=$(cd "$skins" && pwd)

# The picture a description names, "\" read as "/", relative to the skins folder.
bitmap_of() {
    local value
    value=$(sed -n 's/^bitmap_file=//p' "$1" | tail -n1 | tr -d '\r' | tr '\\' /)
    [ -n "$value" ] && printf '%s/%s' "$skins" "$value"
}

# Pixels of IMAGE (a file) that are white, after the conversion given.
white_pixels() { convert "$@" -colorspace gray -format '%[fx:round(mean*w*h)]' info:; }

# start_program SETTINGS: (re)starts the program alone on the running X server.
start_program() {
    if [ -n "${APP_PID:-}" ]; then
        kill -TERM "$APP_PID" 2>/dev/null
        e2e_wait 10 program_ended || e2e_fail "the program did not end after SIGTERM"
    fi
    rm -rf "$CONFIG" && mkdir -p "$CONFIG"
    printf '%s' "$1" >"$CONFIG/quorva.ini"
    if [ -z "${DISPLAY_UP:-}" ]; then
        launch no-tray
        DISPLAY_UP=1
    else
        launch_program
    fi
}

checked=0 failed=0
for qsd in "$skins"/*.qsd; do
    [ -e "$qsd" ] || e2e_fail "no *.qsd in $skins"
    name=$(basename "$qsd" .qsd)
    if [ ${#only[@]} -gt 0 ] && ! printf '%s\n' "${only[@]}" | grep -qx "$name"; then continue; fi
    bitmap=$(bitmap_of "$qsd") && [ -f "$bitmap" ] || e2e_fail "$name: no picture at '${bitmap:-}'"
    read -r SKIN_W SKIN_H < <(identify -format '%w %h\n' "$bitmap" | head -n1)
    key=$(convert "$bitmap" -format '%[fx:int(255*p{0,0}.r+.5)],%[fx:int(255*p{0,0}.g+.5)],%[fx:int(255*p{0,0}.b+.5)]' info:)
    start_program "SkinFile=$qsd"$'\r\n'
    main_geometry 20
    e2e_wait 10 splash_gone || e2e_fail "$name: the splash window is still shown after 10 s"
    focus_main
    e2e_type $'1\n3/2\n255;h273.15o\n42.5'
    shoot "$name.png" "$MX" "$MY" "$SKIN_W" "$SKIN_H"

    # the window alone, and the desktop colour just beside it (the shot has an 8-pixel margin)
    win=$E2E_TMP/$name-window.png
    convert "$out/$name.png" -crop "${SKIN_W}x${SKIN_H}+8+8" +repage "$win"
    desk=$(convert "$out/$name.png" -format '%[fx:int(255*p{2,2}.r+.5)],%[fx:int(255*p{2,2}.g+.5)],%[fx:int(255*p{2,2}.b+.5)]' info:)
    holes=$(white_pixels "$bitmap" -fill black +opaque "rgb($key)" -fill white -opaque "rgb($key)")
    # where the picture is cut out but the screen does not show the desktop
    covered=$(white_pixels "$bitmap" -fill black +opaque "rgb($key)" -fill white -opaque "rgb($key)" \
        \( "$win" -fill black +opaque "rgb($desk)" -fill white -opaque "rgb($desk)" \) \
        -compose minus_src -composite)
    keyed=$(white_pixels "$win" -fill black +opaque "rgb($key)" -fill white -opaque "rgb($key)")
    problems=()
    [ "$holes" -gt 0 ] || problems+=("the picture has no pixel of its top-left colour rgb($key)")
    [ "$covered" -eq 0 ] || problems+=("$covered of $holes cut-out pixels do not show the desktop rgb($desk)")
    [ "$keyed" -eq 0 ] || problems+=("$keyed window pixels show the cut-out colour rgb($key)")
    if [ ${#problems[@]} -eq 0 ]; then
        e2e_log "ok   $name: ${SKIN_W}x${SKIN_H} window, $holes pixels cut out, $out/$name.png"
    else
        e2e_log "FAIL $name: $(IFS=';'; echo "${problems[*]}")"
        failed=$((failed + 1))
    fi
    checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || e2e_fail "no skin checked"
[ "$failed" -eq 0 ] || e2e_fail "$failed of $checked skins are not shown as their pictures say"
e2e_log "all $checked skins shown as their pictures say"
