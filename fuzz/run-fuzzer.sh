#!/bin/sh
# run-fuzzer.sh TARGET SEEDS WORK SECONDS MAX_LEN [DICTIONARY]
# Runs a libFuzzer target for SECONDS on a fresh copy of its seed corpus in WORK; libFuzzer
# exits nonzero on a crash, a leak, a timeout or a sanitizer report, and so does this.
set -eu
target=$1 seeds=$2 work=$3 seconds=$4 max_len=$5 dictionary=${6:-}
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$seeds"/* "$work/corpus/"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" \
    ${dictionary:+-dict="$dictionary"} -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
    "$work/corpus"
