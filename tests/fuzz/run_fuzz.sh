#!/bin/sh
# Runs libFuzzer targets (build/fuzz/tests/<name>_fuzz) one at a time for FUZZ_S seconds each,
# from their corpus in the tree (tests/fuzz/corpus/<name>); what they find new goes to
# build/fuzz/corpus/<name>. A finding is minimised into the tree's corpus as a regression input
# (crash-..., timeout-..., leak-...), which the seeded drivers of the test run replay; fix the
# parser, then commit the input. Usage: run_fuzz.sh [name...] (default: every built target).
set -u
src=$(cd "$(dirname "$0")/../.." && pwd)
bin=$src/build/fuzz/tests
secs=${FUZZ_S:-60}
names=${*:-$(cd "$src/tests/fuzz/targets" && ls *_fuzz.cpp | sed 's/_fuzz\.cpp$//')}

# Longest input per target: a little above its largest real seed.
max_len() {
    case $1 in
    fonts) echo 20480 ;;
    fiber) echo 12288 ;;
    scenario) echo 8192 ;;
    bitmap | netfiles | replies) echo 4096 ;;
    input | serial) echo 1024 ;;
    params) echo 512 ;;
    update) echo 300 ;;
    *) echo 256 ;;
    esac
}

found=0
for t in $names; do
    work=$src/build/fuzz/corpus/$t
    art=$src/build/fuzz/findings/$t
    log=$src/build/fuzz/$t.log
    mkdir -p "$work" "$art"
    nice -n 15 "$bin/${t}_fuzz" "$work" "$src/tests/fuzz/corpus/$t" -max_total_time="$secs" \
        -max_len="$(max_len "$t")" -timeout=20 -close_fd_mask=1 -print_final_stats=1 \
        -artifact_prefix="$art/" >"$log" 2>&1
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
    new=""
    for f in "$art"/*; do
        [ -f "$f" ] || continue
        name=$(basename "$f")
        [ -f "$src/tests/fuzz/corpus/$t/$name" ] && continue
        nice -n 15 "$bin/${t}_fuzz" -minimize_crash=1 -max_total_time=60 -close_fd_mask=1 \
            -exact_artifact_path="$src/tests/fuzz/corpus/$t/$name" "$f" >>"$log" 2>&1 ||
            cp "$f" "$src/tests/fuzz/corpus/$t/$name"
        [ -f "$src/tests/fuzz/corpus/$t/$name" ] || cp "$f" "$src/tests/fuzz/corpus/$t/$name"
        new="$new $name"
        found=1
    done
    echo "$t: ${runs:-?} runs, ${cov:-no coverage line}, findings:${new:- none} (log $log)"
done
exit $found
