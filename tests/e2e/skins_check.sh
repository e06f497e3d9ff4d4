#!/usr/bin/env bash
# The skins case of run.sh for any program (docs/shoot-skins keeps its screenshots):
#   skins_check.sh --program PATH --out DIR
[ "${1:-}" = --program ] && [ "${3:-}" = --out ] && [ -n "${4:-}" ] || { sed -n 3p "$0" >&2; exit 2; }
mkdir -p "$4" && QUORVA_BIN=$(readlink -f "$2") QUORVA_E2E_OUT=$(cd "$4" && pwd) exec bash "$(dirname "$0")/run.sh" skins
