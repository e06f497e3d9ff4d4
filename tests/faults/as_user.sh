#!/bin/sh
# Runs a test as the unprivileged user nobody when started as root, so that permissions count;
# as anyone else it runs as is. HOME and the runtime folder are nobody's own scratch folders.
set -eu
if [ "$(id -u)" != 0 ]; then exec "$@"; fi
user=nobody
if ! setpriv --reuid="$user" --regid=nogroup --clear-groups test -x "$1" 2>/dev/null; then
    echo "as_user.sh: $user cannot run $1 (a folder on the way is closed); running as root" >&2
    exec "$@"
fi
home=$(mktemp -d "${TMPDIR:-/tmp}/quorva-as-user.XXXXXX")
trap 'rm -rf "$home"' EXIT
chown "$user" "$home"
setpriv --reuid="$user" --regid=nogroup --clear-groups \
    env HOME="$home" XDG_RUNTIME_DIR="$home" XDG_CONFIG_HOME="$home/.config" TMPDIR="$home" "$@"
