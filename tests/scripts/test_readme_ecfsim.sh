#!/usr/bin/env bash
# The ecfsim commands README.md shows work exactly as written from where it
# says to run them: the repository's root, with the memory scripts/run.sh
# keeps in run/. Each indented line of its companion section that starts
# with build/bin/ecfsim runs in a scratch copy of that layout (build/bin
# holding the ecfsim under test) and must succeed; a following command is
# stopped with Ctrl+C after a moment, as a user would. The roll of a memory
# that printed nothing is empty, so only the others must show something.
#
#   tests/scripts/test_readme_ecfsim.sh SOURCE_DIR ECFSIM
set -uo pipefail
src=${1:?source folder}
ecfsim=${2:?ecfsim program}
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/bin" "$work/run"
ln -s "$ecfsim" "$work/build/bin/ecfsim"
# The memory as the program leaves it in run/ after its first start.
(cd "$work/run" && "$ecfsim" set paper ok >/dev/null 2>&1) || fail "could not make the memory"

section=$(sed -n '/^## The emulator.s companion/,/^## /p' "$src/README.md")
commands=$(grep -E '^    build/bin/ecfsim' <<<"$section" | sed 's/^    //')
[ "$(wc -l <<<"$commands")" -ge 3 ] || fail "README shows too few ecfsim commands: $commands"
while read -r line; do
    [ -n "$line" ] || continue
    read -r -a words <<<"$line"
    code=0
    (cd "$work" && timeout -s INT --preserve-status 2 "${words[@]}") >"$work/out" 2>"$work/err" || code=$?
    [ "$code" -eq 0 ] || fail "'$line' exits $code: $(cat "$work/err")"
    case "$line" in
        *" paper"* | *" trace"*) ;;
        *) [ -s "$work/out" ] || fail "'$line' shows nothing" ;;
    esac
done <<<"$commands"

# The one shown for the program's folder.
inline=$(grep -o '`\.\./build/bin/ecfsim [^`]*`' <<<"$section" | tr -d '`' | head -1)
[ -n "$inline" ] || fail "README shows no command for the program's folder"
if [ -n "$inline" ]; then
    read -r -a words <<<"$inline"
    (cd "$work/run" && "${words[@]}") >"$work/out" 2>"$work/err" || fail "'$inline' in run/: $(cat "$work/err")"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "README's ecfsim commands work as written"
