#!/usr/bin/env bash
# packaging/changelog.sh turns NEWS, kept by hand, into the changelog Debian's
# tools read: every entry in order, newest first, with its version, its date
# and the maintainer's sign-off, and none of the lines that say how NEWS is
# kept. A NEWS without any entry is refused.
#
#   tests/scripts/test_changelog.sh SOURCE_DIR
set -uo pipefail
src=${1:?source folder}
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
maintainer="Equipe de Testes <testes@bancada-ecf.invalid>"
cat >"$work/NEWS" <<'NEWS'
Como este arquivo é mantido: uma entrada por versão.

2.0 (2027-03-01)
  * Uma mudança que ocupa
    duas linhas.
  * Outra mudança.

1.0 (2026-12-09)
  * Primeira versão.
NEWS
"$src/packaging/changelog.sh" "$work/NEWS" bancada-ecf "$maintainer" "$work/changelog" ||
    fail "changelog.sh refused a NEWS of two entries"

parsed=$(dpkg-parsechangelog -l "$work/changelog" --all 2>&1) || fail "not a Debian changelog: $parsed"
[ "$(grep -c '^ bancada-ecf (' <<<"$parsed")" -eq 2 ] || fail "not two entries: $parsed"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = 2.0 ] || fail "the newest entry is not 2.0"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Maintainer)" = "$maintainer" ] || fail "not signed by the maintainer"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Date)" = "Mon, 01 Mar 2027 12:00:00 +0000" ] ||
    fail "the newest entry's date: $(dpkg-parsechangelog -l "$work/changelog" -S Date)"
older=$(dpkg-parsechangelog -l "$work/changelog" --offset 1 --count 1)
grep -q "^Version: 1.0$" <<<"$older" || fail "the second entry is not 1.0: $older"
grep -q "^Date: Wed, 09 Dec 2026 12:00:00 +0000$" <<<"$older" || fail "the second entry's date: $older"
grep -q "^     duas linhas\.$" <<<"$parsed" || fail "a change's second line is lost: $parsed"
grep -q "Como este arquivo" "$work/changelog" && fail "NEWS's opening lines are in the changelog"

printf 'Só o cabeçalho, nenhuma entrada.\n' >"$work/EMPTY"
"$src/packaging/changelog.sh" "$work/EMPTY" bancada-ecf "$maintainer" "$work/none" 2>/dev/null &&
    fail "a NEWS without entries was accepted"
[ -e "$work/none" ] && fail "a changelog was written from a NEWS without entries"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "changelog checked"
