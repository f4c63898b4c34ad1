#!/bin/sh
# Writes the package's changelog in the form Debian tools read, from the
# NEWS file kept by hand: each entry "VERSION (YYYY-MM-DD)" with its
# "  * " lines becomes "PACKAGE (VERSION) unstable; urgency=medium", the
# lines as they are, and the maintainer's sign-off dated at noon UTC of that
# day. Lines before the first entry say how the file is kept and are left out.
#
#   changelog.sh NEWS PACKAGE MAINTAINER OUTPUT
set -eu
news=$1
package=$2
maintainer=$3
output=$4

signoff() {
    printf '\n -- %s  %s\n' "$maintainer" "$(LC_ALL=C date -u -R -d "$1 12:00")"
}

entries=0
day=
while IFS= read -r line; do
    case "$line" in
        [0-9]*" ("????-??-??")")
            [ -z "$day" ] || signoff "$day"
            [ "$entries" -eq 0 ] || printf '\n'
            version=${line%% *}
            day=${line#* (}
            day=${day%)}
            printf '%s (%s) unstable; urgency=medium\n\n' "$package" "$version"
            entries=$((entries + 1))
            ;;
        "  "*)
            [ -z "$day" ] || printf '%s\n' "$line"
            ;;
    esac
done <"$news" >"$output.tmp"
if [ "$entries" -eq 0 ]; then
    echo "$news has no entry \"VERSION (YYYY-MM-DD)\"" >&2
    rm -f "$output.tmp"
    exit 1
fi
signoff "$day" >>"$output.tmp"
mv "$output.tmp" "$output"
