#!/usr/bin/env bash
# The in-window search of a 256 MiB file, for a 4-byte value with few hits,
# for a 1-byte value that reaches the result limit, and for strings of 1, 4
# and 16 bytes with few hits, exactly and without regard to case, beside
# `grep -c -F` (`grep -c -F -i`) and glibc memmem on the same bytes; and how
# fast Cancel ends a scan.
# Targets: the value with few hits at most 1.0x memmem, the strings at most
# 1.0x grep; the result limit at most 1.5x memmem; Cancel within 100 ms.
set -euo pipefail
source "$(dirname "$0")/made-input.bash"

run_on_made_input search_bench data.bin 3
