#!/usr/bin/env bash
# install_check.sh layout|desktop|deb SOURCE BUILD OUT: the installed calculator (ctest label install).
# layout: every file in a temporary prefix, valid, found by the program, and no build path in it;
# desktop: the installed program's windows (the e2e case other_windows); deb: the package, lintian.
set -uo pipefail
what=$1 src=$2 build=$3 out=$4
mkdir -p "$out"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/quorva-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export LC_ALL=C.UTF-8
install_into() {
    prefix=$1
    cmake --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1 ||
        { cat "$tmp/install.log" >&2; fail "cmake --install failed"; }
}

# The files a desktop, man and the program itself look for.
expected_files() {
    printf '%s\n' bin/quorva bin/quorva-keys lib/quorva/quorva-windows.so share/applications/quorva.desktop \
        share/metainfo/quorva.metainfo.xml share/man/man1/quorva.1.gz share/man/man1/quorva-keys.1.gz \
        share/doc/quorva/quorva.html share/doc/quorva/copyright share/doc/quorva/changelog.Debian.gz \
        share/icons/hicolor/scalable/apps/quorva.svg
    for s in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${s}x$s/apps/quorva.png"; done
    (cd "$src/skins" && find . -type f \( -name '*.qsd' -o -name '*.png' -o -name '*.bmp' \) | sed 's|^\./|share/quorva/skins/|')
    (cd "$src/docs" && find images -name '*.png' 2>/dev/null | sed 's|^|share/doc/quorva/|')
}

case $what in
layout)
    install_into "$tmp/prefix"
    for f in $(expected_files); do [ -f "$prefix/$f" ] || fail "not installed: $f"; done
    doc=$prefix/share/doc/quorva
    for f in $(grep -o 'src="[^":]*"' "$doc/quorva.html" | sed 's/^src="//; s/"$//'); do
        [ -f "$doc/$f" ] || fail "the manual's page shows $f, which is not installed"
    done
    desktop-file-validate "$prefix/share/applications/quorva.desktop" || fail "desktop-file-validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/quorva.metainfo.xml" >"$tmp/as.log" 2>&1 ||
        { cat "$tmp/as.log" >&2; fail "appstreamcli validate"; }
    for m in quorva quorva-keys; do
        MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$m.1.gz" >"$tmp/$m.txt" 2>"$tmp/man.log"
        [ ! -s "$tmp/man.log" ] || { cat "$tmp/man.log" >&2; fail "man warns about $m(1)"; }
        grep -q "^SYNOPSIS" "$tmp/$m.txt" || fail "man shows no SYNOPSIS for $m(1)"
    done
    # as a new user sees it: settings under ~/.config, skins and manual from the prefix
    HOME=$tmp/home XDG_CONFIG_HOME= "$prefix/bin/quorva" --paths >"$tmp/paths" || fail "quorva --paths"
    skins=$(find "$src/skins" -name '*.qsd' | wc -l)
    grep -qx "settings: $tmp/home/.config/quorva/quorva.ini" "$tmp/paths" || fail "settings not in ~/.config/quorva"
    grep -qx "skins: $prefix/share/quorva/skins ($skins skins)" "$tmp/paths" || fail "the installed skins are not found"
    grep -qx "manual: $doc/quorva.html" "$tmp/paths" || fail "the installed manual is not found"
    # No build path compiled in (another may own it): without the page it says so, looks nowhere else.
    for f in bin/quorva lib/quorva/quorva-windows.so; do
        # narrow read-only strings (the debugging data names the build tree), and Qt's UTF-16 ones
        { readelf -p .rodata "$prefix/$f" && strings -a -el "$prefix/$f"; } >"$tmp/texts" || fail "readelf $f"
        ! grep -F "$build" "$tmp/texts" || fail "$f holds a path of the build tree $build"
    done
    rm "$doc/quorva.html"
    HOME=$tmp/home XDG_CONFIG_HOME= "$prefix/bin/quorva" --paths >"$tmp/paths" || fail "quorva --paths"
    grep -qx "manual: (not installed: there is no $doc/quorva.html)" "$tmp/paths" ||
        fail "without the installed page: $(grep manual: "$tmp/paths")"
    ;;
desktop)
    install_into "$tmp/prefix"
    QUORVA_BIN=$tmp/prefix/bin/quorva QUORVA_E2E_OUT=$out bash "$src/tests/e2e/run.sh" other_windows
    ;;
deb)
    cmake --build "$build" --target quorva_deb >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
    deb=$(ls "$build"/quorva_4.00-1_*.deb 2>/dev/null | head -n1)
    [ -n "$deb" ] || fail "no quorva_4.00-1_*.deb in $build (target quorva_deb)"
    [ "$(dpkg-deb -f "$deb" Version Section)" = $'Version: 4.00-1\nSection: math' ] || fail "version or section"
    for d in fonts-liberation libqt6widgets6; do # the second from dpkg-shlibdeps
        dpkg-deb -f "$deb" Depends | grep -qw "$d" || fail "$d is no dependency"
    done
    dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./||' >"$tmp/contents"
    for f in $(expected_files | sed 's|^|usr/|'); do grep -qx "$f" "$tmp/contents" || fail "not in the package: $f"; done
    if ! command -v lintian >/dev/null; then echo "SKIP: lintian is not installed"; exit 77; fi
    lintian --allow-root --tag-display-limit 0 "$deb" >"$tmp/lintian" 2>&1
    cat "$tmp/lintian"
    ! grep -q '^E:' "$tmp/lintian" || fail "lintian reports errors" # an unstripped program among them
    ;;
*) fail "usage: $0 layout|desktop|deb SOURCE BUILD OUT" ;;
esac
