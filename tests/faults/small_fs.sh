#!/bin/sh
# Runs a test with QUORVA_SMALL_FS naming a fresh 64 KiB tmpfs in a mount namespace of its own
# (and a user namespace where not root); where none can be had the test skips its case.
set -eu
dir=$(mktemp -d)
trap 'rmdir "$dir"' EXIT
inside='mount -t tmpfs -o size=64k,mode=0700 small "$0" && export QUORVA_SMALL_FS="$0"; exec "$@"'
for how in "unshare --mount" "unshare --map-root-user --mount"; do
    if $how true 2>/dev/null; then
        $how sh -c "$inside" "$dir" "$@"
        exit
    fi
done
echo "small_fs.sh: no mount namespace can be had here" >&2
"$@"
