#!/usr/bin/env bash
# Builds the Debian package dtucfg_<version>_<arch>.deb into the top folder. Its dependencies
# come from the binaries (dpkg-shlibdeps). BUILD_DIR picks the build directory (default
# build-pkg, a release build without the tests; CI passes its test build to save the time).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
dir=${BUILD_DIR:-build-pkg}
flags=()
if [ ! -e "$dir/CMakeCache.txt" ]; then
  flags=(-DCMAKE_BUILD_TYPE=Release -DDTUCFG_TESTS=OFF)
  command -v ccache >/dev/null && flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" "${flags[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/dtucfg_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/dtucfg_*.deb)
rm -f dtucfg_*.deb
cp "$deb" .
echo "package: $(basename "$deb")"
dpkg-deb -f "$(basename "$deb")" Depends
