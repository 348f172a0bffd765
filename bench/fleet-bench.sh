#!/usr/bin/env bash
# Benchmark (prints numbers; not a test): dtucfg-cli apply of a 100-row profile with a device
# number of each device's own (--inventory) to N devices of the fleet simulator over loopback
# TCP, frame-end replies; then the same run again, which must write nothing.
# Prints per N: wall time and peak memory of both runs, rows written, devices done, verification
# failures, and the simulator's memory.
# Usage: bench/fleet-bench.sh [BUILD_DIR] [N...]     (default: build 10 1000 10000)
# JOBS (default 16) is passed as --jobs; BASE (default 127.60.0.1) is the first device's address.
set -euo pipefail
build=${1:-build}
shift || true
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10 1000 10000)
cli=$(realpath "$build/dtucfg-cli") sim=$(realpath "$build/sim/dtusim")
src=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-16} base=${BASE:-127.60.0.1}
work=$(mktemp -d)
simpid=""
trap '[ -n "$simpid" ] && kill $simpid 2>/dev/null; rm -rf "$work"' EXIT
cp "$src/demo/script.js" "$work/"

# 100 rows: 0095 设备号 (text) and 99 text rows 1001.. that the devices already hold.
python3 - "$work" <<'PY'
import json, sys
rows = {"0": {"CMDID": "0095", "PNAME": "设备号", "PVALUE": "HEX:" + b"DTU0000000".hex().upper(),
              "PNOTE": "", "ONLIST": "", "ONGET": "GetStr()", "ONSET": "SetStr()"}}
for i in range(99):
    rows[str(i + 1)] = {"CMDID": "%04X" % (0x1001 + i), "PNAME": "p%d" % i, "PVALUE": "HEX:" + ("A%03d" % i).encode().hex().upper(),
                        "PNOTE": "", "ONLIST": "", "ONGET": "GetStr()", "ONSET": "SetStr()"}
doc = {"Title": "fleet bench", "Baudrate": "115200", "ComOption": "8N1", "ReplyEnd": "frame", "Params": rows}
json.dump(doc, open(sys.argv[1] + "/profile.txt", "w", encoding="utf-8"), ensure_ascii=False, indent=1)
PY

# Seconds, peak KB of dtucfg-cli, rows written, done, failed, verification failures.
run() {
  local t0 t1
  t0=$(date +%s.%N)
  (cd "$work" && "$cli" apply --config profile.txt --inventory inv.csv --jobs "$jobs" --jsonl >"$work/out.jsonl" 2>/dev/null) || true
  t1=$(date +%s.%N)
  python3 - "$work/out.jsonl" "$t0" "$t1" <<'PY'
import json, sys
written = done = failed = vf = 0
peak = 0
for line in open(sys.argv[1], encoding="utf-8"):
    d = json.loads(line)
    if d.get("summary"):
        peak = d.get("peakMemoryKb", 0)
        continue
    written += len(d.get("written", []))
    vf += len(d.get("verifyFailed", []))
    if d.get("status") == "done": done += 1
    else: failed += 1
print("%.1f s  %d MB  written=%d done=%d failed=%d verifyFailed=%d" % (float(sys.argv[3]) - float(sys.argv[2]), peak // 1024, written, done, failed, vf))
PY
}

printf '%-7s %-60s %s\n' devices "first run" "second run"
for n in "${counts[@]}"; do
  "$sim" --fleet "$n" --listen "$base" --values "$work/profile.txt" --fleet-count-row 0095 --quiet --no-stdin >"$work/sim.out" 2>&1 &
  simpid=$!
  for _ in $(seq 600); do grep -q '^FLEET' "$work/sim.out" && break; sleep 0.1; done
  grep -q '^FLEET' "$work/sim.out" || { cat "$work/sim.out"; exit 1; }
  python3 - "$work/inv.csv" "$base" "$n" <<'PY'
import ipaddress, sys
base = ipaddress.IPv4Address(sys.argv[2])
with open(sys.argv[1], "w", encoding="utf-8") as f:
    f.write("target,设备号\n")
    for k in range(int(sys.argv[3])):
        f.write("tcp:%s,SN%07d\n" % (base + k, k + 1))
PY
  first=$(run)
  second=$(run)
  simkb=$(ps -o rss= -p "$simpid" | tr -d ' ')
  printf '%-7s %-60s %s   (simulator %d MB)\n' "$n" "$first" "$second" $((simkb / 1024))
  kill "$simpid"; wait "$simpid" 2>/dev/null || true; simpid=""
done
