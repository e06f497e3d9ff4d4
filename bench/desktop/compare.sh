#!/usr/bin/env bash
# quorva beside the other desktop calculators: start-up, memory, idle cost and keystrokes,
# all under one private Xvfb, first without a window manager and then with openbox.
#
#   bench/desktop/compare.sh [--rounds N] [--quorva PATH] [--only NAME,...] [--wm none|openbox|both]
#                            [--as-found] [--starts-only] [--base PATH] [--no-summon]
#                            [--key-to-pixel] [--k2p-keys N]
#   bench/desktop/compare.sh --smoke     one round of quorva and the bare Qt window, short idle
#                                        and 40 keys to pixels
#
# Programs: quorva, xcalc -rpn, galculator, speedcrunch, qalculate-gtk and grpn where installed
# (this script installs nothing: a missing one is named and skipped), and a bare Qt 6 Widgets
# window of a few labels built here from bare_window.cpp, the floor for any Qt 6 program.
# Each is started in interleaved rounds (A B C A B C ...) after one warm-up start each, every
# run in a fresh home folder. Every start is a warm start: right before it, the files the
# program mapped in its last start (libraries, fonts, caches) are read once, so none comes
# from the disk. Without that, a machine that pages out what has not been used for a while
# (as this one's kernel does after some 30 s) makes a start pay for the disk whenever other
# programs ran before it, and a program whose libraries another one just used (the bare Qt
# window right after quorva) looks faster than it is. --as-found leaves the page cache as it
# is. Per program the table gives the median (min-max) and the ratio
# of the median to quorva's. --starts-only measures the starts alone (map, paint, memory),
# without the idle stretch and the keys. --base PATH adds another quorva (say, one built from
# an earlier commit) as "quorva-base", started the same way, so two builds' cold starts are
# compared side by side in one run.
#   summon       each round also starts a quorva of its own (and one of --base's), and once it
#                is on screen and its splash has gone, runs "quorva --toggle" twice: with the calculator hidden, ms
#                from exec to its main window mapped and to the last paint; with it shown and
#                focused, ms from exec to the window unmapped; and the peak RSS of the
#                process that ran quorva --toggle (which hands the request over and ends).
#                Summon map is also given as a ratio of each program's cold start to mapped.
#                --no-summon leaves this out. Per program the table gives the median (min-max)
#                and the ratio
#   map, paint   ms from exec to the main window mapped, and to the last paint of the start
#                (X Damage on the root window, the screen then quiet for 1 s), from every
#                counted start (the keys' and the sweep's runs start the same way)
#   own paint    ms to the last paint of the start inside the main window itself (X Damage on
#                the window): the same as paint, except where a splash is drawn after it
#   RSS, HWM     VmRSS and VmHWM 2 s after exec
#   idle         CPU ms and context switches of all threads from 2 s to 12 s, untouched, and
#                the switches from 4 s on (after quorva's three-second splash has gone); the
#                seconds at which each program woke are listed under the table
#   burst        1002 keys ("1" Enter, 500 times "1" and keypad "+") typed by xdotool at full
#                speed into the running program: ms from the first key to the last repaint
#   queued       the same keys sent while the program is stopped (SIGSTOP), then SIGCONT: ms
#                until the last repaint
#   sweep        20 keys ("1" Enter, 9 times "1" and "+") sent 0, 10, 20, 50 and 100 ms apart:
#                how many runs gave the right result
# After the keys the result is copied out (Ctrl+C, or the program's own way) and read with
# xclip: 501 (10 for the sweep) or the run lost or merged a key and counts as a failure,
# without a time. speedcrunch has no RPN: it gets "1", 500 times "+" and "1", then Enter (the
# same number of keys, the same result). Keys go no earlier than 3.5 s after exec and after a
# quiet second, so no splash or late start-up work is in their figures.
#   key to pixels  each round also starts every program once more and, once its screen is quiet
#                (and quorva's splash gone, 3.5 s after exec) and it has the focus (XSetInputFocus
#                without a window manager, _NET_ACTIVE_WINDOW with one), sends it 200 single keys
#                (--k2p-keys) with XTest 50 ms apart: the digits 1 to 9 in turn and Enter after
#                every six, so the entry never runs past its width. Each key is timed from
#                CLOCK_MONOTONIC right before its press to the first X Damage notify on the
#                program's own window that changed pixels of its display (read back with
#                XGetImage and compared with the pixels right before the press), so a repaint of
#                the same pixels, a text cursor's blink or a button drawn pressed and let go is
#                not taken for the key's effect. The display is found before the timed keys: the
#                rows that "9" and then Enter, each typed at rest, changed. The effect seen is the
#                same in every program: the digit appears in the entry line (quorva's input line,
#                the bare Qt window's entry label, grpn's edit line, galculator's display in RPN
#                mode), and Enter empties it or moves the number onto the stack lines shown. Per
#                program: median, 95th percentile and max of every key of every round, the
#                range of the runs' medians, the median of the digits and of the Enters apart (an
#                Enter redraws the stack lines too), the keys with no visible effect within 1 s
#                (not timed), and the CPU time of all the program's threads per key.
#                --key-to-pixel runs this part alone (a warm-up start and then the rounds), for
#                quorva, quorva-base, the bare Qt window, grpn and galculator where installed,
#                unless --only names others; 4 programs, both window manager settings and 3
#                rounds take about 5 minutes.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
rounds=3
quorva=$top/build/windows/quorva
only=""
wms="none openbox"
smoke=0
warm=1
starts_only=0
base=""
summon=1
idle=2000,12000
idle_late=4000
sweep_delays="0 10 20 50 100"
k2p_only=0
k2p_keys=200
while [ $# -gt 0 ]; do
    case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --quorva) quorva=$2; shift 2 ;;
    --only) only=",$2,"; shift 2 ;;
    --wm)
        case $2 in none | openbox) wms=$2 ;; both) wms="none openbox" ;; *) echo "--wm none|openbox|both" >&2; exit 2 ;; esac
        shift 2 ;;
    --smoke) smoke=1; shift ;;
    --as-found) warm=0; shift ;;
    --starts-only) starts_only=1; shift ;;
    --base) base=$2; shift 2 ;;
    --no-summon) summon=0; shift ;;
    --key-to-pixel) k2p_only=1; shift ;;
    --k2p-keys) k2p_keys=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -uo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
