#!/usr/bin/env bash
# Checks of the installed calculator, run by ctest (label install):
#   install_check.sh layout|desktop|skins|deb|page SOURCE BUILD OUT
# layout   cmake --install into a temporary prefix: every file in its place, the desktop entry
#          and AppStream metadata valid, the man pages free of groff warnings, and the installed
#          program finding its settings, skins and manual from that prefix
# desktop  the installed program on a private X server: the calculator and Functions window
# skins    every sample skin in the installed program on a private X server, a screenshot each
# deb      the Debian package: its name, fields and files, and no lintian error
# page     the installed manual page in headless Chromium (skipped without Chromium)
set -uo pipefail
what=$1 src=$2 build=$3 out=$4
mkdir -p "$out"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorva-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export LC_ALL=C.UTF-8

install_into() {
    prefix=$tmp/prefix
    cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
        { cat "$tmp/install.log" >&2; fail "cmake --install failed"; }
}

# The files a desktop, man and the program itself look for.
expected_files() {
    printf '%s\n' bin/quorva bin/quorva-keys lib/quorva/quorva-windows.so
    printf '%s\n' share/applications/quorva.desktop share/metainfo/quorva.metainfo.xml
    printf '%s\n' share/man/man1/quorva.1.gz share/man/man1/quorva-keys.1.gz
    printf '%s\n' share/doc/quorva/quorva.html share/doc/quorva/copyright share/doc/quorva/changelog.Debian.gz
    printf '%s\n' share/icons/hicolor/scalable/apps/quorva.svg
    for s in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${s}x$s/apps/quorva.png"; done
    (cd "$src/skins" && find . -type f \( -name '*.qsd' -o -name '*.png' -o -name '*.bmp' \) | sed 's|^\./|share/quorva/skins/|')
    (cd "$src/docs" && find images -name '*.png' 2>/dev/null | sed 's|^|share/doc/quorva/|')
}

check_icon_sizes() {
    local s size
    for s in 16 22 24 32 48 64 128 256; do
        size=$(file -b "$prefix/share/icons/hicolor/${s}x$s/apps/quorva.png" | grep -o '[0-9]* x [0-9]*')
        [ "$size" = "$s x $s" ] || fail "the ${s}x$s icon is $size"
    done
}

case $what in
layout)
    install_into
    for f in $(expected_files); do [ -f "$prefix/$f" ] || fail "not installed: $f"; done
    [ -x "$prefix/bin/quorva" ] || fail "bin/quorva is not executable"
    check_icon_sizes
    desktop-file-validate "$prefix/share/applications/quorva.desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/quorva.metainfo.xml" >"$tmp/as.log" 2>&1 ||
        { cat "$tmp/as.log" >&2; fail "appstreamcli validate"; }
    cat "$tmp/as.log"
    for m in quorva quorva-keys; do
        gzip -dc "$prefix/share/man/man1/$m.1.gz" | groff -ww -man -t -z 2>"$tmp/groff.log"
        [ ! -s "$tmp/groff.log" ] || { cat "$tmp/groff.log" >&2; fail "groff warns about $m(1)"; }
        MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$m.1.gz" >"$tmp/$m.txt" 2>"$tmp/man.log"
        [ ! -s "$tmp/man.log" ] || { cat "$tmp/man.log" >&2; fail "man warns about $m(1)"; }
        grep -q "^SYNOPSIS" "$tmp/$m.txt" || fail "man shows no SYNOPSIS for $m(1)"
    done
    # gzip -9n: no file name or time stamp in the header (bytes 4-9)
    [ "$(od -An -tx1 -j3 -N6 "$prefix/share/man/man1/quorva.1.gz" | tr -d ' ')" = 000000000002 ] ||
        fail "quorva.1.gz is not compressed with gzip -9n"
    # as a new user sees it: settings under ~/.config, skins and manual from the prefix
    HOME=$tmp/home XDG_CONFIG_HOME= "$prefix/bin/quorva" --paths >"$tmp/paths" || fail "quorva --paths"
    cat "$tmp/paths"
    skins=$(find "$src/skins" -name '*.qsd' | wc -l)
    grep -qx "settings: $tmp/home/.config/quorva/quorva.ini" "$tmp/paths" || fail "settings not in ~/.config/quorva"
    grep -qx "skins: $prefix/share/quorva/skins ($skins skins)" "$tmp/paths" || fail "the installed skins are not found"
    grep -qx "manual: $prefix/share/doc/quorva/quorva.html" "$tmp/paths" || fail "the installed manual is not found"
    # No path of the build tree is compiled in (another user may own that folder): without the
    # installed page, as minimal images have it, the program says so and looks nowhere else.
    for f in bin/quorva lib/quorva/quorva-windows.so; do
        # narrow strings of the read-only data (the debugging data names the build tree), and
        # the UTF-16 ones of Qt's string literals
        { readelf -p .rodata "$prefix/$f" && strings -a -el "$prefix/$f"; } >"$tmp/texts" || fail "readelf $f"
        ! grep -F "$build" "$tmp/texts" || fail "$f holds a path of the build tree $build"
    done
    rm "$prefix/share/doc/quorva/quorva.html"
    HOME=$tmp/home XDG_CONFIG_HOME= "$prefix/bin/quorva" --paths >"$tmp/paths" || fail "quorva --paths"
    grep -qx "manual: (not installed: there is no $prefix/share/doc/quorva/quorva.html)" "$tmp/paths" ||
        fail "without the installed page: $(grep manual: "$tmp/paths")"
    ;;
