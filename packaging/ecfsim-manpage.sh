#!/bin/sh
# Writes the manual page ecfsim(1) from ecfsim's own help texts, so the page
# says what the installed program says: the tool's help, then the help of
# every command its list names (the list ecfsim makes from its table of
# commands, so a new command reaches the manual by itself).
#
#   ecfsim-manpage.sh ECFSIM VERSION OUTPUT
set -eu
ecfsim=$1
version=$2
output=$3

# Help text as roff: backslashes and hyphens escaped, no line taken for a
# request, blank lines kept.
roff() {
    sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}

# The first word of each line of the help's "Comandos:" list.
commands() {
    "$ecfsim" --help | sed -n '/^Comandos:$/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p'
}

[ -n "$(commands)" ] || { echo "ecfsim-manpage.sh: no commands in ecfsim's help" >&2; exit 1; }

{
    printf '.TH ECFSIM 1 "2026" "Bancada ECF-IF %s" "Comandos do usuário"\n' "$version"
    printf '.SH NOME\necfsim \\- lê e altera a memória da impressora fiscal emulada\n'
    printf '.SH SINOPSE\n.B ecfsim\n[\\fB\\-\\-db\\fR \\fIARQUIVO\\fR] \\fICOMANDO\\fR [\\fIOPÇÕES\\fR]\n'
    printf '.br\n.B ecfsim \\-\\-version\n'
    printf '.SH DESCRIÇÃO\n.nf\n'
    "$ecfsim" --help | roff
    printf '.fi\n'
    # The commands as the tool's help lists them (from its table of
    # commands), each with its own help; `help` has none of its own.
    for command in $(commands); do
        "$ecfsim" help "$command" >"$output.command" 2>/dev/null || continue
        printf '.SH "COMANDO %s"\n.nf\n' "$(echo "$command" | tr 'a-z' 'A-Z' | sed 's/-/\\-/g')"
        roff <"$output.command"
        printf '.fi\n'
    done
    rm -f "$output.command"
    printf '.SH "SAÍDA JSON"\n'
    printf 'Com \\fB\\-\\-json\\fR, \\fBstatus\\fR e \\fBmemory\\fR escrevem um documento JSON;\n'
    printf '\\fBpaper\\fR e \\fBtrace\\fR uma lista, ou com \\fB\\-\\-follow\\fR um objeto por linha.\n'
    printf 'Em \\fBtrace\\fR, \\fBargs\\fR é a lista dos argumentos com seus tipos, \\fBresult\\fR\n'
    printf 'o número devolvido ou o texto da resposta, \\fBcode\\fR o código de resultado,\n'
    printf '\\fBmeaning\\fR o seu significado e \\fBreason\\fR, numa chamada recusada, o motivo\n'
    printf 'que a impressora encontrou (nulo numa chamada aceita).\n'
    printf '.SH "CÓDIGOS DE RESULTADO"\n.nf\n'
    "$ecfsim" help codes | roff
    printf '.fi\n'
    printf '.SH "VEJA TAMBÉM"\n.BR meu_proj (1)\n'
} >"$output.tmp"
mv "$output.tmp" "$output"
