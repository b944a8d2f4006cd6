#!/usr/bin/env bash
# The script interpreter (tlangrun) beside Debian's BASIC interpreters brandy,
# yabasic and bwbasic, on the same programs: a 1,000,000-iteration FOR loop of
# X = X + I * 2, nested loops over a 2-dimensional array, and string building;
# and, for tlangrun alone, 1,000,000 calls of a host function that does
# nothing. Times are net of each interpreter's start-up (an empty program).
# Targets: loop and array programs <= 1.0x brandy and yabasic; host-function
# calls >= 1,000,000 per second.
set -euo pipefail
: "${BENCH_BIN:?BENCH_BIN must name the folder of the built benchmarks}"
tlangrun="$BENCH_BIN/tlangrun"
[ -x "$tlangrun" ] || { echo "tlangrun not built in $BENCH_BIN"; exit 1; }

# The peers come from Debian's archive; one the archive lacks is left out.
peers=()
for peer in brandy yabasic bwbasic; do
  if ! command -v "$peer" >/dev/null; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # Read whole before matching: under pipefail, grep -q leaving early would
    # fail the pipe with SIGPIPE and leave every peer out.
    policy=$(apt-cache policy "$peer" 2>/dev/null || true)
    if grep -q 'Candidate: [0-9]' <<<"$policy"; then
      "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$peer" >/dev/null
    fi
  fi
  if command -v "$peer" >/dev/null; then
    peers+=("$peer")
  else
    echo "$peer: not in the package archive, left out"
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- The programs, one file per interpreter -------------------------------
cat >"$work/empty.tl" <<'EOF'
PRINT 0
EOF
cat >"$work/loop.tl" <<'EOF'
NUMBER X, I
FOR I = 1 TO 1000000
X = X + I * 2
NEXT
PRINT X
EOF
cat >"$work/array.tl" <<'EOF'
NUMBER I, J, S
NUMBER A(499, 499)
FOR I = 0 TO 499
FOR J = 0 TO 499
A(I, J) = I + J
NEXT
NEXT
FOR I = 0 TO 499
FOR J = 0 TO 499
S = S + A(I, J)
NEXT
NEXT
PRINT S
EOF
cat >"$work/string.tl" <<'EOF'
NUMBER I, J
STRING T
FOR I = 1 TO 2000
T = ""
FOR J = 1 TO 100
T = T + "ab"
NEXT
NEXT
PRINT T
EOF
cat >"$work/calls.tl" <<'EOF'
NUMBER I
FOR I = 1 TO 1000000
NOOP()
NEXT
PRINT I
EOF
cat >"$work/calls-empty.tl" <<'EOF'
NUMBER I
FOR I = 1 TO 1000000
NEXT
PRINT I
EOF

# BBC BASIC (brandy) and bwBASIC share one dialect; bwBASIC needs SYSTEM to leave.
basic_loop='X=0
FOR I=1 TO 1000000
X=X+I*2
NEXT I
PRINT X'
basic_array='S=0
DIM A(499,499)
FOR I=0 TO 499
FOR J=0 TO 499
A(I,J)=I+J
NEXT J
NEXT I
FOR I=0 TO 499
FOR J=0 TO 499
S=S+A(I,J)
NEXT J
NEXT I
PRINT S'
basic_string='FOR I=1 TO 2000
T$=""
FOR J=1 TO 100
T$=T$+"ab"
NEXT J
NEXT I
PRINT T$'
for program in empty loop array string; do
  case $program in
    empty) text='PRINT 0' ;;
    loop) text=$basic_loop ;;
    array) text=$basic_array ;;
    string) text=$basic_string ;;
  esac
  printf '%s\n' "$text" >"$work/$program.bas"
  printf '%s\nSYSTEM\n' "$text" >"$work/$program.bwb"
  # yabasic: the same statements in lower case, NEXT with its variable.
  printf '%s\n' "$text" | tr 'A-Z' 'a-z' >"$work/$program.yab"
done

# --- Timing ------------------------------------------------------------------
# Wall seconds of the fastest of BENCH_RUNS (default 11) runs of a command. The
# programs take about as long as brandy's start-up, which varies by tens of
# milliseconds, so a few runs leave the net times at the mercy of that noise.
runs=${BENCH_RUNS:-11}
best_of_runs() {
  local best="" start end elapsed i
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" </dev/null >/dev/null 2>&1
    end=$(date +%s%N)
    elapsed=$((end - start))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  awk -v ns="$best" 'BEGIN { printf "%.4f", ns / 1e9 }'
}

run_program() {  # interpreter program -> seconds
  case $1 in
    tlangrun) best_of_runs "$tlangrun" "$work/$2.tl" ;;
    brandy) best_of_runs brandy -quit "$work/$2.bas" ;;
    yabasic) best_of_runs yabasic "$work/$2.yab" ;;
    bwbasic) best_of_runs bwbasic "$work/$2.bwb" ;;
  esac
}

net() { awk -v t="$1" -v s="$2" 'BEGIN { d = t - s; if (d < 0.0005) d = 0.0005; printf "%.4f", d }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

declare -A startup
for interpreter in tlangrun "${peers[@]}"; do
  startup[$interpreter]=$(run_program "$interpreter" empty)
done

printf '%-8s %10s' program tlangrun
for peer in "${peers[@]}"; do printf ' %10s %8s' "$peer" "ratio"; done
printf '\n'
for program in loop array string; do
  ours=$(net "$(run_program tlangrun "$program")" "${startup[tlangrun]}")
  printf '%-8s %9ss' "$program" "$ours"
  for peer in "${peers[@]}"; do
    theirs=$(net "$(run_program "$peer" "$program")" "${startup[$peer]}")
    printf ' %9ss %7sx' "$theirs" "$(ratio "$ours" "$theirs")"
  done
  printf '\n'
done

# Host-function calls: the loop with calls beside the same loop without them.
with_calls=$(best_of_runs "$tlangrun" --noop-function "$work/calls.tl")
without_calls=$(best_of_runs "$tlangrun" "$work/calls-empty.tl")
awk -v w="$with_calls" -v e="$without_calls" 'BEGIN {
  printf "host calls: 1000000 in %.4fs with the loop (%.0f per second), %.4fs net of the loop (%.0f per second)\n",
    w, 1e6 / w, (w - e > 0.0005 ? w - e : 0.0005), 1e6 / (w - e > 0.0005 ? w - e : 0.0005) }'
echo "targets: loop and array <= 1.00x brandy and yabasic; host calls >= 1000000 per second"
