#!/usr/bin/env bash
# run_case.sh DRIVER CASE: runs DRIVER with the lines of CASE.args as its arguments and compares
# the whole standard output with CASE.out and the exit status with CASE.status (none: 0).
set -uo pipefail
mapfile -t args < "$2.args"
want_status=0
[ -f "$2.status" ] && want_status=$(tr -d '[:space:]' < "$2.status")
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$1" "${args[@]}" > "$actual"
status=$?
failed=0
[ "$status" = "$want_status" ] || { echo "exit status $status, expected $want_status"; failed=1; }
if ! cmp -s "$actual" "$2.out"; then
  echo "standard output differs from $2.out:"
  diff -u "$2.out" "$actual" | head -100
  failed=1
fi
exit $failed
