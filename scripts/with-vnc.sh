#!/usr/bin/env bash
# Runs a command with a VNC server showing the X display it runs on, reachable
# from this machine only: x11vnc listens on the loopback interface (IPv4
# 127.0.0.1, no IPv6 socket at all), so another machine reaches it only
# through an SSH tunnel. The server stops when the command ends; the
# command's exit status is this script's.
#
#   scripts/with-vnc.sh COMMAND [ARG ...]
#
# DISPLAY must name the X display (scripts/with-desktop.sh provides one).
# BANCADA_VNC_PORT   the port, 5900 unless set
# BANCADA_VNC_PASSWORD  when set and not empty, viewers must give it; it is
#                     handed to x11vnc in a private file x11vnc deletes at
#                     once, never on a command line.
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "Uso: $0 COMANDO [ARGUMENTOS ...]" >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    echo "with-vnc: DISPLAY não definido" >&2
    exit 2
fi
port=${BANCADA_VNC_PORT:-5900}
case "$port" in
    '' | *[!0-9]*)
        echo "with-vnc: BANCADA_VNC_PORT inválida: '$port'" >&2
        exit 2
        ;;
esac

workdir=$(mktemp -d)
vnc_pid=
# shellcheck source=lib/running.sh
. "$(dirname "$0")/lib/running.sh"
# x11vnc's handler of SIGTERM now and then deadlocks: after two seconds it is
# killed outright.
stop_vnc() {
    if [ -n "$vnc_pid" ]; then
        kill "$vnc_pid" 2>/dev/null || true
        for _ in $(seq 40); do
            running "$vnc_pid" || break
            sleep 0.05
        done
        kill -KILL "$vnc_pid" 2>/dev/null || true
        wait "$vnc_pid" 2>/dev/null || true
    fi
    rm -rf "$workdir"
}
trap stop_vnc EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

auth=(-nopw)
if [ -n "${BANCADA_VNC_PASSWORD:-}" ]; then
    (umask 077 && printf '%s\n' "$BANCADA_VNC_PASSWORD" >"$workdir/passwd")
    auth=(-passwdfile "rm:$workdir/passwd")
fi

: >"$workdir/x11vnc.log"
x11vnc -display "$DISPLAY" -localhost -listen 127.0.0.1 -noipv6 -rfbport "$port" \
    -forever -shared -noxdamage "${auth[@]}" >"$workdir/x11vnc.log" 2>&1 &
vnc_pid=$!

# x11vnc prints PORT=N once it listens; a port already taken ends it.
for _ in $(seq 200); do
    if grep -q '^PORT=' "$workdir/x11vnc.log"; then
        break
    fi
    if ! kill -0 "$vnc_pid" 2>/dev/null; then
        echo "with-vnc: x11vnc não iniciou (porta $port ocupada?)" >&2
        tail -n 20 "$workdir/x11vnc.log" >&2
        vnc_pid=
        exit 1
    fi
    sleep 0.05
done
if ! grep -q "^PORT=$port\$" "$workdir/x11vnc.log"; then
    echo "with-vnc: x11vnc não escuta na porta $port" >&2
    tail -n 20 "$workdir/x11vnc.log" >&2
    exit 1
fi
echo "VNC em 127.0.0.1:$port (de outra máquina: ssh -L $port:127.0.0.1:$port USUÁRIO@ESTA-MÁQUINA)" >&2

status=0
"$@" || status=$?
exit "$status"
