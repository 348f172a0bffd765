#!/usr/bin/env bash
# Receive flood side by side: `bench_link flood` of one or more builds of this tool, then the
# Debian serial terminal CuteCom, each fed 1 MB/s by dtusim through a pty, back to back.
#   scripts/flood-compare.sh [SECONDS] BUILD_DIR [BUILD_DIR...]
# Needs xvfb-run, xdotool and cutecom (apt-get install -y xvfb xdotool cutecom). Runs at
# nice -5 when allowed. CuteCom's figures come from /proc: RSS at the start, every 10 s and
# at the end, and its CPU seconds while the port is open.
set -euo pipefail
secs=60
if [[ ${1:-} =~ ^[0-9]+$ ]]; then secs=$1; shift; fi
[[ $# -ge 1 ]] || { echo "usage: $0 [SECONDS] BUILD_DIR [BUILD_DIR...]" >&2; exit 2; }
nice=(nice -n -5)
"${nice[@]}" true 2>/dev/null || nice=()
sim=$(cd "$1" && pwd)/sim/dtusim

for b in "$@"; do
    echo "== bench_link flood $secs ($b)"
    "${nice[@]}" xvfb-run -a -s "-screen 0 1280x800x24" "$b/bench/bench_link" flood "$secs" 2>&1 | grep -v '^QStandardPaths'
done

echo "== CuteCom $(dpkg-query -W -f='${Version}' cutecom 2>/dev/null)"
work=$(mktemp -d)
trap 'kill $simpid 2>/dev/null || true; rm -rf "$work"' EXIT
"${nice[@]}" "$sim" --no-tcp --no-stdin --quiet --flood 1000000 --link "$work/ttyFLOOD" >"$work/sim.log" 2>&1 &
simpid=$!
for _ in $(seq 50); do [[ -e $work/ttyFLOOD ]] && break; sleep 0.1; done
mkdir -p "$work/config/CuteCom"
cat >"$work/config/CuteCom/CuteCom5.conf" <<CONF
[CuteCom]
session=flood

[sessions]
1\\BaudRate=115200
1\\DataBits=8
1\\Device=$work/ttyFLOOD
1\\FlowControl=0
1\\OpenMode=3
1\\Parity=0
1\\StopBits=1
1\\autoReconnect=false
1\\name=flood
1\\showCtrlCharacters=false
1\\showTimestamp=false
size=1
CONF
cat >"$work/run.sh" <<'RUN'
secs=$1
HOME=$2 XDG_CONFIG_HOME=$2/config cutecom -s flood >/dev/null 2>&1 &
pid=$!
sleep 3
tck=$(getconf CLK_TCK)
cpu() { awk -v t="$tck" '{ printf "%.1f", ($14 + $15) / t }' /proc/$pid/stat; }
rss() { awk '/VmRSS/ { print $2 }' /proc/$pid/status; }
rss0=$(rss)
xdotool mousemove 50 43 click 1 # the Open button at the window's top left
cpu0=$(cpu)
echo "port opened; RSS at start $rss0 kB"
for ((s = 10; s <= secs; s += 10)); do
    sleep 10
    echo "$(printf '%3d' $s) s: RSS $(rss) kB, CPU $(awk -v a="$(cpu)" -v b="$cpu0" 'BEGIN { printf "%.1f", a - b }') s"
done
cpu1=$(cpu)
echo "end: RSS $(rss) kB ($(( $(rss) - rss0 )) kB more); CPU $(awk -v a="$cpu1" -v b="$cpu0" -v s="$secs" 'BEGIN { printf "%.1f s in %d s (%.0f %% of a core)", a - b, s, 100 * (a - b) / s }')"
kill $pid
RUN
"${nice[@]}" xvfb-run -a -s "-screen 0 1280x800x24" bash "$work/run.sh" "$secs" "$work"