done
if [ "$smoke" = 1 ]; then
    rounds=1 only=",quorva,bare-qt," wms=none idle=2000,5000 sweep_delays="0 100" k2p_keys=40
fi
[ "$k2p_only" = 1 ] && [ -z "$only" ] && only=",quorva,quorva-base,bare-qt,grpn,galculator,"

for t in Xvfb xdotool xclip c++ pkg-config; do
    command -v "$t" >/dev/null || { echo "$t is not installed" >&2; exit 2; }
done
for h in X11/Xlib.h X11/extensions/Xdamage.h X11/extensions/XTest.h; do
    [ -f "/usr/include/$h" ] || { echo "/usr/include/$h is missing (Debian: libx11-dev, libxdamage-dev, libxtst-dev)" >&2; exit 2; }
done
pkg-config --exists Qt6Widgets || { echo "Qt6Widgets is missing (Debian: qt6-base-dev)" >&2; exit 2; }
case " $wms " in *" openbox "*)
    command -v openbox >/dev/null || { echo "openbox is not installed: the pass with a window manager is skipped" >&2; wms=${wms/openbox/}; } ;;
esac

source "$here/common.sh"
bench_setup compare

# The keys: RPN programs get "1" Enter then "1" "+" pairs; speedcrunch "1" then "+" "1" pairs
# then Enter.
keys() { # STYLE PAIRS
    if [ "$1" = rpn ]; then
        echo 1 Return
        for ((k = 0; k < $2; k++)); do echo 1 KP_Add; done
    else
        echo 1
        for ((k = 0; k < $2; k++)); do echo KP_Add 1; done
        echo Return
    fi
}
for s in rpn alg; do
    keys $s 500 >"$tmp/keys-$s-1002"
    keys $s 9 >"$tmp/keys-$s-20"
