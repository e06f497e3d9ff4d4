#!/usr/bin/env bash
# Replays the manual's examples `KEYS` → `SHOWN` through quorva-keys (SHOWN: the lowest stack
# line, or the entry line for a message; <!-- keys: ARGS --> sets the options of those after it).
# Each help text of the command table must have a row | `WORD` | `HELP` | ... `KEYS` → `SHOWN` |.
set -uo pipefail
keys=$1 manual=$2 table=${3:-}
[ -x "$keys" ] && [ -r "$manual" ] || { echo "usage: $0 QUORVA_KEYS MANUAL.md [COMMAND_TABLE.cpp]" >&2; exit 2; }

examples=$(awk '
  /^<!-- keys:.*-->$/ { a = $0; sub(/^<!-- keys: */, "", a); sub(/ *-->$/, "", a); next }
  {
    line = $0
    while (match(line, /`[^`]+` → `[^`]+`/)) {
      ex = substr(line, RSTART + 1, RLENGTH - 2)
      line = substr(line, RSTART + RLENGTH)
      split(ex, p, /` → `/)
      printf "%d\037%s\037%s\037%s\n", NR, a, p[1], p[2]
    }
  }' "$manual")

count=0 failed=0
while IFS=$'\037' read -r lineno args script shown; do
  count=$((count + 1))
  # shellcheck disable=SC2086  # the options are words
  out=$("$keys" $args -- "$script" 2>&1) || { echo "line $lineno: quorva-keys failed on '$script': $out"; failed=$((failed + 1)); continue; }
  entry=$(sed -n 's/^entry: //p' <<<"$out")
  # the window's labels show the stored "&&" of a hexadecimal text as one "&"
  top=$(sed -n '/^stack:$/,/^large:/{/^|/h}; ${x;p}' <<<"$out" | sed 's/^|//; s/&&/\&/g')
  if [ "$shown" != "$top" ] && [ "$shown" != "$entry" ]; then
    echo "line $lineno: '$script' ($args) shows '$top' (entry '$entry'), the manual says '$shown'"
    failed=$((failed + 1))
  fi
done <<<"$examples"

if [ -n "$table" ]; then
  helps=0
  while IFS= read -r help; do
    helps=$((helps + 1))
    word=${help%% *}
    grep -F -- "| \`$word\` | \`$help\` |" "$manual" | grep -q '` → `' ||
      { echo "the manual has no row with an example for \"$help\""; failed=$((failed + 1)); }
  done < <(sed -n 's/^ *{"[^"]*", "\([^ "]\{1,4\} \{1,4\}\.\.\.[^"]*\)", [A-Za-z]*},$/\1/p' "$table")
  [ "$helps" -eq 36 ] || { echo "found $helps help texts in $table, not 36"; exit 1; }
fi

# fewer examples than the manual holds: the pattern above stopped finding them
[ "$count" -ge 60 ] || { echo "only $count examples found in $manual"; exit 1; }
echo "$count examples, $failed wrong"
[ "$failed" -eq 0 ]
