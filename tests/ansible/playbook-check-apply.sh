#!/usr/bin/env bash
# The collection end to end: installed with ansible-galaxy from the source folder, the example
# playbook over three devices of the fleet simulator in check mode (with diff), then applied,
# then applied again. Asserts the changed counts per host. Exit 77 (skipped) without ansible.
# Usage: playbook-check-apply.sh SOURCE_DIR DTUCFG_CLI DTUSIM
set -euo pipefail
src=$1 cli=$2 sim=$3
command -v ansible-playbook >/dev/null && command -v ansible-galaxy >/dev/null || {
  echo "ansible-playbook not installed (scripts/setup.sh installs ansible-core): skipped"; exit 77; }
work=$(mktemp -d)
simpid=""
cleanup() { [ -n "$simpid" ] && kill "$simpid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export ANSIBLE_COLLECTIONS_PATH=$work/collections ANSIBLE_LOCAL_TEMP=$work/tmp ANSIBLE_REMOTE_TEMP=$work/tmp \
       ANSIBLE_HOME=$work/home ANSIBLE_NOCOLOR=1 ANSIBLE_FORCE_COLOR=0
ansible-galaxy collection install -p "$work/collections" "$src/ansible" >/dev/null

# Three devices on an address block of this run's own.
base="127.$((150 + $$ % 100)).$(( ($$ / 100) % 250 ))"
"$sim" --fleet 3 --listen "$base.1" --values "$src/demo/demo.txt" --quiet --no-stdin >"$work/sim.out" 2>&1 &
simpid=$!
for _ in $(seq 50); do grep -q '^FLEET' "$work/sim.out" && break; sleep 0.1; done
grep -q '^FLEET 3' "$work/sim.out" || { cat "$work/sim.out"; exit 1; }
cp -r "$src/ansible/examples/fleet" "$work/play"
sed -i "s/127\.0\.1\./$base./" "$work/play/inventory.yml"
sed -i "s|{{ playbook_dir }}/../../../demo/script.js|$src/demo/script.js|" "$work/play/inventory.yml"

# Runs the playbook; prints "host changed failed" per host from its recap (the whole output
# goes to stderr when a host failed).
play() {
  (cd "$work/play" && ansible-playbook -i inventory.yml playbook.yml -e "dtucfg_cli=$cli" "$@" >"$work/out.txt" 2>&1) || true
  sed -n '/^PLAY RECAP/,$p' "$work/out.txt" | awk '/ : ok=/ {
      c = f = 0
      for (i = 1; i <= NF; i++) { split($i, kv, "="); if (kv[1] == "changed") c = kv[2]; if (kv[1] == "failed" || kv[1] == "unreachable") f += kv[2] }
      print $1, c, f }'
  grep -q 'failed=[1-9]' "$work/out.txt" && cat "$work/out.txt" >&2 || true
}
expect() { # label, expected output
  local got; got=$(play "${@:3}")
  if [ "$got" != "$2" ]; then echo "$1: expected"; echo "$2"; echo "got"; echo "$got"; exit 1; fi
  echo "$1: ok"
}
all="site-001 1 0
site-002 1 0
site-003 1 0"
none="site-001 0 0
site-002 0 0
site-003 0 0"
expect "check with diff (nothing written)" "$all" --check --diff
expect "apply" "$all"
expect "apply again" "$none"