done

# The home folder every run starts from: the RPN mode where a program has one.
mkdir -p "$tmp/home/.config/galculator" "$tmp/home/.config/qalculate"
printf '[general]\ndefault_notation_mode=1\n' >"$tmp/home/.config/galculator/galculator.conf"
printf '[General]\nversion=4.5.1\n\n[Mode]\nin_rpn_mode=1\n' >"$tmp/home/.config/qalculate/qalculate-gtk.cfg"

# name | window criteria | key style | how the result is copied out | command
candidates=(
    "quorva|--class Quorva --pid|rpn|--copy ctrl+c|env QT_QPA_PLATFORM=xcb $quorva --config-dir HOME/quorva"
    "quorva-base|--class Quorva --pid|rpn|--copy ctrl+c|env QT_QPA_PLATFORM=xcb $base --config-dir HOME/quorva"
    "bare-qt|--class bare_window --pid|rpn|--copy ctrl+c|env QT_QPA_PLATFORM=xcb $tmp/bare_window"
    "xcalc|--class xcalc|rpn|--click 131,21|xcalc -rpn"
    "galculator|--class galculator --pid|rpn|--copy ctrl+c|galculator"
    "speedcrunch|--class speedcrunch --pid|alg|--copy ctrl+r|speedcrunch"
    "qalculate|--name Qalculate! --pid|rpn|--copy ctrl+c|qalculate-gtk"
    "grpn|--class grpn --pid|rpn|-|grpn"
)
# What the table says about each program's way out.
declare -A copy_note=(
    [quorva]="Ctrl+C, clipboard"
    [quorva-base]="Ctrl+C, clipboard"
    [bare-qt]="Ctrl+C, clipboard"
    [xcalc]="no clipboard copy: a click on its display selects the number (PRIMARY)"
    [galculator]="Ctrl+C, clipboard (RPN mode from its settings file)"
    [speedcrunch]="Ctrl+R (copy last result), clipboard; algebraic keys"
    [qalculate]="Ctrl+C, clipboard (RPN mode from its settings file)"
    [grpn]="cannot be read back: no copy command, and Ctrl+C crashes grpn 1.4.1; times unverified"
)
programs=()
for entry in "${candidates[@]}"; do
    IFS='|' read -r name _ _ _ cmd <<<"$entry"
    [ -z "$only" ] || [[ $only == *",$name,"* ]] || continue
    exe=${cmd#env QT_QPA_PLATFORM=xcb }
    exe=${exe%% *}
    if [ "$name" = quorva ] && [ ! -x "$quorva" ]; then
        echo "quorva: not built at $quorva, skipped (build it, or give --quorva PATH)" >&2
        continue
    fi
    [ "$name" = quorva-base ] && [ -z "$base" ] && continue
    if ! command -v "$exe" >/dev/null; then
        echo "$name: not installed, skipped" >&2
        continue
    fi
    programs+=("$entry")
done
[ ${#programs[@]} -gt 0 ] || { echo "nothing to measure" >&2; exit 1; }

# measure WM NAME KIND [probe options]: one fresh start of NAME, its line into the results
measure() {
    local wm=$1 name=$2 kind=$3 entry crit copy cmd home line
    shift 3
    for entry in "${programs[@]}"; do [ "${entry%%|*}" = "$name" ] && break; done
    IFS='|' read -r _ crit _ copy cmd <<<"$entry"
    home=$tmp/run-home
    rm -rf "$home"
    cp -r "$tmp/home" "$home"
    cmd=${cmd//HOME\//$home/}
    [ "$warm" = 1 ] && [ -s "$tmp/files-$name" ] && xargs -d '\n' cat -- <"$tmp/files-$name" >/dev/null 2>&1
    local args=()
    [ "$copy" = - ] || read -ra args <<<"$copy"
    # shellcheck disable=SC2086 # criteria and command are word lists
    line=$(HOME=$home XDG_CONFIG_HOME=$home/.config "$probe" $crit --files-out "$tmp/files-$name" "$@" "${args[@]}" -- $cmd 2>>"$tmp/$name.log")
    # every key's time stays out of the progress lines
    printf '  %-8s %-11s %-8s %s\n' "$wm" "$name" "$kind" "$(sed 's/ k2p=[0-9.,-]*//' <<<"$line")" >&2
    echo "$name $kind $line" >>"$tmp/results-$wm"
}

# summon_round WM NAME PROGRAM: a calculator of its own, hidden and shown by PROGRAM --toggle; a
# summon and a dismiss into the results, as NAME's.
summon_round() {
    local wm=$1 name=$2 program=$3 home=$tmp/summon-home pid line kind i
    rm -rf "$home"
    mkdir -p "$home/quorva"
    HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=xcb "$program" --config-dir "$home/quorva" \
        >>"$tmp/summon.log" 2>&1 &
    pid=$!
    # on screen, its splash gone and the notification-area attempt over
    sleep 4
    for i in 0 1 2; do
        for kind in dismiss summon; do
            line=$(HOME=$home XDG_CONFIG_HOME=$home/.config "$probe" --class Quorva --pid --$kind "$pid" \
                -- "$program" --config-dir "$home/quorva" --toggle 2>>"$tmp/summon.log")
            # the first dismiss only hides the calculator that started shown
            [ "$i" = 0 ] && [ "$kind" = dismiss ] && continue
            printf '  %-8s %-11s %-8s %s\n' "$wm" "$name" "$kind" "$line" >&2
            echo "$name $kind $line" >>"$tmp/results-$wm"
        done
    done
    kill -TERM "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

# key_to_pixel WM NAME: a fresh start of NAME, timed keys into it
key_to_pixel() {
    local settle=0
    # quorva's splash stays for 3 s over a quiet screen
    [[ $2 == quorva* ]] && settle=3500
    measure "$1" "$2" k2p --idle 0,0 --memory-at 0 --quiet 300 --settle "$settle" --key-to-pixel "$k2p_keys"
}

wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

run_pass() {
    local wm=$1 r entry name style d
    : >"$tmp/results-$wm"
    for ((r = 0; r <= rounds; r++)); do
        [ "$smoke" = 1 ] && [ "$r" = 0 ] && continue
        for entry in "${programs[@]}"; do
            name=${entry%%|*}
            if [ "$r" = 0 ]; then
                if [ "$k2p_only" = 1 ]; then measure "$wm" "$name" warm-up --idle 0,0 --quiet 300
                else measure "$wm" "$name" warm-up --idle 0,0; fi
                continue
            fi
            IFS='|' read -r _ _ style _ <<<"$entry"
            if [ "$k2p_only" = 1 ]; then
                key_to_pixel "$wm" "$name"
                continue
            fi
            if [ "$starts_only" = 1 ]; then
                measure "$wm" "$name" start --idle 0,0
                continue
            fi
            measure "$wm" "$name" start --idle "$idle" --idle-late "$idle_late" --keys "$tmp/keys-$style-1002" --expect 501
        done
        [ "$r" = 0 ] || [ "$k2p_only" = 1 ] && continue
        [ "$summon" = 1 ] && [ -x "$quorva" ] && summon_round "$wm" quorva "$quorva"
        [ "$summon" = 1 ] && [ -n "$base" ] && summon_round "$wm" quorva-base "$base"
        [ "$starts_only" = 1 ] && continue
        for entry in "${programs[@]}"; do
            name=${entry%%|*}
            IFS='|' read -r _ _ style _ <<<"$entry"
            measure "$wm" "$name" queued --idle 0,0 --memory-at 0 --settle 3500 --keys "$tmp/keys-$style-1002" \
                --queued --expect 501
        done
        for d in $sweep_delays; do
            for entry in "${programs[@]}"; do
                name=${entry%%|*}
                IFS='|' read -r _ _ style _ <<<"$entry"
                measure "$wm" "$name" "sweep$d" --idle 0,0 --memory-at 0 --settle 3500 --keys "$tmp/keys-$style-20" \
                    --delay "$d" --expect 10
            done
        done
        for entry in "${programs[@]}"; do key_to_pixel "$wm" "${entry%%|*}"; done
    done
}

# --- the tables ---

# cell FILE NAME KINDS FIELD DIVISOR FORMAT REF: "median (min-max) xRATIO" of FIELD over the
# runs of NAME whose kind is one of KINDS; key times count only runs with the right result.
# REF is quorva's median for the ratio (empty: none).
cell() {
    awk -v name="$2" -v kinds=" $3 " -v field="$4" -v d="$5" -v f="$6" -v ref="$7" '
    $1 == name && index(kinds, " " $2 " ") {
        delete kv
        for (i = 3; i <= NF; i++) { split($i, p, "="); kv[p[1]] = p[2] }
        if (!(field in kv)) next
        if (field == "keys" && ("ok" in kv) && kv["ok"] != 1) next
        v[++n] = kv[field] / d
    }
    END {
        if (n == 0) { printf "-"; exit }
        for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
        m = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
        printf f " (" f "-" f ")", m, v[1], v[n]
        if (ref != "" && ref + 0 > 0) printf " x%.2f", m / ref
        else if (ref != "") printf " x-"
    }' "$1"
}

# median FILE NAME KINDS FIELD DIVISOR
median() {
    cell "$1" "$2" "$3" "$4" "$5" "%.6f" "" | awk '{ print ($1 == "-") ? "" : $1 }'
}

# right FILE NAME KIND: "R/N right" of the runs that read a result back, with the failures
right() {
    awk -v name="$2" -v kind="$3" '
    $1 == name && $2 == kind {
        n++
        if ($0 ~ / ok=1/) ok++
        else if ($0 ~ / ok=0/) bad++
        else if ($0 ~ / fail=/) { split(substr($0, index($0, " fail=") + 6), w, " "); why[w[1]]++ }
        else unread++
    }
    END {
        if (n == 0) { printf "-"; exit }
        if (unread == n) { printf "not read back"; exit }
        printf "%d/%d right", ok, n
        for (r in why) printf ", %s %d", r, why[r]
    }' "$1"
}

# k2p_cell FILE NAME: every timed key of NAME's k2p runs, pooled: "median p95 max" ms, the
# per-run medians' range, the digits' and the Enters' medians, the keys without a visible
# effect of all sent, and CPU us per key
k2p_cell() {
    awk -v name="$2" '
    $1 == name && $2 == "k2p" {
        runs++
        for (i = 3; i <= NF; i++) {
            split($i, p, "=")
            if (p[1] == "k2p") {
                n2 = split(p[2], t, ",")
                for (j = 1; j <= n2; j++) {
                    if (t[j] == "-") continue
                    v[++n] = t[j] + 0
                    # every seventh key is Enter
                    if (j % 7 == 0) e[++ne] = t[j] + 0
                    else d[++nd] = t[j] + 0
                }
            }
            else if (p[1] == "k2p_keys") sent += p[2]
            else if (p[1] == "k2p_none") none += p[2]
            else if (p[1] == "k2p_median") { med[++m] = p[2] + 0 }
            else if (p[1] == "k2p_cpu_us") { cpu += p[2]; nc++ }
            else if (p[1] == "fail") failed++
        }
    }
    function sort(a, k,    i, j, x) {
        for (i = 2; i <= k; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
    }
    # nearest rank
    function rank(a, k, q,    r) { r = int(q * k); if (r < q * k) r++; return a[r < 1 ? 1 : r] }
    END {
        if (runs == 0) { printf "-"; exit }
        if (n == 0) { printf "no key timed (%d runs, %d failed)", runs, failed; exit }
        sort(v, n); sort(med, m); sort(d, nd); sort(e, ne)
        printf "%-8.2f %-8.2f %-8.2f %-15s %-17s %-14s %.0f", rank(v, n, 0.5), rank(v, n, 0.95), v[n],
            sprintf("%.2f-%.2f", med[1], med[m]),
            sprintf("%s / %s", nd ? sprintf("%.2f", rank(d, nd, 0.5)) : "-", ne ? sprintf("%.2f", rank(e, ne, 0.5)) : "-"),
            sprintf("%d/%d", none, sent), nc ? cpu / nc : 0
        if (failed) printf "  (%d runs failed)", failed
    }' "$1"
}

print_k2p() {
    local file=$1 entry name
    grep -q ' k2p ' "$file" || return
    echo
    echo "key to pixels: $k2p_keys single keys 50 ms apart per run, ms from the press to the first changed pixels"
    printf '%-12s %-8s %-8s %-8s %-15s %-17s %-14s %s\n' program median p95 max "run medians" \
        "digit / Enter" "no effect" "CPU us/key"
    for entry in "${programs[@]}"; do
        name=${entry%%|*}
        printf '%-12s %s\n' "$name" "$(k2p_cell "$file" "$name")"
    done
}

print_pass() {
    local wm=$1 entry name fmt
    local file=$tmp/results-$wm
    local -A ref
    # Every counted run starts the program the same way: all of them give a start time.
    local starts="start queued"
    for d in $sweep_delays; do starts="$starts sweep$d"; done
    for f in map:all paint:all main_paint:all rss hwm idle_cpu idle_csw idle_late_csw keys:start keys:queued \
        map:summon; do
        local field=${f%%:*} kind=start
        [[ $f == *:* ]] && kind=${f#*:}
        [ "$kind" = all ] && kind=$starts
        local div=1
        [[ $field == rss || $field == hwm ]] && div=1024
        ref[$f]=$(median "$file" quorva "$kind" "$field" "$div")
    done
    echo
    if [ "$wm" = none ]; then echo "== no window manager =="; else echo "== with $wm =="; fi
    if [ "$smoke" = 1 ]; then echo "   smoke: one round, no warm-up"; else echo "   $rounds rounds after one warm-up start each"; fi
    if [ "$warm" = 1 ]; then echo "   every start warm: the files it mapped the time before were read just before it"
    else echo "   page cache as found (--as-found)"; fi
    if [ "$k2p_only" = 1 ]; then
        print_k2p "$file"
        return
    fi
    echo "   median (min-max) xRATIO: the ratio of the median to quorva's"
    fmt='%-12s %-25s %-25s %-25s %-24s %-24s\n'
    # shellcheck disable=SC2059
    printf "$fmt" program "map ms (every run)" "last paint ms (every run)" "own paint ms (every run)" \
        "VmRSS MiB at 2 s" "VmHWM MiB at 2 s"
    for entry in "${programs[@]}"; do
        name=${entry%%|*}
        # shellcheck disable=SC2059
        printf "$fmt" "$name" "$(cell "$file" "$name" "$starts" map 1 %.0f "${ref[map:all]}")" \
            "$(cell "$file" "$name" "$starts" paint 1 %.0f "${ref[paint:all]}")" \
            "$(cell "$file" "$name" "$starts" main_paint 1 %.0f "${ref[main_paint:all]}")" \
            "$(cell "$file" "$name" start rss 1024 %.1f "${ref[rss]}")" \
            "$(cell "$file" "$name" start hwm 1024 %.1f "${ref[hwm]}")"
    done
    if grep -q '^quorva summon ' "$file"; then
        echo
        echo "quorva --toggle to the running calculator (ms from exec; RSS: peak of the --toggle process)"
        fmt='%-12s %-25s %-25s %-25s %-24s\n'
        # shellcheck disable=SC2059
        printf "$fmt" "" "summon: mapped" "summon: last paint" "dismiss: unmapped" "RSS MiB (summon, dismiss)"
        # shellcheck disable=SC2059
        for name in quorva quorva-base; do
            grep -q "^$name summon " "$file" || continue
            # shellcheck disable=SC2059
            printf "$fmt" "$name" "$(cell "$file" "$name" summon map 1 %.1f "")" \
                "$(cell "$file" "$name" summon paint 1 %.1f "")" "$(cell "$file" "$name" dismiss unmap 1 %.1f "")" \
                "$(cell "$file" "$name" "summon dismiss" rss 1024 %.2f "")"
        done
        printf '%-12s' "summon map / cold start map:"
        for entry in "${programs[@]}"; do
            name=${entry%%|*}
            local m
            m=$(median "$file" "$name" "$starts" map 1)
            [ -n "$m" ] && [ -n "${ref[map:summon]}" ] && awk -v n="$name" -v s="${ref[map:summon]}" -v m="$m" 'BEGIN { printf " %s x%.2f", n, s / m }'
        done
        echo
    fi
    [ "$starts_only" = 1 ] && return
    echo
    fmt='%-12s %-28s %-28s %-28s %-10s\n'
    # shellcheck disable=SC2059
    local from=${idle%,*} to=${idle#*,}
    printf "$fmt" program "idle CPU ms ($((from / 1000))-$((to / 1000)) s)" "idle context switches" "of them from $((idle_late / 1000)) s on" threads
    for entry in "${programs[@]}"; do
        name=${entry%%|*}
        # shellcheck disable=SC2059
        printf "$fmt" "$name" "$(cell "$file" "$name" start idle_cpu 1 %.0f "${ref[idle_cpu]}")" \
            "$(cell "$file" "$name" start idle_csw 1 %.0f "${ref[idle_csw]}")" \
            "$(cell "$file" "$name" start idle_late_csw 1 %.0f "${ref[idle_late_csw]}")" \
            "$(cell "$file" "$name" start idle_threads 1 %.0f "")"
    done
    # When each idle program woke (second:switches), one line per run.
    for entry in "${programs[@]}"; do
        name=${entry%%|*}
        awk -v name="$name" '$1 == name && $2 == "start" {
            for (i = 3; i <= NF; i++) if ($i ~ /^idle_when=/) w = w " " substr($i, 11)
        } END { if (w != "") printf "  %-11s woke at%s\n", name, w }' "$file"
    done
    echo
    fmt='%-12s %-30s %-22s %-30s %-22s\n'
    # shellcheck disable=SC2059
    printf "$fmt" program "1002 keys at full speed, ms" "result" "1002 keys queued, ms" "result"
    for entry in "${programs[@]}"; do
        name=${entry%%|*}
        # shellcheck disable=SC2059
        printf "$fmt" "$name" "$(cell "$file" "$name" start keys 1 %.0f "${ref[keys:start]}")" \
            "$(right "$file" "$name" start)" \
            "$(cell "$file" "$name" queued keys 1 %.0f "${ref[keys:queued]}")" \
            "$(right "$file" "$name" queued)"
    done
    echo
    local d
    printf '%-12s' "20 keys"
    for d in $sweep_delays; do printf ' %-15s' "${d} ms apart"; done
    echo
    for entry in "${programs[@]}"; do
        name=${entry%%|*}
        printf '%-12s' "$name"
        for d in $sweep_delays; do printf ' %-15s' "$(right "$file" "$name" "sweep$d" | sed 's/ right//')"; done
        echo
    done
    print_k2p "$file"
}

echo "display $DISPLAY; $(nproc) cores; load average at start $(cut -d' ' -f1-3 /proc/loadavg)" >&2
for wm in $wms; do
    if [ "$wm" = openbox ]; then
        openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
        pids+=($!)
        for _ in $(seq 300); do wm_up && break; sleep 0.05; done
        wm_up || { echo "openbox did not start: that pass is skipped" >&2; continue; }
    fi
    run_pass "$wm"
done

echo
echo "quorva: $quorva"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)," \
    "load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
echo "X server: Xvfb 1280x1024x24 -noreset, no compositor, no session bus"
for wm in $wms; do [ -f "$tmp/results-$wm" ] && print_pass "$wm"; done
[ "$k2p_only" = 1 ] && exit 0
echo
echo "how each result was read back:"
for entry in "${programs[@]}"; do
    name=${entry%%|*}
    printf '  %-12s %s\n' "$name" "${copy_note[$name]}"
done
failures=$(cat "$tmp"/results-* 2>/dev/null | grep -c ' fail=' || true)
[ "$failures" = 0 ] || echo "runs with a failed step: $failures (reasons in the result columns)"
