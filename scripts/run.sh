#!/usr/bin/env bash
# Installs what is missing, builds, and starts meu_proj on the emulated
# printer. The printer's memory (ecfsim.db) lives in the directory the
# program runs in: by default ./run, kept from one run to the next.
#
# Without a display (no DISPLAY or WAYLAND_DISPLAY) the program starts on
# Qt's VNC platform: connect a VNC viewer to localhost:5900.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
mkdir -p run
cd run
export LANG=pt_BR.UTF-8
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    export QT_QPA_PLATFORM=vnc:size=1280x800
    echo "No display: meu_proj is on VNC at localhost:5900"
fi
exec ../build/bin/meu_proj "$@"
