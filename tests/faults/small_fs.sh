#!/bin/sh
# Runs a test with QUORVA_SMALL_FS naming a fresh 64 KiB tmpfs, mounted in a mount namespace of
# the test's own (as root, or inside a user namespace of its own otherwise). Where neither can
# be had the test runs without it and skips its case, saying why.
set -eu
if [ "${QUORVA_SMALL_FS_INSIDE:-}" = 1 ]; then
    dir=$(mktemp -d "${TMPDIR:-/tmp}/quorva-small-fs.XXXXXX")
    mount -t tmpfs -o size=64k,mode=0700 quorva-small "$dir"
    QUORVA_SMALL_FS=$dir "$@" && rc=0 || rc=$?
    umount "$dir"
    rmdir "$dir"
    exit "$rc"
fi
for how in "unshare --mount" "unshare --map-root-user --mount"; do
    if $how sh -c 'd=$(mktemp -d) && mount -t tmpfs -o size=64k tmpfs "$d" && umount "$d" && rmdir "$d"' 2>/dev/null; then
        QUORVA_SMALL_FS_INSIDE=1 exec $how sh "$0" "$@"
    fi
done
echo "small_fs.sh: no mount namespace can be had here" >&2
exec "$@"
