# Sourced by the scripts that scripts/test.sh runs. Each tier of the test
# command is timed, so that every CI log ends with where its time went.
#
#   tier NAME COMMAND...   runs COMMAND and says how long it took; when
#                          BANCADA_TIERS names a file, also appends NAME
#                          (and BANCADA_TIER_SUFFIX, for tiers that run
#                          beside another), its seconds and whether it passed
#   tiers_report           prints that file as a table, with the whole
#                          command's time since BANCADA_STARTED
tier() {
    local name=$1${BANCADA_TIER_SUFFIX:-} start status=0
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
    local total=$(($(date +%s) - ${BANCADA_STARTED:-$(date +%s)}))
    awk -F'\t' -v total="$total" '
        { printf "  %-31s %5d s  %3d min %02d s  %s\n", $1, $2, $2 / 60, $2 % 60, $3 }
        END { printf "  %-31s %5d s  %3d min %02d s\n", "whole command", total, total / 60, total % 60 }' \
        "$BANCADA_TIERS"
}
