#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every
# test headless, then checks the package, runs every test again under the
# sanitizers and fuzzes. Ends with the time each tier took.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/tiers.sh
BANCADA_TIERS=$(mktemp)
BANCADA_STARTED=$(date +%s)
export BANCADA_TIERS BANCADA_STARTED
fuzz_log=$(mktemp)
trap 'tiers_report; rm -f "$BANCADA_TIERS" "$fuzz_log"' EXIT

# The desktop tests take turns and mostly wait (about four minutes in a
# row): one job more than the cores lets the rest of the suite run beside
# them on both cores.
jobs=$(($(nproc) + 1))

tier packages scripts/install-deps.sh --tests
tier build scripts/build.sh -DBANCADA_WERROR=ON

# The fuzz targets (built with clang) run beside the tests, at the lowest
# priority: the tests leave most of the processor idle while the desktop
# tests wait, and take it back whenever they need it. Sharing the processor,
# a fuzzer runs about half the inputs a minute gives it alone, so they run
# two and a half minutes: as many inputs as a minute alone, still inside the
# tests' own three and a half.
fuzz_pid=
if [ -z "${BANCADA_SKIP_FUZZ:-}" ]; then
    BANCADA_TIER_SUFFIX=" (beside tests)" nice -n 19 scripts/fuzz.sh 150 >"$fuzz_log" 2>&1 &
    fuzz_pid=$!
fi
tests_status=0
tier tests ctest --test-dir build --output-on-failure -j"$jobs" || tests_status=$?
fuzz_status=0
if [ -n "$fuzz_pid" ]; then
    wait "$fuzz_pid" || fuzz_status=$?
    cat "$fuzz_log"
fi
[ "$tests_status" -eq 0 ] || exit "$tests_status"
[ "$fuzz_status" -eq 0 ] || exit "$fuzz_status"

# The Debian package: built, unpacked into a scratch root and tried there.
tier package scripts/check-package.sh
# The same tests with AddressSanitizer and UndefinedBehaviorSanitizer (it
# times its build and its tests as tiers of their own).
if [ -z "${BANCADA_SKIP_SANITIZERS:-}" ]; then
    CTEST_JOBS=$jobs scripts/test-sanitizers.sh
fi
