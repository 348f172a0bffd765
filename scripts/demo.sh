#!/usr/bin/env bash
# Builds the tool and starts it on the demo profile in demo/run/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
top=$(pwd)
run="$top/demo/run"
mkdir -p "$run"
# The demo folder holds the device script and the configuration; the tool rewrites the
# configuration when the port opens, so the checked-in originals are copied, never used in place.
for f in "$top"/demo/*; do
  [ -f "$f" ] || continue
  [ -e "$run/$(basename "$f")" ] || cp "$f" "$run/"
done
cd "$run"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: starting the tool under Xvfb"
  exec xvfb-run -a -s "-screen 0 1024x800x24" "$top/build/dtucfg"
fi
exec "$top/build/dtucfg"
