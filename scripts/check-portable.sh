#!/usr/bin/env bash
# Fails when the tool's own code (everything but the simulator, the tests and the fuzzers)
# uses a POSIX-only interface: <unistd.h>, <termios.h>, <sys/...> or fork/pipe calls. The tool
# must build with Qt on Windows; Qt's classes stand in for these.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.c' '*.cc' '*.cpp' '*.cxx' '*.h' '*.hh' '*.hpp')
else
  mapfile -t files < <(find . -path ./build\* -prune -o -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' \
                                -o -name '*.cxx' -o -name '*.h' -o -name '*.hh' -o -name '*.hpp' \) -print | sed 's#^\./##')
fi
checked=()
for f in "${files[@]}"; do
  case "$f" in sim/* | tests/* | bench/* | fuzz/* | build*/*) continue ;; esac
  [ -f "$f" ] && checked+=("$f")
done
# Comment lines do not count; code after a statement does. A POSIX include in the non-Windows
# branch of a platform switch is marked "// posix-guarded: <why>" and passes.
found=$(grep -nHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](unistd\.h|termios\.h|sys/[^>"]*)[>"]|(^|[^[:alnum:]_.>])(::)?(fork|vfork|forkpty|pipe|pipe2)[[:space:]]*\(' \
          "${checked[@]}" | grep -vE '^[^:]+:[0-9]+:[[:space:]]*(//|\*|/\*)' | grep -v '// posix-guarded:' || true)
if [ -n "$found" ]; then
  echo "POSIX-only interfaces in the tool's own code (use Qt's classes instead):"
  echo "$found"
  exit 1
fi
echo "portable: ${#checked[@]} files checked, no POSIX-only includes or fork/pipe calls"
