#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every
# test headless, then checks the package, runs every test again under the
# sanitizers and fuzzes. Ends with the time each tier took.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/tiers.sh
BANCADA_TIERS=$(mktemp)
export BANCADA_TIERS
trap 'tiers_report; rm -f "$BANCADA_TIERS"' EXIT

tier packages scripts/install-deps.sh --tests
tier build scripts/build.sh -DBANCADA_WERROR=ON
tier tests ctest --test-dir build --output-on-failure -j"$(nproc)"
# The Debian package: built, unpacked into a scratch root and tried there.
tier package scripts/check-package.sh
# The same tests with AddressSanitizer and UndefinedBehaviorSanitizer (it
# times its build and its tests as tiers of their own).
if [ -z "${BANCADA_SKIP_SANITIZERS:-}" ]; then
    scripts/test-sanitizers.sh
fi
# Every fuzz target for a minute (its build and its run timed apart).
if [ -z "${BANCADA_SKIP_FUZZ:-}" ]; then
    scripts/fuzz.sh 60
fi
