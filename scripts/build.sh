#!/usr/bin/env bash
# Configures and builds the bench in ./build. Extra arguments go to CMake,
# e.g. scripts/build.sh -DBANCADA_WERROR=ON
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build build -j"$(nproc)"
