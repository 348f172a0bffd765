#!/usr/bin/env bash
# Fails on an include that runs upward or sideways between the tool's folders. Floors, lowest
# first; a file may include its own folder and any folder on a lower floor:
#   base | script link | protocol | params | config | session | app/window | app cli
# The simulator sits on the protocol floor's helpers; tests and benchmarks may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."
floor() {
  case "$1" in
    base) echo 0 ;; script|link) echo 1 ;; protocol) echo 2 ;; params) echo 3 ;;
    config) echo 4 ;; session) echo 5 ;; app/window) echo 6 ;; app|cli) echo 7 ;; sim) echo 3 ;;
    *) echo "" ;;
  esac
}
folder_of() { # app/window/x.h -> app/window, protocol/x.h -> protocol
  case "$1" in app/window/*) echo app/window ;; *) echo "${1%%/*}" ;; esac
}
bad=0
while IFS= read -r file; do
  from=$(folder_of "$file"); f=$(floor "$from")
  [ -n "$f" ] || continue
  while IFS= read -r inc; do
    to=$(folder_of "$inc"); t=$(floor "$to")
    [ -n "$t" ] || continue
    [ "$to" = "$from" ] && continue
    if [ "$from" = sim ]; then ok=$([ "$t" -le 2 ] && echo 1 || echo 0)
    else ok=$([ "$t" -lt "$f" ] && echo 1 || echo 0); fi
    if [ "$ok" != 1 ]; then echo "$file includes $inc ($from may not depend on $to)"; bad=1; fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(git ls-files -co --exclude-standard -- '*.h' '*.cpp' | grep -v '^tests/\|^fuzz/\|^bench/')
if [ "$bad" = 0 ]; then echo "layers: no upward or sideways include"; fi
exit "$bad"
