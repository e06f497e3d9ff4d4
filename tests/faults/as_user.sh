#!/bin/sh
# Runs a test as nobody when started as root, so that permissions count, with HOME and the
# runtime folder in a scratch folder of nobody's own; as anyone else it runs as is.
set -eu
as="setpriv --reuid=nobody --regid=nogroup --clear-groups"
if [ "$(id -u)" != 0 ] || ! $as test -x "$1" 2>/dev/null; then
    [ "$(id -u)" != 0 ] || echo "as_user.sh: nobody cannot run $1 (a folder on the way is closed); running as root" >&2
    exec "$@"
fi
home=$(mktemp -d "${TMPDIR:-/tmp}/quorva-as-user.XXXXXX")
trap 'rm -rf "$home"' EXIT
chown nobody "$home"
$as env HOME="$home" XDG_RUNTIME_DIR="$home" XDG_CONFIG_HOME="$home/.config" TMPDIR="$home" "$@"
