# What compare.sh and phases.sh share: a scratch folder cleaned up on exit (with every process
# in "pids"), the probe and the bare Qt window built there (probe=...), a runtime folder in
# memory, and a private Xvfb (DISPLAY exported).
#   bench_setup NAME     after sourcing; NAME names the scratch folders

bench_setup() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorva-$1.XXXXXX")
    runtime=$tmp/runtime
    pids=()
    bench_name=$1
    trap bench_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM

    echo "building the probe and the bare Qt window ..." >&2
    c++ -std=c++20 -O2 -o "$tmp/launch_probe" "$here/launch_probe.cpp" -lX11 -lXdamage -lXtst 2>"$tmp/build.log" ||
        { cat "$tmp/build.log" >&2; exit 1; }
    # shellcheck disable=SC2046 # pkg-config's words
    c++ -std=c++20 -O2 -fPIC -o "$tmp/bare_window" "$here/bare_window.cpp" $(pkg-config --cflags --libs Qt6Widgets) \
        2>"$tmp/build.log" || { cat "$tmp/build.log" >&2; exit 1; }
    probe=$tmp/launch_probe

    # The runtime folder in memory, as a desktop's /run/user/UID is.
    [ -d /dev/shm ] && [ -w /dev/shm ] && runtime=$(mktemp -d "/dev/shm/quorva-$1.XXXXXX")
    mkdir -p "$runtime" && chmod 700 "$runtime"
    export XDG_RUNTIME_DIR=$runtime LC_ALL=C.UTF-8
    unset WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORMTHEME QUORVA_TRACE

    : >"$tmp/displayfd"
    # -noreset: a desktop's X server does not start afresh each time its last client leaves.
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset 9>"$tmp/displayfd" >"$tmp/xvfb.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 300); do grep -q '[0-9]' "$tmp/displayfd" && break; sleep 0.05; done
    grep -q '[0-9]' "$tmp/displayfd" || { echo "Xvfb did not start" >&2; exit 1; }
    DISPLAY=":$(tr -dc "0-9" <"$tmp/displayfd")"
    export DISPLAY
}

bench_cleanup() {
    local p
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
    rm -rf "$tmp"
    case $runtime in "/dev/shm/quorva-$bench_name".*) rm -rf "$runtime" ;; esac
}
