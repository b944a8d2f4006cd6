#!/usr/bin/env bash
# The search in files over 1000 files of 128 KiB, for a string with few hits,
# exactly and without regard to case, beside `grep -c -F -r` (`-i`) over the
# same folder. Target: search/grep at most 1.0 both ways. Then 50,000 files
# added to the list twice (each checked against those listed) beside
# `sort -u` of the same 100,000 paths.
set -euo pipefail
source "$(dirname "$0")/made-input.bash"

run_on_made_input searchfiles_bench . 3
