#!/usr/bin/env bash
# The headless mode of scripts/run.sh: a private X display, a window manager
# and a VNC server, run around a stand-in for the program. Checks that every
# socket they listen on is on the loopback interface, that the VNC server asks
# for the password exactly when one is given, and that all of them stop with
# the program.
#
#   tests/scripts/test_headless.sh SOURCE_DIR
set -uo pipefail
src=${1:?source folder}
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A free port above 20000, so a VNC server of someone else's is not met.
free_port() {
    local p
    for _ in $(seq 50); do
        p=$((20000 + RANDOM % 20000))
        if ! ss -ltnH "sport = :$p" | grep -q .; then
            echo "$p"
            return
        fi
    done
    echo 5999
}

# The stand-in program: runs inside the session, reports what listens there
# and what the VNC server offers, then ends.
cat >"$work/program.sh" <<'PROGRAM'
#!/usr/bin/env bash
out=$1
port=$2
# This session's processes: the ones under the desktop script (Xvfb, openbox,
# the VNC script, x11vnc), found from this program's parent and grandparent.
parent=$PPID
grand=$(ps -o ppid= -p "$parent" | tr -d ' ')
pids=" $(ps -o pid= --ppid "$parent" | tr -s ' \n' ' ') $(ps -o pid= --ppid "$grand" | tr -s ' \n' ' ') "
echo "$pids" >"$out.pids"
: >"$out.listen"
ss -ltnupH 2>/dev/null | while read -r line; do
    for pid in $(grep -o 'pid=[0-9]*' <<<"$line" | cut -d= -f2); do
        case "$pids" in *" $pid "*) echo "$line" >>"$out.listen" ;; esac
    done
done
# The security types the VNC server offers (RFB 3.8): 1 none, 2 password.
exec 3<>"/dev/tcp/127.0.0.1/$port"
head -c 12 <&3 >"$out.version"
printf 'RFB 003.008\n' >&3
od -An -tu1 -N2 <&3 | tr -s ' ' >"$out.security"
exec 3>&-
echo "$DISPLAY" >"$out.display"
PROGRAM
chmod +x "$work/program.sh"

run_session() {
    local name=$1 password=$2
    local port
    port=$(free_port)
    echo "$port" >"$work/$name.port"
    BANCADA_VNC_PORT=$port BANCADA_VNC_PASSWORD=$password timeout 60 \
        "$src/scripts/with-desktop.sh" "$src/scripts/with-vnc.sh" \
        "$work/program.sh" "$work/$name" "$port" 2>"$work/$name.err"
}

check_session() {
    local name=$1 expected_security=$2
    local port
    port=$(cat "$work/$name.port")
    [ -s "$work/$name.display" ] || { fail "$name: the program did not run"; cat "$work/$name.err" >&2; return; }
    grep -q "127.0.0.1:$port " "$work/$name.listen" || fail "$name: nothing on 127.0.0.1:$port"
    # Every listening socket of the session is on the loopback interface.
    while read -r line; do
        local addr
        addr=$(awk '{print $5}' <<<"$line")
        case "$addr" in
            127.0.0.1:* | '[::1]:'*) ;;
            *) fail "$name: listens beyond the loopback: $line" ;;
        esac
    done <"$work/$name.listen"
    [ "$(cat "$work/$name.version")" = "RFB 003.008" ] || fail "$name: not a VNC server: $(cat "$work/$name.version")"
    [ "$(cat "$work/$name.security")" = " 1 $expected_security" ] ||
        fail "$name: security types '$(cat "$work/$name.security")', expected ' 1 $expected_security'"
    grep -q "ssh -L $port:127.0.0.1:$port" "$work/$name.err" || fail "$name: no SSH tunnel hint"
    # Everything the session started is gone once the program ended.
    sleep 0.3
    for pid in $(cat "$work/$name.pids"); do
        local state
        state=$(ps -o stat= -p "$pid" 2>/dev/null)
        # A zombie has ended; only its parent (here perhaps a PID 1 that
        # reaps nothing) is left to collect it.
        if [ -n "$state" ] && [ "${state#Z}" = "$state" ]; then
            fail "$name: process $pid ($(ps -o comm= -p "$pid")) still runs"
        fi
    done
    ss -ltnH "sport = :$port" | grep -q . && fail "$name: port $port still listened on"
}

run_session open ""
check_session open 1
run_session locked "senha-de-teste"
check_session locked 2

# A port that is taken is reported, and the program does not start.
busy=$(free_port)
# The first session holds the port until told to end (at most a minute).
BANCADA_VNC_PORT=$busy "$src/scripts/with-desktop.sh" "$src/scripts/with-vnc.sh" \
    timeout 60 bash -c "until [ -e '$work/release' ]; do sleep 0.1; done" 2>/dev/null &
holder=$!
for _ in $(seq 100); do
    ss -ltnH "sport = :$busy" | grep -q . && break
    sleep 0.1
done
if BANCADA_VNC_PORT=$busy timeout 60 "$src/scripts/with-desktop.sh" "$src/scripts/with-vnc.sh" \
    touch "$work/started" 2>"$work/busy.err"; then
    fail "busy port: the session succeeded"
fi
[ -e "$work/started" ] && fail "busy port: the program started anyway"
grep -q "não escuta\|não iniciou" "$work/busy.err" || fail "busy port: no message: $(cat "$work/busy.err")"
touch "$work/release"
wait "$holder" 2>/dev/null

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "headless mode: loopback only, password when given, everything stopped"