desktop)
    install_into
    QUORVA_BIN=$prefix/bin/quorva QUORVA_E2E_OUT=$out
    source "$src/tests/e2e/harness.sh"
    e2e_init install.desktop
    start_calculator
    shoot_window installed-calculator.png "$MAIN"
    focus_main
    xdo key F1
    wait_named 10 "Quorva 4.00 - Functions and Settings"
    sleep 0.5
    shoot_window installed-functions.png "$WIN"
    e2e_log "the installed calculator and its Functions window are in $out"
    ;;
skins)
    # every sample skin, as the installed program finds and shows it
    install_into
    bash "$src/tests/e2e/skins_check.sh" --program "$prefix/bin/quorva" --out "$out/skins" ||
        fail "a sample skin does not load in the installed program"
    ;;
deb)
    cmake --build "$build" --target quorva_deb >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
    deb=$(ls "$build"/quorva_4.00-1_*.deb 2>/dev/null | head -n1)
    [ -n "$deb" ] || fail "no quorva_4.00-1_*.deb in $build (target quorva_deb)"
    dpkg-deb -f "$deb" Package Version Section Maintainer Depends | tee "$tmp/fields"
    grep -qx "Version: 4.00-1" "$tmp/fields" || fail "version"
    grep -qx "Section: math" "$tmp/fields" || fail "section"
    grep -q "^Depends: .*fonts-liberation" "$tmp/fields" || fail "fonts-liberation is no dependency"
    grep -q "^Depends: .*libqt6widgets6" "$tmp/fields" || fail "no library dependencies (dpkg-shlibdeps)"
    dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./||' >"$tmp/contents"
    for f in $(expected_files | sed 's|^|usr/|'); do grep -qx "$f" "$tmp/contents" || fail "not in the package: $f"; done
    file -b "$(dpkg-deb -x "$deb" "$tmp/x" && echo "$tmp/x/usr/bin/quorva")" | grep -q ', stripped' ||
        fail "usr/bin/quorva is not stripped"
    if ! command -v lintian >/dev/null; then echo "SKIP: lintian is not installed"; exit 77; fi
    lintian --allow-root --tag-display-limit 0 "$deb" >"$tmp/lintian" 2>&1
    cat "$tmp/lintian"
    ! grep -q '^E:' "$tmp/lintian" || fail "lintian reports errors"
    ;;
page)
    install_into
    browser=$(command -v chromium || command -v chromium-browser) ||
        { echo "SKIP: Chromium is not installed"; exit 77; }
    profile=$tmp/profile
    for shot in 1100x1500 1100x16000; do
        timeout 60 "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
            --disable-background-networking --disable-component-update --disable-sync \
            --user-data-dir="$profile" --hide-scrollbars --window-size="${shot/x/,}" \
            --screenshot="$out/manual-$shot.png" "file://$prefix/share/doc/quorva/quorva.html" \
            >"$tmp/chromium.log" 2>&1 || { tail "$tmp/chromium.log" >&2; fail "Chromium could not show the page"; }
        [ -s "$out/manual-$shot.png" ] || fail "no screenshot of the manual"
    done
    echo "the manual's page: $out/manual-1100x1500.png (top) and $out/manual-1100x16000.png (whole)"
    ;;
*) fail "usage: $0 layout|desktop|skins|deb|page SOURCE BUILD OUT" ;;
esac
