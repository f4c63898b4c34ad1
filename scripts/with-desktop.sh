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
    wm_pid=
    xvfb_pid=
}
trap 'stop_desktop; rm -rf "$workdir"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# shellcheck source=lib/running.sh
. "$(dirname "$0")/lib/running.sh"

# The window manager is up once it has claimed the root window.
window_manager_up() {
    local check
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null) || return 1
    [[ "$check" == *"window id"* ]]
}

show_logs() {
    echo "--- Xvfb ---" >&2
    cat "$workdir/xvfb.log" >&2 || true
    echo "--- openbox ---" >&2
    cat "$workdir/openbox.log" >&2 || true
}

# Starts Xvfb and openbox; false, with both stopped, if either does not come
# up. A machine under load (a first start, a parallel build) may need long.
start_desktop() {
    rm -f "$workdir/display"
    mkfifo "$workdir/display"
    # Xvfb writes the display number it took to the descriptor -displayfd
    # names, once it accepts connections.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -nolisten unix-abstract \
        3>"$workdir/display" >"$workdir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local display_number
    if ! read -r -t 30 display_number <"$workdir/display"; then
        echo "with-desktop: Xvfb did not start" >&2
        stop_desktop
        return 1
    fi
    export DISPLAY=":$display_number"

    openbox --sm-disable >"$workdir/openbox.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 600); do
        if window_manager_up; then
            return 0
        fi
        if ! running "$wm_pid"; then
            break
        fi
        sleep 0.05
    done
    echo "with-desktop: openbox did not take display $DISPLAY" >&2
    stop_desktop
    return 1
}

# Desktops start one at a time on this machine (tests start several at
# once): two window managers starting side by side on a fresh machine is the
# one case where one of them was seen never to come. The lock is released as
# soon as this desktop is up.
exec 9>"${TMPDIR:-/tmp}/bancada-with-desktop.lock"
flock -w 120 9 || echo "with-desktop: starting without the start lock" >&2
started=false
for attempt in 1 2 3; do
    if start_desktop; then
        started=true
        break
    fi
    show_logs
    echo "with-desktop: attempt $attempt failed" >&2
done
flock -u 9
exec 9>&-
if ! $started; then
    exit 1
fi

status=0
"$@" || status=$?
# A command that failed on a desktop whose window manager had gone would
# otherwise fail for no visible reason.
if [ "$status" -ne 0 ]; then
    if ! running "$wm_pid" || ! window_manager_up; then
        echo "with-desktop: the window manager stopped while the command ran" >&2
        show_logs
    fi
fi
exit "$status"
