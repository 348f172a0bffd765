#!/usr/bin/env bash
# Builds the tool and the DTU simulator, then starts both on the demo profile in demo/run/:
# the simulator serves the profile's values on a pseudo-terminal (demo/run/ttyDTU) and on TCP
# port 8888 of 127.0.0.1; the tool opens with the demo configuration loaded. Click 打开串口.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target dtucfg dtusim
top=$(pwd)
run="$top/demo/run"
mkdir -p "$run"
# The tool rewrites its configuration when the port opens, so it works on copies; an earlier
# demo's copies (with their saved settings) are kept.
for f in "$top"/demo/*.txt "$top"/demo/script.js; do
  [ -e "$run/$(basename "$f")" ] || cp "$f" "$run/"
done
# The demo configuration names the simulator's port; the tool reloads it at start.
for f in "$run"/demo*.txt; do
  sed -i "s#\"Comport\": \"[^\"]*\"#\"Comport\": \"$run/ttyDTU\"#" "$f"
done
printf '%s' "$run/demo.txt" > "$run/lastfile.log"
cd "$run"

tcp=(--tcp-port 8888)
if (exec 3<>/dev/tcp/127.0.0.1/8888) 2>/dev/null; then
  echo "port 8888 is in use: the simulator offers the serial port only"
  tcp=(--no-tcp)
fi
"$top/build/sim/dtusim" --values demo.txt --ex-values interface.txt --link "$run/ttyDTU" --echo \
  --no-stdin --quiet "${tcp[@]}" > "$run/dtusim.out" 2> "$run/dtusim.log" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$run/ttyDTU" ] && break; sleep 0.1; done
echo "simulator: $(head -1 "$run/dtusim.out") (log in demo/run/dtusim.log)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: starting the tool under Xvfb"
  xvfb-run -a -s "-screen 0 1024x800x24" "$top/build/dtucfg"
else
  "$top/build/dtucfg"
fi
