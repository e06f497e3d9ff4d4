#!/usr/bin/env bash
# Start-up time and memory of quorva beside two other desktop calculators, xcalc and
# galculator, all under one private Xvfb with the openbox window manager.
#
#   bench/desktop/startup.sh [--rounds N] [--quorva PATH]
#
# Each program is started N times (default 7) in interleaved rounds, after one warm-up round
# that is not counted. Per start it measures:
#   map ms   from exec to the main window mapped (viewable), as launch_probe.cpp (built
#            here on the fly) sees it from its X connection
#   RSS/HWM  VmRSS and VmHWM of the process 2 s after exec, from /proc
# and prints medians with min-max. A program that is not installed is named and skipped; this
# script installs nothing.
set -uo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
rounds=7
quorva=$top/build/windows/quorva
while [ $# -gt 0 ]; do
    case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --quorva) quorva=$2; shift 2 ;;
    -h | --help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

for t in Xvfb openbox xdotool xprop; do
    command -v "$t" >/dev/null || { echo "$t is not installed (scripts/deps.sh installs it)" >&2; exit 2; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorva-bench.XXXXXX")
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do
        for _ in $(seq 30); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
        kill -KILL "$p" 2>/dev/null
        wait "$p" 2>/dev/null
    done
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mkdir -p "$tmp/runtime" && chmod 700 "$tmp/runtime"
export XDG_RUNTIME_DIR=$tmp/runtime HOME=$tmp XDG_CONFIG_HOME=$tmp/xdg LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY SESSION_MANAGER

# until SECONDS_LIMIT COMMAND...: bounded polling
until_ok() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

: >"$tmp/displayfd"
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$tmp/displayfd" >"$tmp/xvfb.log" 2>&1 &
pids+=($!)
until_ok 15 grep -q '[0-9]' "$tmp/displayfd" || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(tr -dc "0-9" <"$tmp/displayfd")"
export DISPLAY
openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
pids+=($!)
wm_up() { timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
until_ok 15 wm_up || { echo "openbox did not start" >&2; exit 1; }

# name | command | its main window for launch_probe | the same for xdotool search (PID replaced)
programs=()
if [ -x "$quorva" ]; then
    programs+=("quorva|env QT_QPA_PLATFORM=xcb $quorva --config-dir $tmp/quorva-config|--name Quorva --pid|--all --pid PID --name ^Quorva\$")
else
    echo "quorva: not built at $quorva, skipped (build it, or give --quorva PATH)"
fi
if command -v xcalc >/dev/null; then
    programs+=("xcalc|xcalc|--class xcalc|--classname ^xcalc\$")
else
    echo "xcalc: not installed (Debian package x11-apps), skipped"
fi
if command -v galculator >/dev/null; then
    programs+=("galculator|galculator|--class galculator --pid|--all --pid PID --class ^galculator\$")
else
    echo "galculator: not installed (Debian package galculator), skipped"
fi
[ ${#programs[@]} -gt 0 ] || { echo "nothing to measure" >&2; exit 1; }
mkdir -p "$tmp/quorva-config"

# The probe waits for the window inside one X connection, woken by map events; without a
# compiler or the Xlib headers the script polls with xdotool, whose every call costs tens of ms.
probe=""
if command -v c++ >/dev/null && [ -f /usr/include/X11/Xlib.h ] &&
    c++ -std=c++20 -O2 -o "$tmp/launch_probe" "$top/bench/desktop/launch_probe.cpp" -lX11 2>"$tmp/probe-build.log"; then
    probe=$tmp/launch_probe
    method="map events (launch_probe)"
else
    method="xdotool polling (coarse: launch_probe could not be built)"
fi

now_us() { local t=$EPOCHREALTIME; echo $((10#${t/./})); }

# run_once NAME COMMAND PROBE_CRITERIA XDOTOOL_CRITERIA: sets RESULT to
# "map_ms rss_kib hwm_kib", or "fail REASON"
run_once() {
    local name=$1 cmd=$2 pcrit=$3 criteria=$4 t0 t1 pid deadline rss hwm
    if [ -n "$probe" ]; then
        # shellcheck disable=SC2086 # the criteria and the command are word lists on purpose
        RESULT=$("$probe" $pcrit --timeout 15 --memory-at 2000 -- $cmd 2>>"$tmp/$name.log")
        [ -n "$RESULT" ] || RESULT="fail probe"
        return
    fi
    t0=$(now_us)
    # shellcheck disable=SC2086
    $cmd >>"$tmp/$name.log" 2>&1 &
    pid=$!
    pids+=("$pid")
    criteria=${criteria//PID/$pid}
    deadline=$((t0 + 15000000))
    # shellcheck disable=SC2086
    until timeout 5 xdotool search --onlyvisible $criteria >/dev/null 2>&1; do
        if ! kill -0 "$pid" 2>/dev/null; then RESULT="fail exited"; return; fi
        if [ "$(now_us)" -gt "$deadline" ]; then RESULT="fail no-window"; kill -KILL "$pid"; return; fi
    done
    t1=$(now_us)
    # the memory 2 s after exec
    local rest=$((2000000 - ($(now_us) - t0)))
    [ "$rest" -le 0 ] || sleep "$(printf '%d.%06d' $((rest / 1000000)) $((rest % 1000000)))"
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -z "$rss" ]; then RESULT="fail gone-before-2s"; return; fi
    RESULT="$(((t1 - t0 + 500) / 1000)) $rss $hwm"
}

# stats DIVISOR FORMAT VALUES...: "median (min-max)", each value divided by DIVISOR; the median
# of an even count is the mean of the middle two
stats() {
    local d=$1 f=$2
    shift 2
    printf '%s\n' "$@" | sort -n | awk -v d="$d" -v f="$f" '{ v[NR] = $1 / d } END {
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        printf f " (" f "-" f ")", m, v[1], v[NR] }'
}

echo "display $DISPLAY, openbox; window found by $method"
echo "$rounds counted rounds after one warm-up; $(nproc) cores;" \
    "load average at start $(cut -d' ' -f1-3 /proc/loadavg)"
for ((round = 0; round <= rounds; round++)); do
    for entry in "${programs[@]}"; do
        IFS='|' read -r name cmd pcrit criteria <<<"$entry"
        run_once "$name" "$cmd" "$pcrit" "$criteria"
        if [ "${RESULT%% *}" = fail ]; then
            echo "  $name round $round: ${RESULT#fail }" >&2
            continue
        fi
        read -r ms rss hwm <<<"$RESULT"
        printf '  round %d %-11s %5d ms  VmRSS %6d KiB  VmHWM %6d KiB%s\n' "$round" "$name" "$ms" "$rss" "$hwm" \
            "$([ "$round" = 0 ] && echo '  (warm-up)')"
        [ "$round" = 0 ] && continue
        echo "$RESULT" >>"$tmp/$name.results"
    done
done

echo "load average at the end $(cut -d' ' -f1-3 /proc/loadavg) (other work on the machine widens the ranges)"
printf '\n%-11s %4s  %-20s %-24s %-24s\n' program runs "map ms" "VmRSS MiB at 2 s" "VmHWM MiB at 2 s"
for entry in "${programs[@]}"; do
    name=${entry%%|*}
    if [ ! -s "$tmp/$name.results" ]; then
        printf '%-11s %4s  no successful start (see above)\n' "$name" 0
        continue
    fi
    mapfile -t maps < <(awk '{print $1}' "$tmp/$name.results")
    mapfile -t rss < <(awk '{print $2}' "$tmp/$name.results")
    mapfile -t hwm < <(awk '{print $3}' "$tmp/$name.results")
    printf '%-11s %4d  %-20s %-24s %-24s\n' "$name" "${#maps[@]}" "$(stats 1 %d "${maps[@]}")" \
        "$(stats 1024 %.1f "${rss[@]}")" "$(stats 1024 %.1f "${hwm[@]}")"
done
