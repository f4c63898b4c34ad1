# shellcheck shell=sh
# Sourced by the scripts that make manual pages from a program's help.
# roff_text: plain text on its input as roff text on its output: backslashes
# and hyphens escaped, no line taken for a request, blank lines kept.
roff_text() {
    sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}
