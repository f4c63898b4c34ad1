# Sourced by the scripts that build. One way to configure a build folder:
#
#   configure SOURCE BUILD [CMAKE ARGUMENTS...]
#
# - Ninja, which schedules a two-core machine better than make and keeps a
#   log of what each step took (BUILD/.ninja_log). A folder configured
#   earlier with another generator is configured again from scratch (its
#   cache only: what it built is rebuilt).
# - The compiler cache (ccache) in every build folder, one cache for all of
#   them, in the tree's build-ccache/ unless CCACHE_DIR says otherwise. It
#   holds both the normal and the sanitized build (each about 1 GiB), so one
#   never evicts the other. The settings travel in the compiler launcher, so
#   a `cmake --build` run by hand uses them too. Precompiled headers are
#   cached only with the sloppiness below: the cache checks the header's
#   content, not its time stamps.
configure() {
    local source=$1 build=$2
    shift 2
    if [ -f "$build/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "$build/CMakeCache.txt"; then
        rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
    fi
    local launcher=()
    if command -v ccache >/dev/null; then
        local root
        root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
        local cache="env;CCACHE_DIR=${CCACHE_DIR:-$root/build-ccache};CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-6G}"
        cache+=";CCACHE_BASEDIR=$root;CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime;ccache"
        launcher=("-DCMAKE_C_COMPILER_LAUNCHER=$cache" "-DCMAKE_CXX_COMPILER_LAUNCHER=$cache")
    fi
    cmake -S "$source" -B "$build" -G Ninja "${launcher[@]}" "$@" >/dev/null
}
