#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for SECONDS
# (default 60) from its seed corpus in the tree. New inputs go to
# build-fuzz/corpus/TARGET, never into the tree; a crash leaves its input in
# build-fuzz/ and fails the script.
#
#   scripts/fuzz.sh            # 60 s each (CI runs 150, beside the tests)
#   scripts/fuzz.sh 3600       # an hour each
#   FUZZ_JOBS=2 scripts/fuzz.sh 600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
jobs="${FUZZ_JOBS:-1}"
root="$PWD"
build="$root/build-fuzz"

source scripts/lib/configure.sh
source scripts/lib/tiers.sh
configure tests/fuzz "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
targets=(driver_calls_fuzz reply_convert_fuzz)
tier "fuzz build" cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# The targets run side by side, each a process of its own (a fuzzer keeps
# one core busy), then each says how it ended.
fuzz_all() {
    local target pids=() status=0 i
    local parallel=()
    if [ "$jobs" -gt 1 ]; then parallel=(-jobs="$jobs" -workers="$jobs"); fi
    for target in "${targets[@]}"; do
        mkdir -p "$build/corpus/$target"
        echo "== $target: ${seconds} s"
        "$build/$target" -max_total_time="$seconds" "${parallel[@]}" -print_final_stats=1 \
            -max_len=4096 -len_control=0 -artifact_prefix="$build/" \
            "$build/corpus/$target" "$root/tests/fuzz/corpus/$target" 2>"$build/$target.log" &
        pids+=($!)
    done
    for i in "${!targets[@]}"; do
        target=${targets[$i]}
        if ! wait "${pids[$i]}"; then
            status=1
            echo "$target FAILED; see $build/$target.log:"
            grep -E 'ERROR|runtime error|_fuzz:|Test unit written' "$build/$target.log" | head -20 || true
        fi
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$build/$target.log" || true
    done
    return "$status"
}
tier fuzzing fuzz_all
