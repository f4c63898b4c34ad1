#!/usr/bin/env bash
# A quick run of scripts/bench-startup.sh (one paired run of each figure, a
# memory of 200 coupons, offscreen only): every figure is printed, each from
# runs that reached the point they measure, beside its floor and its aim.
# It measures nothing worth reading; the benchmark itself is run by hand.
#
#   tests/scripts/test_bench_startup.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
src=${1:?source folder}
build=${2:?build folder}

out=$("$src/scripts/bench-startup.sh" --runs 1 --coupons 200 --platforms offscreen --limit 5 \
    --build "$build" --no-build 2>&1)
status=$?
echo "$out"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
[ "$status" -eq 0 ] || fail "the script ended with $status"
for figure in "até a primeira pergunta" "até o laço de eventos, 27 janelas" \
    "memória de pico nesse ponto" "até o laço, 200 cupons"; do
    line=$(grep -F "$figure" <<<"$out")
    [ -n "$line" ] || { fail "no line for '$figure'"; continue; }
    [[ "$line" == *"(1+1)" ]] || fail "'$figure' not measured in both programs: $line"
    # program, floor, unit, ratio of the medians, median of the pairs' ratios, aim
    [[ "$line" =~ [0-9]+\.[0-9]+\ +[0-9]+\.[0-9]+\ +(ms|MiB)\ +[0-9]+\.[0-9]+\ +[0-9]+\.[0-9]+\ +\<=\ [0-9.]+ ]] ||
        fail "'$figure' lacks its figures, ratios or aim: $line"
done
exit $((failures > 0))
