#!/usr/bin/env bash
# Installs what building, testing and packaging Тарвеско need on Debian 12 (run as root).
# Does nothing for packages that are already there.
set -euo pipefail
pkgs=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n
      libgl-dev libarchive-dev fonts-dejavu-core xvfb xauth clang libclang-rt-14-dev clang-format
      lintian desktop-file-utils pkg-config libxlsxwriter-dev python3-openpyxl qt6-charts-dev
      libqt6opengl6-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
