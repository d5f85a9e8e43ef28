#!/usr/bin/env bash
# Fuzzes the readers of the program's files under ASan+UBSan for a bounded time.
#   scripts/fuzz.sh [seconds-per-target]     (default 20; four targets)
# Builds with clang in build-fuzz/, first runs every seed in full (the 1 MB line included), then
# fuzzes each target from its seeds. Prints executions and corpus size per target and exits non-zero
# when any target crashed or broke its property; the input is kept in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-20}
build=build-fuzz
targets=(fuzz_cardfile fuzz_cardscan fuzz_catalogue fuzz_cardsearch)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DTARVESKO_FUZZ=ON -DTARVESKO_SANITIZE=ON -DTARVESKO_TESTS=OFF -DTARVESKO_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}"

run="$build/fuzz-run"
artifacts="$build/artifacts"
rm -rf "$run" "$artifacts"
mkdir -p "$run/generated" "$run/tmp" "$artifacts"
export TMPDIR="$PWD/$run/tmp" # the scan target's data folder, kept here even after a crash

# Seeds too big to keep in the repository.
gen="$run/generated"
mb() { head -c 1048576 /dev/zero | tr '\000' "$1"; } # 1 MB of one byte
rest=$'\xc8\xe2\xe0\xed\r\n\r\n123\r\n\r\n5\r\n 2 \r\n1970\r\n' # header lines 2 to 8
{ mb '\310'; printf '\r\n%s' "$rest"; } >"$gen/line-1mb-surname.dat"               # a 1 MB surname
{ printf 'X\r\n%s1\r\n 0 \r\n2005\r\nTV\r\n10\r\n 2 \r\n' "$rest"; mb 'x'; printf '\r\n1\r\n'; } \
  >"$gen/line-1mb-item.dat"                                                            # a 1 MB item name
mb '\377' >"$gen/no-line-end-1mb.dat"                                                 # no line end at all
mb '\r' >"$gen/cr-1mb.dat"                                                            # a million empty lines
{ mb '\322'; printf '\r\na\r\n\r\n'; } >"$gen/goods-1mb.txt"                        # a 1 MB goods name

# Target, its seed folders, the longest input to make while fuzzing.
seeds_of() {
  case "$1" in
    fuzz_cardfile) echo "fuzz/corpus/cardfile" ;;
    fuzz_cardscan) echo "fuzz/corpus/cardscan fuzz/corpus/cardfile" ;;
    fuzz_cardsearch) echo "fuzz/corpus/cardfile" ;;
    fuzz_catalogue) echo "fuzz/corpus/catalogue" ;;
  esac
}
max_len_of() {
  case "$1" in
    fuzz_catalogue) echo 4096 ;;
    *) echo 8192 ;; # past the 2 KB head the scan reads first
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:allocator_may_return_null=1:quarantine_size_mb=64}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
summary=()
for t in "${targets[@]}"; do
  bin="$build/fuzz/$t"
  read -r -a dirs <<<"$(seeds_of "$t")"
  case "$t" in fuzz_catalogue) big=("$gen"/*.txt) ;; *) big=("$gen"/*.dat) ;; esac
  seedfiles=()
  for d in "${dirs[@]}"; do seedfiles+=("$d"/*); done
  echo "== $t: ${#seedfiles[@]} seeds and ${#big[@]} generated inputs, each in full"
  if ! "$bin" -artifact_prefix="$artifacts/$t-" "${seedfiles[@]}" "${big[@]}" >"$run/$t-seeds.log" 2>&1; then
    tail -n 40 "$run/$t-seeds.log"
    echo "!! $t failed on a seed"
    status=1
    summary+=("$t: FAILED on a seed")
    continue
  fi
  corpus="$run/corpus-$t"
  mkdir -p "$corpus"
  echo "== $t: fuzzing for ${secs}s"
  if "$bin" -max_total_time="$secs" -max_len="$(max_len_of "$t")" -timeout=10 -rss_limit_mb=2560 \
       -print_final_stats=1 -artifact_prefix="$artifacts/$t-" "$corpus" "${dirs[@]}" >"$run/$t.log" 2>&1; then
    result=ok
  else
    tail -n 60 "$run/$t.log"
    result=FAILED
    status=1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/$t.log" | tail -n 1)
  corp=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$run/$t.log" | tail -n 1 | cut -d' ' -f2)
  summary+=("$t: $result, ${execs:-?} executions, corpus ${corp:-?} (inputs/bytes)")
done
echo "== fuzzing summary"
printf '%s\n' "${summary[@]}"
[ "$status" = 0 ] || echo "Crash inputs are in $artifacts/"
exit "$status"
