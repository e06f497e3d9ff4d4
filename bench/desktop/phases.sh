#!/usr/bin/env bash
# Where a start's time goes: quorva beside the bare Qt window, phase by phase, from exec to the
# last paint, under one private Xvfb.
#
#   bench/desktop/phases.sh [--rounds N] [--quorva PATH] [--base PATH] [--wm none|openbox]
#                           [--runs FILE]
#
# Each program is started N times (10) in interleaved rounds after one warm-up start each,
# every start warm as in compare.sh (the files it mapped the time before are read just before
# it) and in a fresh home folder. With QUORVA_TRACE set, the launcher, the windows' library and
# the bare window write their marks (system/Trace.h, CLOCK_MONOTONIC); launch_probe --trace
# gives the exec on the same clock and the X side: the main window mapped, the first and last
# damage of the screen, the main window's own last damage, and VmRSS and VmHWM at 2 s. --base
# adds another quorva build as quorva-base. --runs keeps every run's figures in FILE.
#
# The table gives per phase the median ms from exec (min-max) and the step from the row above
# (the difference of the medians), rows in the order of quorva's medians; "X:" rows are seen
# by the X server, the others are the program's own marks. A second table gives the CPU time
# the process had used at each of its marks, which load on the machine changes far less.
# On a machine other programs keep busy, "chrt -f 10 bench/desktop/phases.sh ..." (as root)
# runs the X server, the probe and the programs ahead of them: closer to a quiet machine, but
# figures for development only.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
rounds=10
quorva=$top/build/windows/quorva
base=""
wm=none
runs_out=""
while [ $# -gt 0 ]; do
    case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --quorva) quorva=$2; shift 2 ;;
    --base) base=$2; shift 2 ;;
    --wm) wm=$2; shift 2 ;;
    --runs) runs_out=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -uo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown option $1 (see --help)" >&2; exit 2 ;;
    esac
done
case $wm in none | openbox) ;; *) echo "--wm none|openbox" >&2; exit 2 ;; esac
for t in Xvfb c++ pkg-config; do
    command -v "$t" >/dev/null || { echo "$t is not installed" >&2; exit 2; }
done
[ -x "$quorva" ] || { echo "quorva is not built at $quorva" >&2; exit 2; }
[ "$wm" = none ] || command -v openbox >/dev/null || { echo "openbox is not installed" >&2; exit 2; }

source "$here/common.sh"
bench_setup phases
if [ "$wm" = openbox ]; then
    openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 300); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.05; done
fi

# name | window criteria | command
programs=("quorva|--class Quorva --pid|$quorva --config-dir HOME/quorva")
[ -n "$base" ] && programs+=("quorva-base|--class Quorva --pid|$base --config-dir HOME/quorva")
programs+=("bare-qt|--class bare_window --pid|$tmp/bare_window")

runs=$tmp/runs
: >"$runs"
# start NAME ROUND: one warm start; its phases into $runs as "NAME ROUND PHASE MS"
start() {
    local name=$1 round=$2 entry crit cmd home line exec
    for entry in "${programs[@]}"; do [ "${entry%%|*}" = "$name" ] && break; done
    IFS='|' read -r _ crit cmd <<<"$entry"
    home=$tmp/home
    rm -rf "$home" "$tmp/trace" && mkdir -p "$home/quorva"
    cmd=${cmd//HOME\//$home/}
    [ -s "$tmp/files-$name" ] && xargs -d '\n' cat -- <"$tmp/files-$name" >/dev/null 2>&1
    # shellcheck disable=SC2086 # criteria and command are word lists
    line=$(HOME=$home XDG_CONFIG_HOME=$home/.config QUORVA_TRACE=$tmp/trace QT_QPA_PLATFORM=xcb \
        "$tmp/launch_probe" $crit --trace --idle 0,0 --files-out "$tmp/files-$name" -- $cmd 2>"$tmp/stderr")
    exec=$(sed -n 's/^exec at \([0-9.]*\) ms of the monotonic clock$/\1/p' "$tmp/stderr")
    if [ -z "$exec" ] || [[ $line == *fail=* ]]; then
        echo "  $name round $round failed: $line" >&2
        return
    fi
    [ "$round" = 0 ] && return
    {
        # the program's own marks: the first of each name
        [ -f "$tmp/trace" ] && awk -v e="$exec" '{
            ms = $(NF - 1); cpu = $NF; $NF = ""; $(NF - 1) = ""; sub(/ +$/, "")
            if (!($0 in seen)) { seen[$0] = 1; printf "%s\t%.2f\t%.2f\n", $0, ms - e, cpu }
        }' "$tmp/trace"
        sed -n '/^exec at /,$p' "$tmp/stderr" |
            awk '$2 == "damage" && $4 == "root" && $0 !~ /\(cursor\)/ { printf "X: first damage\t%s\n", $1; exit }' 
        tr ' ' '\n' <<<"$line" | awk -F= '
            $1 == "map" { printf "X: mapped\t%s\n", $2 }
            $1 == "paint" { printf "X: last paint\t%s\n", $2 }
            $1 == "main_paint" { printf "X: main window last paint\t%s\n", $2 }
            $1 == "rss" { printf "VmRSS at 2 s, MiB\t%.2f\n", $2 / 1024 }
            $1 == "hwm" { printf "VmHWM at 2 s, MiB\t%.2f\n", $2 / 1024 }'
    } | awk -F'\t' -v n="$name" -v r="$round" '{ printf "%s\t%s\t%s\t%s\t%s\n", n, r, $1, $2, (NF > 2 ? $3 : "-") }' >>"$runs"
    printf '  %-11s round %2d  %s\n' "$name" "$round" "$line" >&2
}

