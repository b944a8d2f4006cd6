#!/usr/bin/env bash
# The search in files over 1000 files of 128 KiB, for a string with few hits,
# exactly and without regard to case, beside `grep -c -F -r` over the same
# folder. Target: search/grep <= 2 for the exact search.
set -euo pipefail
: "${BENCH_BIN:?BENCH_BIN must name the folder of the built benchmarks}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$BENCH_BIN/searchfiles_bench" --make "$work"
LC_ALL=C "$BENCH_BIN/searchfiles_bench" "$work" 3
