#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs the whole test
# suite headless. With --all (as CI runs it) the suite runs once more under ASan+UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
all=0
[ "${1:-}" = "--all" ] && all=1
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVESKO_WERROR=ON -DTARVESKO_BENCH=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

if [ "$all" = 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARVESKO_WERROR=ON -DTARVESKO_SANITIZE=ON \
        -DTARVESKO_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$jobs"
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
fi