echo "display $DISPLAY, window manager: $wm; $(nproc) cores; load average at start $(cut -d' ' -f1-3 /proc/loadavg)" >&2
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
for ((r = 0; r <= rounds; r++)); do
    for entry in "${programs[@]}"; do start "${entry%%|*}" "$r"; done
done
load_end=$(cut -d' ' -f1-3 /proc/loadavg)
[ -n "$runs_out" ] && cp "$runs" "$runs_out"

# table COLUMN RATIOS: the medians of a column of $runs (4: ms from exec, 5: CPU ms)
table() {
    awk -F'\t' -v names="${names[*]}" -v col="$1" -v ratios="$2" '
        $col != "-" { key = $1 SUBSEP $3; v[key, ++n[key]] = $col; if (!($3 in order)) order[$3] = ++rows; phase[$3] = 1 }
        function median(key,   i, j, t, m, a) {
            m = n[key]; for (i = 1; i <= m; i++) a[i] = v[key, i]
            for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
            lo[key] = a[1]; hi[key] = a[m]
            return (m % 2) ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
        }
        END {
            np = split(names, prog, " ")
            for (p in phase) for (i = 1; i <= np; i++) if ((prog[i], p) in n) med[prog[i], p] = median(prog[i] SUBSEP p)
            # rows in time order: by the first program that has the phase; memory last
            for (p in phase) {
                for (i = 1; i <= np; i++) if ((prog[i], p) in med) { at[p] = med[prog[i], p]; break }
                if (p ~ /^Vm/) { if (col != 4) continue; at[p] = 1e9 + order[p] }
                list[++k] = p
            }
            for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (at[list[j]] < at[list[i]]) { t = list[i]; list[i] = list[j]; list[j] = t }
            printf "%-28s", "phase"
            for (i = 1; i <= np; i++) printf " %-22s %7s", prog[i], "step"
            printf "\n%-28s", "exec"
            for (i = 1; i <= np; i++) { printf " %-22s %7s", "0", ""; last[prog[i]] = 0 }
            printf "\n"
            for (r = 1; r <= k; r++) {
                p = list[r]
                printf "%-28s", p
                for (i = 1; i <= np; i++) {
                    q = prog[i]
                    if (!((q, p) in med)) { printf " %-22s %7s", "-", ""; continue }
                    key = q SUBSEP p
                    cellv = sprintf("%.1f (%.1f-%.1f)", med[q, p], lo[key], hi[key])
                    if (p ~ /^Vm/) { printf " %-22s %7s", sprintf("%.2f (%.2f-%.2f)", med[q, p], lo[key], hi[key]), ""; continue }
                    printf " %-22s %+7.1f", cellv, med[q, p] - last[q]
                    last[q] = med[q, p]
                }
                printf "\n"
            }
            if (!ratios) exit
            # quorva against the floor
            fl = prog[np]
            for (i = 1; i < np; i++) {
                q = prog[i]
                printf "%s / %s:", q, fl
                split("X: mapped|X: last paint|VmRSS at 2 s, MiB|VmHWM at 2 s, MiB", w, "|")
                for (j = 1; j <= 4; j++) if ((q, w[j]) in med && (fl, w[j]) in med && med[fl, w[j]] > 0)
                    printf "  %s x%.3f", w[j], med[q, w[j]] / med[fl, w[j]]
                printf "\n"
            }
        }' "$runs"
}

names=()
for entry in "${programs[@]}"; do names+=("${entry%%|*}"); done
echo
echo "quorva: $quorva${base:+; quorva-base: $base}"
echo "window manager: $wm; $rounds rounds after one warm-up start each, every start warm"
echo "machine: $(nproc) cores, load average at start $load_start, at the end $load_end"
echo "median ms from exec (min-max), step: from the row above"
table 4 1
echo
echo "CPU ms of the whole process (all threads) at each of its own marks, median (min-max)"
table 5 0

