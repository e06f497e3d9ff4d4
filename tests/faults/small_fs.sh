#!/bin/sh
# Runs a test with QUORVA_SMALL_FS naming a fresh 64 KiB tmpfs in a mount namespace of its own
# (and a user namespace where not root); where none can be had the test skips its case.
set -eu
if [ "${QUORVA_SMALL_FS_INSIDE:-}" = 1 ]; then
    dir=$(mktemp -d)
    mount -t tmpfs -o size=64k,mode=0700 quorva-small "$dir"
    QUORVA_SMALL_FS=$dir "$@" && rc=0 || rc=$?
    umount "$dir" && rmdir "$dir"
    exit "$rc"
fi
for how in "unshare --mount" "unshare --map-root-user --mount"; do
    $how sh -c 'd=$(mktemp -d) && mount -t tmpfs tmpfs "$d" && umount "$d" && rmdir "$d"' 2>/dev/null &&
        QUORVA_SMALL_FS_INSIDE=1 exec $how sh "$0" "$@"
done
echo "small_fs.sh: no mount namespace can be had here" >&2
exec "$@"
