#!/bin/sh
# The threaded tests and a few whole-program runs under ThreadSanitizer with seeded pre-emption,
# seed after seed (the clock switches threads at locks, semaphores and device calls in an order
# drawn from the seed). A failing seed is named; rerun it alone with SPLICER_PREEMPT_SEED=N.
# usage: preempt_sweep.sh FIRST_SEED LAST_SEED   (from the source tree, after the tsan build)
# PREEMPT_TESTS: ctest label regex of the programs to run; PREEMPT_NAMES: test name regex within
# them; PREEMPT_SCENARIOS: scenario files (empty: none).
set -u
cd "$(dirname "$0")/.."
first=${1:-1}
last=${2:-$first}
build=build/tsan
labels=${PREEMPT_TESTS:-_threads}
names=${PREEMPT_NAMES:-.}
scenarios=${PREEMPT_SCENARIOS-scenarios/connectivity.json scenarios/wifi_report.json scenarios/modes.json}
jobs=${JOBS:-2}
# halt_on_error: a race fails its test at once and the log ends with the report.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
logs=$(mktemp -d /tmp/preempt-sweep-XXXXXX)
failed=""
seed=$first
while [ "$seed" -le "$last" ]; do
    start=$(date +%s)
    status=ok
    if ! SPLICER_PREEMPT_SEED=$seed ctest --test-dir $build -L "$labels" -R "$names" -E PowerCut -j "$jobs" \
        --output-on-failure >"$logs/tests-$seed.log" 2>&1; then
        status="tests failed ($logs/tests-$seed.log)"
        grep -E '^ *[0-9]+ - |WARNING: ThreadSanitizer' "$logs/tests-$seed.log" | sort -u | head -20
    fi
    for sc in $scenarios; do
        root="$logs/root-$seed-$(basename "$sc" .json)"
        if ! SPLICER_PREEMPT_SEED=$seed $build/splicer-sim --root "$root" --scenario "$sc" \
            --assets $build/asset_root >"$root.log" 2>&1 || grep -q 'ThreadSanitizer' "$root.log"; then
            status="$status; $sc failed ($root.log)"
            grep -m3 -A12 'WARNING: ThreadSanitizer' "$root.log"
        fi
    done
    echo "seed $seed: $status ($(($(date +%s) - start)) s)"
    [ "$status" = ok ] || failed="$failed $seed"
    seed=$((seed + 1))
done
if [ -n "$failed" ]; then
    echo "failing seeds:$failed (logs in $logs)"
    exit 1
fi
rm -rf "$logs"
echo "seeds $first..$last: no race, every test passed"
