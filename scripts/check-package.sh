#!/usr/bin/env bash
# Checks a built package: unpacks it into a clean directory tree and validates what it puts
# there (desktop entry, AppStream metainfo, icon, demo profile), then runs the installed
# programs from that tree. Usage: check-package.sh [dtucfg_*.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-$(ls dtucfg_*.deb | head -1)}
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
fail() { echo "package check failed: $*" >&2; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# From dpkg-shlibdeps: the Qt libraries the binaries link.
for lib in libqt6core6 libqt6widgets6 libqt6serialport6 libqt6charts6; do
  grep -q "$lib" <<<"$depends" || fail "$lib missing from Depends"
done

desktop=$(ls "$root"/usr/share/applications/*.desktop)
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -s "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon.svg missing"
exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exe" ] || fail "Exec=$exe is not in usr/bin"
for f in demo.txt demo-tcp.txt interface.txt script.js; do
  [ -s "$root/usr/share/dtucfg/demo/$f" ] || fail "demo file $f missing"
done

# The installed programs run.
if [ -x "$root/usr/bin/dtucfg-cli" ]; then
  "$root/usr/bin/dtucfg-cli" --help >/dev/null || fail "dtucfg-cli --help"
fi
"$root/usr/bin/dtusim" --help | grep -q -- --values || fail "dtusim --help"
# The window starts on the demo profile and keeps running (the timeout ends it).
run=$(mktemp -d -p "$root")
cp "$root"/usr/share/dtucfg/demo/* "$run/"
rc=0
(cd "$run" && QT_QPA_PLATFORM=offscreen timeout 3 "$root/usr/bin/$exe" >/dev/null 2>&1) || rc=$?
[ "$rc" -eq 124 ] || fail "$exe ended with status $rc instead of running"
# apt can resolve what the package depends on (nothing is installed).
if [ "$(id -u)" -eq 0 ]; then
  apt-get install --simulate -qq "$(realpath "$deb")" >/dev/null || fail "apt cannot install $deb"
fi
echo "package ok: $(basename "$deb")"
