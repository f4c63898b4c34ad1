#!/usr/bin/env bash
# The window programs answer --help and --version on the terminal, in
# Portuguese and with the project's version, and leave without opening a
# window; an unknown option is refused, not ignored. Each runs at most a few
# seconds: a program that opened its window instead would be stopped.
#
#   tests/scripts/test_program_options.sh VERSION MEU_PROJ ECFPAINEL
set -uo pipefail
version=${1:?project version}
shift
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

run() {
    code=0
    (cd "$work" && timeout 10 "$@") >"$work/out" 2>"$work/err" || code=$?
}

for program in "$@"; do
    name=$(basename "$program")
    run "$program" --version
    [ "$code" -eq 0 ] || fail "$name --version exits $code"
    [ "$(cat "$work/out")" = "$name $version" ] || fail "$name --version says '$(cat "$work/out")'"

    run "$program" --help
    [ "$code" -eq 0 ] || fail "$name --help exits $code"
    head -1 "$work/out" | grep -q "^Uso: .*$name \[opções\]$" || fail "$name --help: $(head -1 "$work/out")"
    for option in "-h, --help" "-v, --version"; do
        grep -qF -- "  $option  " "$work/out" || fail "$name --help does not list $option"
    done
    [ "$name" != ecfpainel ] || grep -qF -- "--db <ARQUIVO>" "$work/out" || fail "ecfpainel --help does not list --db"

    run "$program" --nao-existe
    [ "$code" -ne 0 ] && [ "$code" -ne 124 ] || fail "$name --nao-existe exits $code"
    grep -qF "Opção desconhecida 'nao-existe'" "$work/err" || fail "$name --nao-existe says: $(cat "$work/err")"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "options checked: $*"
