# Sourced by the scripts that watch a process they started.
#
# running PID: true while the process runs (an exited child not yet waited
# for is a zombie, and does not count).
running() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "${state#Z}" = "$state" ]
}
