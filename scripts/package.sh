#!/usr/bin/env bash
# Builds the Debian package for the shop's tills, build-deb/tarvesko_<version>_amd64.deb, and prints
# its path. Install it with `apt install ./tarvesko_<version>_amd64.deb`.
# Release build with Debian's hardening flags; the package's layout is in packaging/CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build-deb
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVESKO_WERROR=ON -DTARVESKO_TESTS=OFF \
      -DTARVESKO_BENCH=OFF -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/tarvesko_*.deb
(cd "$build" && cpack >/dev/null)
ls "$PWD/$build"/tarvesko_*.deb
