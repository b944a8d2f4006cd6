#!/usr/bin/env bash
# The in-window search of a 256 MiB file, for a 4-byte value with few hits and
# for a 1-byte value that reaches the result limit, beside `grep -c -F` and
# glibc memmem on the same bytes; and how fast Cancel ends a scan.
# Targets: engine/grep <= 1.5 for the few-hits case; Cancel within 100 ms.
set -euo pipefail
source "$(dirname "$0")/made-input.bash"

run_on_made_input search_bench data.bin 3
