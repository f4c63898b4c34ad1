#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every
# test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests
scripts/build.sh -DBANCADA_WERROR=ON
start=$(date +%s)
ctest --test-dir build --output-on-failure -j"$(nproc)"
echo "tests: $(( $(date +%s) - start )) s"
# The Debian package: built, unpacked into a scratch root and tried there.
scripts/check-package.sh
# The same tests with AddressSanitizer and UndefinedBehaviorSanitizer.
if [ -z "${BANCADA_SKIP_SANITIZERS:-}" ]; then
    scripts/test-sanitizers.sh
fi
# Every fuzz target for a minute.
if [ -z "${BANCADA_SKIP_FUZZ:-}" ]; then
    scripts/fuzz.sh 60
fi
