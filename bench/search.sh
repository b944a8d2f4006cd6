#!/usr/bin/env bash
# The in-window search of a 256 MiB file, for a 4-byte value with few hits and
# for a 1-byte value that reaches the result limit, beside `grep -c -F` and
# glibc memmem on the same bytes; and how fast Cancel ends a scan.
# Targets: engine/grep <= 1.5 for the few-hits case; Cancel within 100 ms.
set -euo pipefail
: "${BENCH_BIN:?BENCH_BIN must name the folder of the built benchmarks}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$BENCH_BIN/search_bench" --make "$work/data.bin"
LC_ALL=C "$BENCH_BIN/search_bench" "$work/data.bin" 3
