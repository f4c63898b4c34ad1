#!/usr/bin/env bash
# Installs what is missing, builds what the program needs (the program, the
# driver library, ecfsim and the front panel; not the tests) and starts
# meu_proj on the emulated printer, with the printer's front panel ecfpainel
# beside it on the same memory. The printer's memory (ecfsim.db) lives in the directory
# the program runs in: by default ./run, kept from one run to the next.
#
# Without a display (no DISPLAY or WAYLAND_DISPLAY, no QT_QPA_PLATFORM) the
# program runs on a private virtual X display with a window manager, shown by
# a VNC server on 127.0.0.1:5900 only (BANCADA_VNC_PORT changes the port,
# BANCADA_VNC_PASSWORD sets a password); all of them stop with the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
source scripts/lib/configure.sh
configure . build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target meu_proj fiscport ecfsim ecfpainel
mkdir -p run
cd run
export LANG=pt_BR.UTF-8
# The front panel follows the bench's memory and closes with the bench.
bench_with_panel() {
    ../build/bin/ecfpainel --manter-a-frente &
    local panel=$! status=0
    ../build/bin/meu_proj "$@" || status=$?
    kill "$panel" 2>/dev/null || true
    wait "$panel" 2>/dev/null || true
    return "$status"
}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Sem tela: meu_proj numa tela virtual, por VNC em 127.0.0.1:${BANCADA_VNC_PORT:-5900}" >&2
    exec ../scripts/with-desktop.sh ../scripts/with-vnc.sh \
        bash -c "$(declare -f bench_with_panel)"'; bench_with_panel "$@"' bash "$@"
fi
bench_with_panel "$@"
