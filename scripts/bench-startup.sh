#!/usr/bin/env bash
# How quickly the bench starts, side by side with bare Qt programs started the
# same way in the same run, on the offscreen platform and on a private X
# desktop (Xvfb and openbox, started and stopped here):
#
#   1. start to the first question (the port question), against a program
#      that asks one question;
#   2. start to the event loop with every window created and the questions
#      answered, against a main window with a menu;
#   3. the peak memory at that point, against the same main window;
#   4. start to the event loop with COUPONS coupons in the printer's memory,
#      against a new memory.
#
#   scripts/bench-startup.sh [--runs N] [--sets N] [--coupons "5000 20000"]
#                            [--platforms "offscreen xcb"] [--build DIR] [--no-build]
#                            [--limit SECONDS]
#
# Each set runs every figure N times (31 unless told), the program and its
# floor one after the other, in alternating order. A set prints the medians
# of both and their ratio, beside the aim. A probe loaded with LD_PRELOAD
# (build/bin/startup_probe.so) notes the times and answers every question
# "Não"; each process ends there. Everything happens in a private temporary
# folder with its own HOME and XDG folders, removed at the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=31
sets=1
coupons="5000 20000"
platforms="offscreen xcb"
build=$root/build
do_build=true
limit=60
pass=
while [ $# -gt 0 ]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --sets) sets=$2; shift 2 ;;
        --coupons) coupons=$2; shift 2 ;;
        --platforms) platforms=$2; shift 2 ;;
        --build) build=$(cd "$2" && pwd); shift 2 ;;
        --no-build) do_build=false; shift ;;
        --limit) limit=$2; shift 2 ;;
        # Internal: one platform's runs, on the desktop the outer run started.
        --pass) pass=$2; work=$3; shift 3 ;;
        *)
            echo "Uso: $0 [--runs N] [--sets N] [--coupons \"5000 20000\"]" \
                "[--platforms \"offscreen xcb\"] [--build PASTA] [--no-build] [--limit SEGUNDOS]" >&2
            exit 2
            ;;
    esac
done
bin=$build/bin
probe=$bin/startup_probe.so

# One start of a program in FOLDER, timed by the probe; its figures are
# appended to OUT. STOP is "question" or "loop". A program that does not
# get there within the limit (a minute unless told; no probe, a crash in a
# box) is stopped and leaves no figures.
probe_run() {
    local out=$1 stop=$2 folder=$3 pid sleeper ended=
    shift 3
    (
        cd "$folder"
        export STARTUP_PROBE_OUT=$out STARTUP_PROBE_STOP=$stop LD_PRELOAD=$probe
        STARTUP_PROBE_T0=${EPOCHREALTIME/[.,]/}
        export STARTUP_PROBE_T0
        exec "$@"
    ) >/dev/null 2>&1 &
    pid=$!
    sleep "$limit" &
    sleeper=$!
    wait -n -p ended "$pid" "$sleeper" || true
    if [ "$ended" = "$sleeper" ]; then
        kill -KILL "$pid" 2>/dev/null || true
    else
        kill "$sleeper" 2>/dev/null || true
    fi
    wait "$pid" "$sleeper" 2>/dev/null || true
}

# A new empty folder under the work folder, printed.
fresh_folder() {
    mktemp -d "$work/run.XXXXXX"
}

# The program's run for figures 1 to 3: a first start, in an empty folder
# (the memory is made at start-up).
program_first_start() {
    local out=$1 stop=$2 folder
    folder=$(fresh_folder)
    probe_run "$out" "$stop" "$folder" "$bin/meu_proj"
    rm -rf "$folder"
}

# Runs A and B alternately, A first in odd runs; "A" and "B" are functions
# taking the output file.
paired_runs() {
    local a=$1 b=$2 prefix=$3 i
    for i in $(seq "$runs"); do
        if ((i % 2)); then
            "$a" "$prefix.a"
            "$b" "$prefix.b"
        else
            "$b" "$prefix.b"
            "$a" "$prefix.a"
        fi
    done
}

question_program() { program_first_start "$1" question; }
question_floor() {
    local folder
    folder=$(fresh_folder)
    probe_run "$1" question "$folder" "$bin/bare_question"
    rm -rf "$folder"
}
loop_program() { program_first_start "$1" loop; }
loop_floor() {
    local folder
    folder=$(fresh_folder)
    probe_run "$1" loop "$folder" "$bin/bare_main_window"
    rm -rf "$folder"
}
memory_new() { probe_run "$1" loop "$work/memory-0" "$bin/meu_proj"; }
memory_full() { probe_run "$1" loop "$work/memory-$size" "$bin/meu_proj"; }

run_pass() {
    local platform=$1 set
    for set in $(seq "$sets"); do
        local prefix=$work/results/$platform.$set
        # One start of each first, so caches are warm for every measured run.
        question_program /dev/null
        question_floor /dev/null
        loop_floor /dev/null
        paired_runs question_program question_floor "$prefix.question"
        paired_runs loop_program loop_floor "$prefix.loop"
        for size in $coupons; do
            memory_new /dev/null
            memory_full /dev/null
            paired_runs memory_full memory_new "$prefix.memory-$size"
        done
    done
}

