#!/usr/bin/env bash
# Fails when a source file of the tool (not the tests, benchmarks or fuzzers) reaches 400 lines,
# or the main window's header 120: past that a file holds more than one thing.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=0
while IFS= read -r f; do
  n=$(wc -l < "$f")
  if [ "$n" -ge 400 ]; then echo "$f: $n lines (400 at most)"; bad=1; fi
done < <(git ls-files -co --exclude-standard -- '*.h' '*.cpp' | grep -v '^tests/\|^bench/\|^fuzz/\|^build')
n=$(wc -l < app/window/tform1.h)
if [ "$n" -ge 120 ]; then echo "app/window/tform1.h: $n lines (120 at most)"; bad=1; fi
largest=$(git ls-files -co --exclude-standard -- '*.h' '*.cpp' | grep -v '^tests/\|^bench/\|^fuzz/\|^build' | xargs wc -l | grep -v ' total$' | sort -n | tail -1)
[ "$bad" = 1 ] || echo "sizes ok: largest source file ${largest## } lines; app/window/tform1.h $n lines"
exit "$bad"
