#!/usr/bin/env bash
# Builds the tool and its tests and runs them all. SANITIZE=1 builds them under
# AddressSanitizer and UndefinedBehaviorSanitizer in a build directory of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
if [ "${SANITIZE:-0}" = 1 ]; then
  dir=build-asan; flags=(-DCMAKE_BUILD_TYPE=Debug -DDTUCFG_SANITIZE=ON -DDTUCFG_BENCH=OFF)
else
  dir=build; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
