#!/usr/bin/env bash
# Benchmark (prints numbers; not a test): the Ansible collection over N devices of the fleet
# simulator (default 200, forks 50): a playbook with the profile task in check mode with diff,
# then applied, then applied again; beside a playbook that runs /bin/true on the same hosts
# (Ansible's own cost). Prints the wall time of each run and the hosts changed / failed.
# Usage: bench/ansible-bench.sh [BUILD_DIR] [N]     FORKS (default 50), BASE (default 127.70.0.1)
set -euo pipefail
build=${1:-build}
n=${2:-200}
forks=${FORKS:-50} base=${BASE:-127.70.0.1}
cli=$(realpath "$build/dtucfg-cli") sim=$(realpath "$build/sim/dtusim")
src=$(cd "$(dirname "$0")/.." && pwd)
command -v ansible-playbook >/dev/null || { echo "ansible-playbook not installed (scripts/setup.sh installs ansible-core)"; exit 1; }
work=$(mktemp -d)
simpid=""
trap '[ -n "$simpid" ] && kill $simpid 2>/dev/null; rm -rf "$work"' EXIT
export ANSIBLE_COLLECTIONS_PATH=$work/collections ANSIBLE_LOCAL_TEMP=$work/tmp ANSIBLE_HOME=$work/home \
       ANSIBLE_NOCOLOR=1 ANSIBLE_FORKS=$forks ANSIBLE_HOST_KEY_CHECKING=false ANSIBLE_RETRY_FILES_ENABLED=false
ansible-galaxy collection install -p "$work/collections" "$src/ansible" >/dev/null

"$sim" --fleet "$n" --listen "$base" --values "$src/demo/demo.txt" --quiet --no-stdin >"$work/sim.out" 2>&1 &
simpid=$!
for _ in $(seq 100); do grep -q '^FLEET' "$work/sim.out" && break; sleep 0.1; done
grep -q '^FLEET' "$work/sim.out" || { cat "$work/sim.out"; exit 1; }

# N hosts, each with its own server port; the example's profile and common values.
python3 - "$work/inventory.yml" "$base" "$n" "$src" <<'PY'
import ipaddress, sys
path, base, n, src = sys.argv[1], ipaddress.IPv4Address(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
with open(path, "w", encoding="utf-8") as f:
    f.write("all:\n  children:\n    dtus:\n      vars:\n")
    f.write("        ansible_connection: local\n        ansible_python_interpreter: \"{{ ansible_playbook_python }}\"\n")
    f.write("        dtu_profile: %s/ansible/examples/fleet/fleet.txt\n        dtu_script: %s/demo/script.js\n" % (src, src))
    f.write("      hosts:\n")
    for k in range(n):
        f.write("        site-%04d: {target: \"tcp:%s\", server_port: \"%d\"}\n" % (k + 1, base + k, 6000 + k % 60000))
PY
cat >"$work/profile.yml" <<'YML'
- hosts: dtus
  gather_facts: false
  tasks:
    - dtucfg.dtu.profile:
        target: "{{ target }}"
        config: "{{ dtu_profile }}"
        script: "{{ dtu_script }}"
        values: {"0102": "{{ server_port }}", APN: CMIOT}
        cli: "{{ dtucfg_cli }}"
YML
cat >"$work/true.yml" <<'YML'
- hosts: dtus
  gather_facts: false
  tasks:
    - command: /bin/true
      changed_when: false
YML

# Wall seconds, hosts changed, hosts failed (from the recap).
play() {
  local t0 t1
  t0=$(date +%s.%N)
  ansible-playbook -i "$work/inventory.yml" -e "dtucfg_cli=$cli" "$@" >"$work/out.txt" 2>&1 || true
  t1=$(date +%s.%N)
  awk -v t0="$t0" -v t1="$t1" '/ : ok=/ {
      for (i = 1; i <= NF; i++) { split($i, kv, "="); if (kv[1] == "changed" && kv[2] > 0) c++; if ((kv[1] == "failed" || kv[1] == "unreachable") && kv[2] > 0) f++ }
      h++ }
    END { printf "%6.1f s  hosts=%d changed=%d failed=%d\n", t1 - t0, h, c, f }' "$work/out.txt"
}

echo "ansible-playbook, $n devices of the fleet simulator, forks $forks, load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-28s %s\n' "/bin/true on every host" "$(play "$work/true.yml")"
printf '%-28s %s\n' "profile --check --diff" "$(play "$work/profile.yml" --check --diff)"
printf '%-28s %s\n' "profile (apply)" "$(play "$work/profile.yml")"
printf '%-28s %s\n' "profile again" "$(play "$work/profile.yml")"