if [ -n "$pass" ]; then
    export QT_QPA_PLATFORM=$pass
    run_pass "$pass"
    exit 0
fi

if $do_build; then
    CCACHE_DIR=${CCACHE_DIR:-$root/build-ccache} nice -n 19 \
        cmake --build "$build" --target meu_proj fiscport ecfsim startup_probe bare_question \
        bare_main_window coupon_memory >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config" "$work/cache" "$work/data" "$work/runtime" "$work/results"
chmod 700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
    XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/runtime
unset ECFSIM_DB ECFSIM_TIME

# The memories: a new one (made by one start of the program), and one per
# size, filled two hundred coupons a day with a Z reduction each day.
mkdir "$work/memory-0"
QT_QPA_PLATFORM=offscreen probe_run /dev/null loop "$work/memory-0" "$bin/meu_proj"
[ -f "$work/memory-0/ecfsim.db" ] || { echo "bench-startup: o programa não criou a memória" >&2; exit 1; }
made=0
mkdir "$work/memory-fill"
# shellcheck disable=SC2086 # the sizes are words of one list
for size in $(printf '%s\n' $coupons | sort -n); do
    echo "Preparando a memória com $size cupons..." >&2
    while ((made < size)); do
        day=$((size - made < 200 ? size - made : 200))
        (cd "$work/memory-fill" && ECFSIM_TIME="2026-01-05 12:00:00" "$bin/coupon_memory" "$day" &&
            ECFSIM_TIME="2026-01-05 12:00:00" "$bin/ecfsim" next-day >/dev/null)
        made=$((made + day))
    done
    mkdir "$work/memory-$size"
    cp "$work/memory-fill"/ecfsim.db* "$work/memory-$size/"
done

for platform in $platforms; do
    echo "Medindo em $platform..." >&2
    if [ "$platform" = xcb ]; then
        "$root/scripts/with-desktop.sh" "$0" --build "$build" --runs "$runs" --sets "$sets" \
            --coupons "$coupons" --limit "$limit" --pass xcb "$work"
    else
        "$0" --build "$build" --runs "$runs" --sets "$sets" --coupons "$coupons" \
            --limit "$limit" --pass "$platform" "$work"
    fi
done

# FIELD of every line of FILE, one a line.
field() {
    sed -n "s/.*$2=\([-0-9]*\).*/\1/p" "$1"
}
median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# Prints one figure: median of A's FIELD, of B's, their ratio, and the aim.
figure() {
    local platform=$1 set=$2 name=$3 files=$4 key=$5 unit=$6 aim=$7
    local a b paired count_a count_b
    # A program that never reached its point leaves no line at all.
    touch "$files.a" "$files.b"
    a=$(field "$files.a" "$key" | median)
    b=$(field "$files.b" "$key" | median)
    # The median of each pair's own ratio, less moved by a machine whose
    # load drifts during the set.
    paired=$(paste <(field "$files.a" "$key") <(field "$files.b" "$key") |
        awk '$1 > 0 && $2 > 0 { print $1 / $2 }' | median)
    count_a=$(field "$files.a" "$key" | grep -c -v -- '^-1$' || true)
    count_b=$(field "$files.b" "$key" | grep -c -v -- '^-1$' || true)
    awk -v p="$platform" -v s="$set" -v n="$name" -v a="$a" -v b="$b" -v u="$unit" -v aim="$aim" \
        -v pr="$paired" -v ca="$count_a" -v cb="$count_b" 'BEGIN {
            d = (u == "ms") ? 1000 : 1024
            ratio = (b > 0) ? a / b : 0
            printf "%-9s %3s  %-44s %9.1f %9.1f %-3s %6.2f %6.2f  %-7s %-5s (%d+%d)\n", p, s, n,
                   a / d, b / d, u, ratio, pr, "<= " aim, (ratio <= aim ? "ok" : "ACIMA"), ca, cb
        }'
}

echo
printf '%-9s %3s  %-44s %9s %9s %-3s %6s %6s  %-7s\n' plataforma set figura programa piso "" razão pares meta
for platform in $platforms; do
    for set in $(seq "$sets"); do
        prefix=$work/results/$platform.$set
        figure "$platform" "$set" "até a primeira pergunta" "$prefix.question" question_us ms 1.15
        figure "$platform" "$set" "até o laço de eventos, 27 janelas" "$prefix.loop" loop_us ms 1.30
        figure "$platform" "$set" "memória de pico nesse ponto" "$prefix.loop" peak_kib MiB 1.30
        for size in $coupons; do
            figure "$platform" "$set" "até o laço, $size cupons (piso: memória nova)" \
                "$prefix.memory-$size" loop_us ms 1.05
        done
    done
done
echo
echo "programa e piso: medianas de $runs partidas alternadas; razão: das medianas (a meta);"
echo "pares: mediana das razões de cada par; (n+n): partidas que chegaram ao ponto medido"
