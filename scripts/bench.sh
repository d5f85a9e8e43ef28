#!/usr/bin/env bash
# Installs what is missing, builds the benchmark in Release (build-bench) and runs it headless.
# Arguments go to the benchmark, e.g. `bash scripts/bench.sh --million` or `--sizes 100000`.
# It keeps its generated data folders in /tmp/tarvesko-bench-N between runs and exits non-zero
# when a target at N = 100,000 is missed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVESKO_BENCH=ON >/dev/null
cmake --build build-bench -j "$(nproc)" --target tarvesko_bench tarvesko_search_bench tarvesko_history_bench \
      tarvesko_backup_bench tarvesko_report_bench
status=0
build-bench/bench/tarvesko_bench "$@" || status=$?
build-bench/bench/tarvesko_search_bench || status=$?
build-bench/bench/tarvesko_history_bench || status=$?
build-bench/bench/tarvesko_backup_bench || status=$?
build-bench/bench/tarvesko_report_bench || status=$?
exit "$status"
