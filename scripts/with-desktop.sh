#!/usr/bin/env bash
# Runs a command on a private X desktop: a virtual X server (Xvfb) with a
# small window manager (openbox), so that stacking, focus and the keyboard
# behave as on a real desktop. Both start before the command, which runs with
# DISPLAY set to them, and both stop when it ends; the command's exit status
# is this script's.
#
#   scripts/with-desktop.sh [--size WIDTHxHEIGHT] COMMAND [ARG ...]
#
# The display number is chosen by Xvfb itself (the first free one), and the
# server listens on no network socket, only on its local Unix socket.
set -euo pipefail

size=1280x800
if [ "${1:-}" = "--size" ]; then
    size=$2
    shift 2
fi
if [ $# -eq 0 ]; then
    echo "Uso: $0 [--size LARGURAxALTURA] COMANDO [ARGUMENTOS ...]" >&2
    exit 2
fi

workdir=$(mktemp -d)
xvfb_pid=
wm_pid=
stop_desktop() {
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && wait "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
    rm -rf "$workdir"
}
trap stop_desktop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb writes the display number it took to the descriptor -displayfd names,
# once it accepts connections.
mkfifo "$workdir/display"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -nolisten unix-abstract \
    3>"$workdir/display" >"$workdir/xvfb.log" 2>&1 &
xvfb_pid=$!
if ! read -r -t 20 display_number <"$workdir/display"; then
    echo "with-desktop: Xvfb did not start" >&2
    cat "$workdir/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$display_number"

openbox --sm-disable >"$workdir/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is up once it has claimed the root window.
for _ in $(seq 100); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
        break
    fi
    sleep 0.05
done

status=0
"$@" || status=$?
exit "$status"
