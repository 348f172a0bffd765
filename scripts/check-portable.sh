#!/usr/bin/env bash
# Fails when the tool's own code (everything but the simulator, the tests and the fuzzers)
# uses a POSIX-only interface: <unistd.h>, <termios.h>, <sys/...> or fork/pipe calls. The tool
# must build with Qt on Windows; Qt's classes stand in for these.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/sourcefiles.sh
# sim/ runs only on Linux; tests, benchmarks and fuzzers are not part of the tool.
mapfile -t checked < <(tool_sources | grep -v '^sim/' || true)
need_files "check-portable" "${#checked[@]}" 20
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
