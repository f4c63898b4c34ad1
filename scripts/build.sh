#!/usr/bin/env bash
# Configures and builds the bench in ./build. Extra arguments go to CMake,
# e.g. scripts/build.sh -DBANCADA_WERROR=ON
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/configure.sh
configure . build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j"$(nproc)"
