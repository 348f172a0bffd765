#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (only what is missing),
# and any further packages named on the command line.
set -euo pipefail
pkgs=(cmake g++ make qt6-base-dev qt6-serialport-dev qt6-declarative-dev qt6-charts-dev qt6-svg-dev
      fonts-wqy-microhei xvfb xauth
      dpkg-dev file desktop-file-utils appstream ansible-core "$@")
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
