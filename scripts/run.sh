#!/usr/bin/env bash
# Installs what is missing, builds Тарвеско and starts it on its data folder build/bin/База.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tarvesko
cd build/bin
exec ./tarvesko
