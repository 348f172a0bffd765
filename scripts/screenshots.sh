#!/usr/bin/env bash
# Renews the README's screenshots (docs/*.png): runs the demo under Xvfb against dtusim and
# clicks through it with xdotool:
#   docs/params.png       the parameter table after a read, one value changed (blue row)
#   docs/transparent.png  the transparent test after the simulator echoed a line
#   docs/signal.png       the control page with the live signal graph
# The clicks are at fixed places in the window (756x768, its own size and font); when the
# layout changes, the coordinates below change with it.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
./scripts/setup.sh
need=()
command -v xdotool >/dev/null || need+=(xdotool)
command -v import >/dev/null || need+=(imagemagick)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${need[@]}"
fi
dir=${BUILD_DIR:-build}
[ -e "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j"$(nproc)" --target dtucfg dtusim

# A fixed folder: its path shows in the status bar.
run=${TMPDIR:-/tmp}/dtucfg-screens
rm -rf "$run"
mkdir -p "$run"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$run"
}
trap cleanup EXIT
cp demo/*.txt demo/script.js "$run/"
sed -i "s#\"Comport\": \"[^\"]*\"#\"Comport\": \"$run/ttyDTU\"#" "$run/demo.txt"
printf '%s' "$run/demo.txt" > "$run/lastfile.log"
cd "$run"

# The simulator takes control lines (csq N) from a pipe, so the graph has something to show.
mkfifo control
"$top/$dir/sim/dtusim" --values demo.txt --ex-values interface.txt --link "$run/ttyDTU" --echo \
  --no-tcp --quiet < control > dtusim.out 2> dtusim.log &
pids+=($!)
exec 3> control
for _ in $(seq 50); do [ -e ttyDTU ] && break; sleep 0.1; done

Xvfb -displayfd 4 -screen 0 1024x800x24 -nolisten tcp 4> display >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s display ] && break; sleep 0.1; done
export DISPLAY=":$(cat display)"
LC_ALL=C.UTF-8 "$top/$dir/dtucfg" > dtucfg.log 2>&1 &
pids+=($!)
win=$(xdotool search --sync --name "参数配置程序" | head -1)
sleep 1

click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep "${3:-0.5}"; }
shot() {
  import -window "$win" "$top/docs/$1.png"
  echo "docs/$1.png"
}
mkdir -p "$top/docs"

# Parameter page: open the port, read, change the heartbeat interval.
click 306 615          # 打开串口
click 615 615 3        # 读取
click 266 222          # the value of 心跳间隔(秒): its editor opens
click 266 222          # into the editor
xdotool key ctrl+a
xdotool type --delay 80 "120"
sleep 0.3
click 60 382           # another row: the changed row shows blue
shot params
click 701 615 2        # 设置: write it, so that leaving the page asks nothing

# Transparent test: type a line, send it, the simulator echoes it.
click 169 33 1         # 透明传输测试
click 300 500          # the input box
xdotool type --delay 40 "hello DTU"
click 238 586 1.5      # 发送数据
shot transparent

# Control page: continuous signal reading for a minute and a half while the signal changes
# (99: the device does not know it).
click 271 33 1         # 控制模式测试
echo "csq 12" >&3
click 197 154          # 连续读取信号
for csq in 13 15 14 16 18 17 19 21 20 22 99 99 99 99 99 99 99 99 21 23 24 23 25 26 25 27 26 \
           28 27 26 28 29 27 28 26 27 29 28 27 28 29 28 27 28; do
  echo "csq $csq" >&3
  sleep 2
done
shot signal
