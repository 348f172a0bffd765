#!/usr/bin/env bash
# Fails when a source file of the tool (not the tests, benchmarks or fuzzers) reaches 400 lines,
# or the main window class 300 in its files together: past that a file holds more than one thing.
set -euo pipefail
cd "$(dirname "$0")/.."
bad=0
while IFS= read -r f; do
  n=$(wc -l < "$f")
  if [ "$n" -ge 400 ]; then echo "$f: $n lines (400 at most)"; bad=1; fi
done < <(git ls-files -co --exclude-standard -- '*.h' '*.cpp' | grep -v '^tests/\|^bench/\|^fuzz/\|^build')
n=$(cat app/window/mainwindow.h app/window/mainwindow.cpp | wc -l)
if [ "$n" -ge 300 ]; then echo "app/window/mainwindow.h + .cpp: $n lines (under 300)"; bad=1; fi
largest=$(git ls-files -co --exclude-standard -- '*.h' '*.cpp' | grep -v '^tests/\|^bench/\|^fuzz/\|^build' | xargs wc -l | grep -v ' total$' | sort -n | tail -1)
[ "$bad" = 1 ] || echo "sizes ok: largest source file ${largest## } lines; main window $n lines"
exit "$bad"
