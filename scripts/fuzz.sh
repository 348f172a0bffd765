#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan + UBSan) into build-fuzz/ and runs each one for
# SECONDS seconds (default 30), starting from the seed corpora in fuzz/corpus/. Exits non-zero
# on the first finding; the input that caused it is left in build-fuzz/artifacts/.
#   scripts/fuzz.sh [SECONDS] [HARNESS...]     e.g. scripts/fuzz.sh 30 fuzz_hex
#   FUZZ_RUNS=10000000 scripts/fuzz.sh 0 ...     a number of executions instead of a time
#   FUZZ_MAX_LEN=512 ...                         a smaller largest input (default 4096)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh clang libclang-rt-14-dev
seconds="${1:-30}"
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(fuzz_replies fuzz_payload fuzz_hex fuzz_config fuzz_codec)

dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDTUCFG_FUZZ=ON -DDTUCFG_TESTS=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${harnesses[@]}"

mkdir -p "$dir/artifacts"
limit=(-max_total_time="$seconds")
[ -z "${FUZZ_RUNS:-}" ] || limit=(-runs="$FUZZ_RUNS")
export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=0:detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen
run_one() {
  local h=$1 name="${1#fuzz_}"
  local work="$dir/corpus/$name"
  mkdir -p "$work"
  # New inputs go to the working corpus; the seeds in the repository stay as they are.
  "$dir/fuzz/$h" "${limit[@]}" -dict=fuzz/dtu.dict -max_len="${FUZZ_MAX_LEN:-4096}" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/$h-" "$work" "fuzz/corpus/$name" 2>"$dir/$h.log"
}
# As many harnesses at a time as there are processors; each has a core of its own.
jobs=$(nproc)
failed=()
for ((i = 0; i < ${#harnesses[@]}; i += jobs)); do
  batch=("${harnesses[@]:i:jobs}")
  pids=()
  for h in "${batch[@]}"; do run_one "$h" & pids+=($!); done
  for k in "${!batch[@]}"; do
    h=${batch[$k]}
    if wait "${pids[$k]}"; then
      echo "== $h"
      grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$dir/$h.log" | sed "s/^/  /"
    else
      tail -n 60 "$dir/$h.log"
      echo "FINDING in $h (see $dir/$h.log and $dir/artifacts/)" >&2
      failed+=("$h")
    fi
  done
done
[ ${#failed[@]} -eq 0 ] || exit 1
