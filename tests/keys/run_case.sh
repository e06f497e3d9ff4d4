#!/usr/bin/env bash
# run_case.sh DRIVER CASE: CASE.args, .out and .status as tests/keys/CMakeLists.txt says, or a
# CASE.table of short cases: its lines before the first "> KEYS" line are arguments for every
# case; each "> KEYS" line (options may lead, blanks split arguments) is followed by its expected
# output. "> START | KEYS" also checks that "u" after KEYS gives back the items START leaves.
set -fuo pipefail
driver=$1 failed=0
items=(--only "items,$(seq -s, -f 'item %g' 1 300)")

expect() {  # expect WHAT WANT STATUS ARG...
  local what=$1 want=$2 want_status=$3 got status=0
  shift 3
  got=$("$driver" "$@") || status=$?
  [ "$status" = "$want_status" ] || { echo "$what: exit status $status, expected $want_status"; failed=1; }
  [ "$got" = "$want" ] && return
  echo "$what: standard output differs:"
  diff -u <(printf '%s\n' "$want") <(printf '%s\n' "$got") | head -100
  failed=1
}

if [ -f "$2.args" ]; then
  mapfile -t args < "$2.args"
  status=$(cat "$2.status" 2>/dev/null || echo 0)
  expect "$2" "$(cat "$2.out")" "${status//[[:space:]]/}" "${args[@]}"
  exit $failed
fi

common=() keys='' want=''
run_one() {
  [ -n "$keys" ] || return 0
  expect ">$keys" "$want" 0 "${common[@]}" ${keys/ | / }
  [[ $keys == *' | '* ]] || return 0
  expect ">$keys u" "$("$driver" "${common[@]}" "${items[@]}" ${keys%% | *})" 0 \
    "${common[@]}" "${items[@]}" ${keys/ | / } u
}
while IFS= read -r line; do
  case $line in
    '#'* | '') ;;
    '> '*) run_one; keys=${line#>} want='' ;;
    *) if [ -n "$keys" ]; then want+=${want:+$'\n'}$line; else common+=("$line"); fi ;;
  esac
done < "$2.table"
run_one
exit $failed
