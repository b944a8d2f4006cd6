#!/usr/bin/env bash
# Opening a working copy, a 1-byte insert at position 0 and a save of a
# 256 MiB file, each beside `cp` of the same file (the save also beside `cp`
# and `sync` of the copy). Target: ratio <= 1.5 each.
set -euo pipefail
: "${BENCH_BIN:?BENCH_BIN must name the folder of the built benchmarks}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tmp" "$work/home"
head -c $((256 * 1024 * 1024)) /dev/urandom > "$work/data.bin"

TMPDIR="$work/tmp" QORM20_HOME="$work/home" "$BENCH_BIN/workingcopy_bench" "$work/data.bin" 3
