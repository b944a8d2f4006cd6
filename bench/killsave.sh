#!/usr/bin/env bash
# Kills saves with SIGKILL at random moments and checks that the file saved
# over then holds its old bytes or its new bytes, never a mix: a data file
# of 64 MiB, a result file of 76 MiB and a script of 64 MiB, each saved by
# savekill_target through the system's own save code, and the data file once
# more saved by Qorm20 itself running a script (Insert, then SaveChanges).
# Every kill lands between the moment the save's temporary appears and half
# the save's measured length past its rename, so it covers the write, the
# flush, the rename, the folder flush and what follows. A last save of each
# file, after one killed early, must leave no temporary behind.
#   BENCH_BIN=build-bench/bin bench/killsave.sh [KILLS_PER_FILE]   (default 40)
set -euo pipefail
: "${BENCH_BIN:?BENCH_BIN must name the folder of the built benchmarks}"
kills=${1:-40}
target_bin="$BENCH_BIN/savekill_target"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tmp" "$work/home" "$work/files"
export TMPDIR="$work/tmp" QORM20_HOME="$work/home"
files="$work/files"
mib=$((1024 * 1024))

micros() { local now=${EPOCHREALTIME/./}; echo "$now"; }

# Kills the process $1 if it still runs and removes the working copies it
# left, which a later Qorm20 would otherwise offer at its start.
end_process() {
  kill -9 "$1" 2>/dev/null || true  # a save that ended first counts as well
  wait "$1" 2>/dev/null || true
  rm -f "$TMPDIR"/Qrm* "$QORM20_HOME"/Qrm*
}

# Waits until the save of $1 has a temporary beside it (true) or the process $2 has ended (false).
wait_for_temporary() {
  local name=${1##*/}
  until compgen -G "$files/.$name.*.saving" >/dev/null; do
    kill -0 "$2" 2>/dev/null || return 1
  done
}

# One save, not killed: how long it takes from its temporary's appearance to the rename.
# A save so fast that the polling never sees its temporary counts from the
# process's start to its end, so the kills still cover the whole save.
measure() {
  local target=$1; shift
  local launched; launched=$(micros)
  "$@" >/dev/null 2>&1 & local pid=$!
  local start end
  if wait_for_temporary "$target" "$pid"; then
    start=$(micros)
    while compgen -G "$files/.${target##*/}.*.saving" >/dev/null; do :; done
  else
    start=$launched
  fi
  end=$(micros)
  end_process "$pid"
  if ! cmp -s "$target" "$new_bytes"; then echo "killsave: the save did not write the new bytes" >&2; exit 1; fi
  echo $((end - start + 1))
}

# kill_once TARGET DELAY COMMAND...: starts a save over TARGET and kills it DELAY
# microseconds after its temporary appeared. The folder holds no temporary
# before, so the one that appears is this save's. A save that ends before
# its temporary is seen was not killed; the file then holds its new bytes,
# as the check that follows finds.
kill_once() {
  local target=$1 delay=$2; shift 2
  "$@" >/dev/null 2>&1 & local pid=$!
  if wait_for_temporary "$target" "$pid"; then
    local deadline=$(($(micros) + delay))
    while (($(micros) < deadline)); do :; done
  fi
  end_process "$pid"
}

# kill_saves LABEL TARGET OLD NEW COMMAND...: restores OLD over TARGET, kills a
# save of it, and compares TARGET with OLD and NEW; as many times as asked.
# Then a save killed early leaves its temporary, and the next save, not
# killed, must remove it.
kill_saves() {
  local label=$1 target=$2 old=$3 new=$4; shift 4
  local temporaries="$files/.${target##*/}.*.saving"
  cp "$old" "$target"
  new_bytes=$new
  local span; span=$(measure "$target" "$@")
  local window=$((span * 3 / 2)) olds=0 news=0 mixed=0 stale=0
  for ((k = 0; k < kills; k++)); do
    cp "$old" "$target"
    kill_once "$target" $(((RANDOM * 32768 + RANDOM) % window)) "$@"
    if compgen -G "$temporaries" >/dev/null; then stale=$((stale + 1)); fi
    if cmp -s "$target" "$old"; then olds=$((olds + 1))
    elif cmp -s "$target" "$new"; then news=$((news + 1))
    else mixed=$((mixed + 1)); cp "$target" "$work/mixed-$label-$k"
    fi
    rm -f $temporaries
  done

  local before=0
  for ((try = 0; try < 10 && before == 0; try++)); do
    cp "$old" "$target"
    kill_once "$target" $((span / 4)) "$@"
    before=$(compgen -G "$temporaries" | wc -l || true)
  done
  # A save too fast for any kill to catch leaves nothing; a killed save's
  # temporary is then laid down by hand for the next save to remove.
  if ((before == 0)); then : > "$files/.${target##*/}.0BADF00D.saving"; before=1; fi
  "$@" >/dev/null 2>&1 &
  local pid=$!
  while kill -0 "$pid" 2>/dev/null && ! cmp -s "$target" "$new"; do sleep 0.05; done
  end_process "$pid"
  local left; left=$(compgen -G "$temporaries" | wc -l || true)
  printf '%-12s %3d MiB  save %4d ms  %3d kills: %3d old (%3d left a temporary), %3d new, %d mixed; temporaries before/after the next save: %d/%d\n' \
    "$label" $(($(stat -c %s "$new") / mib)) $((span / 1000)) "$kills" "$olds" "$stale" "$news" "$mixed" "$before" "$left"
  ((mixed == 0 && before == 1 && left == 0)) || failed=1
}

failed=0

head -c $((64 * mib)) /dev/urandom > "$work/data.old"
{ printf '\0'; cat "$work/data.old"; } > "$work/data.new"
kill_saves "data file" "$files/data.bin" "$work/data.old" "$work/data.new" "$target_bin" data "$files/data.bin"

# The same save as a user's script makes it in the editor: Insert, then SaveChanges.
printf 'Insert(1, 0)\r\nSaveChanges(0)\r\n' > "$work/save.bas"
kill_saves "Qorm20 /S" "$files/edited.bin" "$work/data.old" "$work/data.new" \
  env QT_QPA_PLATFORM=offscreen QORM_REGISTRY_DIR="$work/registry" "$BENCH_BIN/Qorm20" "$files/edited.bin" /S "$work/save.bas"

"$target_bin" result "$work/result.new"
sed 's/hit of the search/old hit of a run/' "$work/result.new" > "$work/result.old"
kill_saves "result file" "$files/hits.srt" "$work/result.old" "$work/result.new" "$target_bin" result "$files/hits.srt"

line="PRINT 1 ' a line of a long script, as long as the others ........"
yes "$line"$'\r' | head -c $((64 * mib)) | head -n -1 > "$work/script.new" || true
sed 's/^PRINT 1/PRINT 2/' "$work/script.new" > "$work/script.old"
kill_saves "script" "$files/long.bas" "$work/script.old" "$work/script.new" "$target_bin" script "$files/long.bas" "$work/script.new"

exit "$failed"
