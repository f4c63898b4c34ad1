#!/usr/bin/env bash
# The manual page ecfsim(1) holds every command the tool's help lists, each
# section the command's own help: a command added to ecfsim's table reaches
# the manual without anyone typing its name again. Written in a private
# temporary folder; stops at the first difference.
#
#   tests/scripts/test_ecfsim_manpage.sh SOURCE_DIR ECFSIM
set -euo pipefail
script="${1:?source folder}/packaging/ecfsim-manpage.sh"
tool=${2:?ecfsim program}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
die() {
    echo "FAIL: $*" >&2
    exit 1
}

cd "$scratch"
sh "$script" "$tool" 9.9 "$scratch/ecfsim.1" || die "the script failed"
[ "$(ls)" = "ecfsim.1" ] || die "the script left other files: $(ls)"

listed=$("$tool" --help | sed -n '/^Comandos:$/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ "$(wc -w <<<"$listed")" -ge 10 ] || die "the help lists too few commands: $listed"
grep -qx verify <<<"$listed" || die "the help does not list verify"
for command in $listed; do
    [ "$command" = help ] && continue
    pattern=$(tr 'a-z' 'A-Z' <<<"$command" | sed 's/-/\\\\-/g')  # NEXT\\-DAY
    # The section's text, between its title and the end of its block, as plain text.
    section=$(sed -n "/^\.SH \"COMANDO $pattern\"\$/,/^\.SH /p" ecfsim.1 |
        sed -e '1,2d' -e '/^\.fi$/,$d' -e 's/\\-/-/g' -e 's/\\e/\\/g' -e 's/^\\&//')
    [ -n "$section" ] || die "no section for $command"
    [ "$section" = "$("$tool" help "$command")" ] || die "the section of $command is not its help"
done
echo "the manual holds every command of the help: $(tr '\n' ' ' <<<"$listed")"
