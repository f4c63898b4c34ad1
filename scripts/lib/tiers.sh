# Sourced by the scripts that scripts/test.sh runs. Each tier of the test
# command is timed, so that every CI log ends with where its time went.
#
#   tier NAME COMMAND...   runs COMMAND and says how long it took; when
#                          BANCADA_TIERS names a file, also appends NAME,
#                          its seconds and whether it passed
#   tiers_report           prints that file as a table
tier() {
    local name=$1 start status=0
    shift
    start=$(date +%s)
    "$@" || status=$?
    echo "$name: $(($(date +%s) - start)) s"
    if [ -n "${BANCADA_TIERS:-}" ]; then
        local result=passed
        [ "$status" -eq 0 ] || result=FAILED
        printf '%s\t%d\t%s\n' "$name" "$(($(date +%s) - start))" "$result" >>"$BANCADA_TIERS"
    fi
    return "$status"
}

tiers_report() {
    [ -s "${BANCADA_TIERS:-}" ] || return 0
    echo
    echo "Time per tier:"
    awk -F'\t' '{ printf "  %-18s %5d s  %2d min %02d s  %s\n", $1, $2, $2 / 60, $2 % 60, $3; total += $2 }
                END { printf "  %-18s %5d s  %2d min %02d s\n", "total", total, total / 60, total % 60 }' \
        "$BANCADA_TIERS"
}
