#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every
# test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh -DBANCADA_WERROR=ON
ctest --test-dir build --output-on-failure -j"$(nproc)"
# The Debian package: built, unpacked into a scratch root and tried there.
scripts/check-package.sh
