#!/usr/bin/env bash
# run_case.sh DRIVER CASE: runs DRIVER with the lines of CASE.args as its arguments and compares
# the whole standard output with CASE.out and the exit status with CASE.status (default 0).
set -uo pipefail
driver=$1
case_=$2
mapfile -t args < "$case_.args"
expected_status=0
[ -f "$case_.status" ] && expected_status=$(tr -d '[:space:]' < "$case_.status")
expected_out=/dev/null
[ -f "$case_.out" ] && expected_out="$case_.out"

actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$driver" "${args[@]}" > "$actual"
status=$?

failed=0
if [ "$status" != "$expected_status" ]; then
  echo "exit status $status, expected $expected_status"
  failed=1
fi
if ! cmp -s "$actual" "$expected_out"; then
  echo "standard output differs from $expected_out:"
  diff -u "$expected_out" "$actual" | head -100
  failed=1
fi
exit $failed
