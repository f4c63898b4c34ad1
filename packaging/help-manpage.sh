#!/bin/sh
# Writes a program's manual page from the page written for it and the
# program's own help, so the options the page lists are the ones the
# installed program prints: the comment line `.\" --help` of PAGE becomes
# what PROGRAM --help writes. The program must report VERSION itself, so the
# page, the program and the package say the same version.
#
#   help-manpage.sh PROGRAM VERSION PAGE OUTPUT
set -eu
program=$1
version=$2
page=$3
output=$4
name=$(basename "$program")
. "$(dirname "$0")/roff-text.sh"

# A window program answers --help and --version without a display. What it
# says on its error output (Qt's notes) is shown only when it fails.
export QT_QPA_PLATFORM=offscreen
ask() {
    "$program" "$1" >"$output.out" 2>"$output.err" || {
        cat "$output.err" >&2
        echo "$name $1 failed" >&2
        exit 1
    }
}
ask --version
said=$(cat "$output.out")
if [ "$said" != "$name $version" ]; then
    echo "$name --version says '$said', the project '$version'" >&2
    exit 1
fi
grep -qxF '.\" --help' "$page" || {
    echo "$page has no line '.\\\" --help' for the help" >&2
    exit 1
}
# The usage line names the program as it was started: name it as installed.
ask --help
sed "1s|^\\(Uso: \\)[^ ]*|\\1$name|" "$output.out" | roff_text >"$output.help"
sed -e "/^\\.\\\\\" --help\$/{r $output.help" -e 'd;}' "$page" >"$output.tmp"
rm -f "$output.out" "$output.err" "$output.help"
mv "$output.tmp" "$output"
