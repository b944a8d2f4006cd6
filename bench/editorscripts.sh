#!/usr/bin/env bash
# Scripts where users run them: in Qorm20 (offscreen), with a 1 MB data file
# in a hex window and the output and watch windows open with three watches
# (opened by the program's own settings, as a user who left them open gets
# them), beside the same script in tlangrun and beside python3 doing the same
# work. Rows: three programs of bench/tlang.sh without host calls, a walk
# over the data file byte by byte (GetNumber, JumpRel), a patch of every
# other byte (Jump, SetValue), a search loop over 100,000 hits (SearchFirst,
# SearchNext) and 100,000 printed lines. Times are wall seconds, best of
# BENCH_RUNS (default 3), net of each program's start-up (an empty script).
# tlangrun's host functions do nothing, so the host-call rows compare with
# python3 and give Qorm20's host calls per second.
# Targets: programs without host calls <= 1.50x tlangrun (geometric mean);
# walk and patch >= 1,000,000 host calls per second, the walk <= 1.50x
# python3; 100,000 printed lines <= 1 s.
set -euo pipefail
: "${BENCH_BIN:?BENCH_BIN must name the folder of the built benchmarks}"
qorm="$BENCH_BIN/Qorm20"
tlangrun="$BENCH_BIN/tlangrun"
for program in "$qorm" "$tlangrun"; do
  [ -x "$program" ] || { echo "$(basename "$program") not built in $BENCH_BIN"; exit 1; }
done
command -v python3 >/dev/null || { echo "python3 is needed as the peer"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
size=1000000
head -c "$size" /dev/urandom >"$work/data"
# The search data: random bytes with a marker every 10 bytes.
python3 - "$work/hits" <<'PY'
import os, sys
block = bytearray(os.urandom(1000000))
for at in range(5, len(block) - 6, 10):
    block[at:at + 6] = b"QRMHIT"
open(sys.argv[1], "wb").write(block)
PY

# --- The scripts --------------------------------------------------------------
# NAME.tl is the script for tlangrun; Qorm20 runs the same text with the lines
# of NAME.end after it (its result into a file, then Bye). @RESULT@ stands for
# the result file.
script() { cat >"$work/$1.tl"; }
ending() { sed "s|@RESULT@|$work/result|g" >"$work/$1.end"; }
bye_only() { printf 'Bye\n' >"$work/$1.end"; }

script empty <<<'NUMBER X'
bye_only empty

script loop <<'TEXT'
NUMBER X, I
FOR I = 1 TO 4000000
X = X + I * 2
NEXT
TEXT
bye_only loop

script collatz <<'TEXT'
NUMBER I, N, S, T
FOR I = 1 TO 30000
N = I
S = 0
WHILE N <> 1
IF N MOD 2 == 0 THEN
N = N \ 2
ELSE
N = 3 * N + 1
ENDIF
S = S + 1
WEND
T = T + S
NEXT
TEXT
bye_only collatz

script gosub <<'TEXT'
NUMBER I, X
FOR I = 1 TO 4000000
GOSUB ADD
NEXT
END
:ADD
X = X + I
RETURN
TEXT
# The program ends at its END, so Bye goes before it.
sed -i 's/^END$/Bye/' "$work/gosub.tl"
cp "$work/gosub.tl" "$work/gosub.qorm"
sed -i 's/^Bye$/END/' "$work/gosub.tl"
: >"$work/gosub.end"

result_lines() {  # the variable whose value the script leaves in the result file
  printf 'R = FOPEN(9, "@RESULT@", "text")\nR = FPUTS(9, STR(%s))\nR = FCLOSE(9)\nBye\n' "$1"
}

script walk <<TEXT
NUMBER S, I, R
FOR I = 1 TO $size
S = S + GetNumber(TYPE_BYTE)
JumpRel(1)
NEXT
TEXT
result_lines S | ending walk

script patch <<TEXT
NUMBER P, R
FOR P = 1 TO $size STEP 2
Jump(P)
SetValue(TYPE_BYTE, P MOD 256)
NEXT
TEXT
result_lines 'GetNumber(TYPE_BYTE)' | ending patch

script search <<'TEXT'
NUMBER N, H, R
H = SearchFirst("QRMHIT", TYPE_STRING)
WHILE H >= 0
N = N + 1
H = SearchNext()
WEND
TEXT
result_lines N | ending search

script print <<'TEXT'
NUMBER I
FOR I = 1 TO 100000
PRINT "line "; I
NEXT
TEXT
bye_only print

# --- The peers in python3 -------------------------------------------------------
cat >"$work/walk.py" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
s = 0
p = 0
for i in range(len(data)):
    s += data[p]
    p += 1
print(s)
PY
cat >"$work/patch.py" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
for p in range(1, len(data) + 1, 2):
    data[p - 1] = p % 256
open(sys.argv[2], "wb").write(data)
PY
cat >"$work/search.py" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
n = 0
at = data.find(b"QRMHIT")
while at >= 0:
    n += 1
    at = data.find(b"QRMHIT", at + 1)
print(n)
PY
cat >"$work/print.py" <<'PY'
for i in range(1, 100001):
    print("line", i)
PY
printf 'pass\n' >"$work/empty.py"

# --- Qorm20's settings: the output and watch windows open, three watches ----
settings() {
  local key='Qorm%20-%20Tessaline%20v2.0'
  printf '[Software]\n'
  printf '%s\\WINDOWS\\Output=1\n%s\\WINDOWS\\Watches=1\n' "$key" "$key"
  printf '%s\\CURRENT_WATCHES\\WATCH_%d=%s\n' "$key" 1 I "$key" 2 S "$key" 3 P
}

# Runs one script in Qorm20 as a user does: Qorm20 DATA /S SCRIPT. Every run
# gets fresh settings, program and temporary folders and a fresh copy of the
# script (a run saves its script first).
run_qorm() {  # name data
  local run="$work/qorm"
  rm -rf "$run"
  mkdir -p "$run/registry" "$run/home" "$run/tmp"
  settings >"$run/registry/HKEY_CURRENT_USER.ini"
  cp "$2" "$run/data.bin"
  if [ -f "$work/$1.qorm" ]; then cp "$work/$1.qorm" "$run/script.txt"; else cp "$work/$1.tl" "$run/script.txt"; fi
  cat "$work/$1.end" >>"$run/script.txt"
  QT_QPA_PLATFORM=offscreen QORM_REGISTRY_DIR="$run/registry" QORM20_HOME="$run/home" TMPDIR="$run/tmp" \
    timeout 600 "$qorm" "$run/data.bin" /S "$run/script.txt"
}

runs=${BENCH_RUNS:-3}
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
net() { awk -v t="$1" -v s="$2" 'BEGIN { d = t - s; if (d < 0.0005) d = 0.0005; printf "%.4f", d }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
per_second() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / t }'; }

data_of() { case $1 in search) echo "$work/hits" ;; *) echo "$work/data" ;; esac; }
qorm_time() { net "$(best_of_runs run_qorm "$1" "$(data_of "$1")")" "$qorm_startup"; }
tlang_time() { net "$(best_of_runs "$tlangrun" "$@")" "$tlang_startup"; }
python_time() { net "$(best_of_runs python3 "$work/$1.py" "$(data_of "$1")" "$work/python-out")" "$python_startup"; }

qorm_startup=$(best_of_runs run_qorm empty "$work/data")
tlang_startup=$(best_of_runs "$tlangrun" "$work/empty.tl")
python_startup=$(best_of_runs python3 "$work/empty.py")

# The host-call rows must do the work: their results match python3's.
check_result() {  # name expected
  rm -f "$work/result"
  run_qorm "$1" "$(data_of "$1")" >/dev/null 2>&1 || true
  local got
  got=$(tr -d ' \r\n' <"$work/result" 2>/dev/null || true)
  [ "$got" = "$2" ] || { echo "$1: Qorm20 left $got, python3 $2"; exit 1; }
}
check_result walk "$(python3 "$work/walk.py" "$work/data")"
check_result patch "$(( (size - 1) % 256 ))"
check_result search "$(python3 "$work/search.py" "$work/hits")"

printf '%-8s %9s %9s %7s %14s %7s\n' program Qorm20 tlangrun ratio "tlangrun-step" ratio
ratios=()
step_ratios=()
for program in loop collatz gosub; do
  ours=$(qorm_time "$program")
  theirs=$(tlang_time "$work/$program.tl")
  stepped=$(tlang_time --step "$work/$program.tl")
  ratios+=("$(ratio "$ours" "$theirs")")
  step_ratios+=("$(ratio "$ours" "$stepped")")
  printf '%-8s %8ss %8ss %6sx %13ss %6sx\n' "$program" "$ours" "$theirs" "${ratios[-1]}" "$stepped" "${step_ratios[-1]}"
done
geomean() { printf '%s\n' "$@" | awk '{ s += log($1); n++ } END { printf "%.2f", exp(s / n) }'; }
echo "geometric mean: $(geomean "${ratios[@]}")x tlangrun, $(geomean "${step_ratios[@]}")x tlangrun --step"

printf '%-8s %9s %9s %7s %12s\n' work Qorm20 python3 ratio "calls/s"
host_row() {  # name calls
  local ours theirs
  ours=$(qorm_time "$1")
  theirs=$(python_time "$1")
  printf '%-8s %8ss %8ss %6sx %12s\n' "$1" "$ours" "$theirs" "$(ratio "$ours" "$theirs")" "$(per_second "$2" "$ours")"
}
host_row walk $((2 * size))
host_row patch "$size"
hits=$(python3 "$work/search.py" "$work/hits")
host_row search $((hits + 1))

ours=$(qorm_time print)
theirs=$(tlang_time "$work/print.tl")
python=$(python_time print)
printf 'print    %8ss  (tlangrun %ss, python3 %ss): 100000 lines into the output window\n' "$ours" "$theirs" "$python"
echo "targets: programs <= 1.50x tlangrun (geometric mean); walk and patch >= 1000000 calls/s, walk <= 1.50x python3; print <= 1 s"
