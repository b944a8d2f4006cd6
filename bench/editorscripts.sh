#!/usr/bin/env bash
# Scripts where users run them: in Qorm20 (offscreen), with a 1 MB data file
# in a hex window and the output and watch windows open with three watches
# (opened by the program's own settings, as a user who left them open gets
# them), beside the same script in tlangrun (run mode and --step) and beside
# python3 doing the same work. Rows: three programs of bench/tlang.sh without
# host calls, a walk over the data file byte by byte (GetNumber, JumpRel), a
# patch of every other byte (Jump, SetValue), a search loop over 100,000 hits
# (SearchFirst, SearchNext) and 100,000 printed lines. Every script times its
# own work with its clock (TIMER in the scripts, perf_counter in python3), so
# start-up and the load of the machine at start-up stay out; each figure is
# the best of BENCH_RUNS (default 3) runs. tlangrun's host functions do
# nothing, so the host-call rows compare with python3 and give Qorm20's host
# calls per second; Qorm20's results of those rows are checked against python3's.
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
# One body per row; its clock starts before the first line, and @DONE@ marks
# where the work ends. For tlangrun the time is printed there; Qorm20 writes
# the row's value and the time into a result file, then ends with Bye.
script() {  # name value; the body on standard input
  local body
  body=$(cat)
  { printf 'NUMBER BENCHT, BENCHR\nBENCHT = TIMER()\n'; sed 's|^@DONE@$|PRINT TIMER() - BENCHT|' <<<"$body"; } \
    >"$work/$1.tl"
  { printf 'NUMBER BENCHT, BENCHR\nBENCHT = TIMER()\n'
    sed "s|^@DONE@$|BENCHR = FOPEN(9, \"$work/result\", \"text\")\\
BENCHR = FPUTS(9, STR($2) + \" \" + STR(TIMER() - BENCHT))\\
BENCHR = FCLOSE(9)\\
Bye|" <<<"$body"; } >"$work/$1.qorm"
}

script loop X <<'TEXT'
NUMBER X, I
FOR I = 1 TO 4000000
X = X + I * 2
NEXT
@DONE@
TEXT

script collatz T <<'TEXT'
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
@DONE@
TEXT

script gosub X <<'TEXT'
NUMBER I, X
FOR I = 1 TO 4000000
GOSUB ADD
NEXT
@DONE@
END
:ADD
X = X + I
RETURN
TEXT

script walk S <<TEXT
NUMBER S, I
FOR I = 1 TO $size
S = S + GetNumber(TYPE_BYTE)
JumpRel(1)
NEXT
@DONE@
TEXT

script patch 'GetNumber(TYPE_BYTE)' <<TEXT
NUMBER P
FOR P = 1 TO $size STEP 2
Jump(P)
SetValue(TYPE_BYTE, P MOD 256)
NEXT
@DONE@
TEXT

script search N <<'TEXT'
NUMBER N, H
H = SearchFirst("QRMHIT", TYPE_STRING)
WHILE H >= 0
N = N + 1
H = SearchNext()
WEND
@DONE@
TEXT

script print I <<'TEXT'
NUMBER I
FOR I = 1 TO 100000
PRINT "line "; I
NEXT
@DONE@
TEXT

# --- The peers in python3: the value, then the seconds of the work -----------
cat >"$work/walk.py" <<'PY'
import sys, time
data = open(sys.argv[1], "rb").read()
start = time.perf_counter()
s = 0
p = 0
for i in range(len(data)):
    s += data[p]
    p += 1
print(s)
print(time.perf_counter() - start)
PY
cat >"$work/patch.py" <<'PY'
import sys, time
start = time.perf_counter()
data = bytearray(open(sys.argv[1], "rb").read())
for p in range(1, len(data) + 1, 2):
    data[p - 1] = p % 256
open(sys.argv[2], "wb").write(data)
print(data[len(data) - 1 - (len(data) - 1) % 2])
print(time.perf_counter() - start)
PY
cat >"$work/search.py" <<'PY'
import sys, time
data = open(sys.argv[1], "rb").read()
start = time.perf_counter()
n = 0
at = data.find(b"QRMHIT")
while at >= 0:
    n += 1
    at = data.find(b"QRMHIT", at + 1)
print(n)
print(time.perf_counter() - start)
PY
cat >"$work/print.py" <<'PY'
import sys, time
start = time.perf_counter()
for i in range(1, 100001):
    print("line", i)
sys.stdout.flush()
print(time.perf_counter() - start)
PY

# --- Qorm20's settings: the output and watch windows open, three watches ----
settings() {
  local key='Qorm%20-%20Tessaline%20v2.0'
  printf '[Software]\n'
  printf '%s\\WINDOWS\\Output=1\n%s\\WINDOWS\\Watches=1\n' "$key" "$key"
  printf '%s\\CURRENT_WATCHES\\WATCH_%d=%s\n' "$key" 1 I "$key" 2 S "$key" 3 P
}

data_of() { case $1 in search) echo "$work/hits" ;; *) echo "$work/data" ;; esac; }

# Runs one script in Qorm20 as a user does (Qorm20 DATA /S SCRIPT) and prints
# the result file: the value and the seconds. Every run gets fresh settings,
# program and temporary folders (a run ended by Bye leaves its working copy,
# which the next start would offer) and a fresh copy of the script (a run
# saves its script first).
run_qorm() {  # name
  local run="$work/qorm"
  rm -rf "$run" "$work/result"
  mkdir -p "$run/registry" "$run/home" "$run/tmp"
  settings >"$run/registry/HKEY_CURRENT_USER.ini"
  cp "$(data_of "$1")" "$run/data.bin"
  cp "$work/$1.qorm" "$run/script.txt"
  QT_QPA_PLATFORM=offscreen QORM_REGISTRY_DIR="$run/registry" QORM20_HOME="$run/home" TMPDIR="$run/tmp" \
    timeout 600 "$qorm" "$run/data.bin" /S "$run/script.txt" </dev/null >/dev/null 2>&1 || true
  cat "$work/result" 2>/dev/null || echo "none none"
}
run_tlang() { "$tlangrun" "$@" </dev/null 2>/dev/null | tail -n 1; }
run_python() { python3 "$work/$1.py" "$(data_of "$1")" "$work/python-out" </dev/null | tail -n 1; }

runs=${BENCH_RUNS:-3}
best() {  # command...: the least of the seconds the runs print
  local i
  for ((i = 0; i < runs; i++)); do "$@"; done | awk '
    { t = $NF + 0; if (t < 0.0005) t = 0.0005; if (best == "" || t < best) best = t }
    END { printf "%.4f", best }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
per_second() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / t }'; }

# The host-call rows must do the work: their values match python3's.
check_value() {  # name
  local ours theirs
  ours=$(run_qorm "$1" | awk '{ print $1 }' | tr -d ' ')
  theirs=$(python3 "$work/$1.py" "$(data_of "$1")" "$work/python-out" | head -n 1)
  [ "$ours" = "$theirs" ] || { echo "$1: Qorm20 left $ours, python3 $theirs"; exit 1; }
}
for row in walk patch search; do check_value "$row"; done

printf '%-8s %9s %9s %7s %14s %7s\n' program Qorm20 tlangrun ratio "tlangrun-step" ratio
ratios=()
step_ratios=()
for program in loop collatz gosub; do
  ours=$(best run_qorm "$program")
  theirs=$(best run_tlang "$work/$program.tl")
  stepped=$(best run_tlang --step "$work/$program.tl")
  ratios+=("$(ratio "$ours" "$theirs")")
  step_ratios+=("$(ratio "$ours" "$stepped")")
  printf '%-8s %8ss %8ss %6sx %13ss %6sx\n' "$program" "$ours" "$theirs" "${ratios[-1]}" "$stepped" "${step_ratios[-1]}"
done
geomean() { printf '%s\n' "$@" | awk '{ s += log($1); n++ } END { printf "%.2f", exp(s / n) }'; }
echo "geometric mean: $(geomean "${ratios[@]}")x tlangrun, $(geomean "${step_ratios[@]}")x tlangrun --step"

printf '%-8s %9s %9s %7s %12s\n' work Qorm20 python3 ratio "calls/s"
host_row() {  # name calls
  local ours theirs
  ours=$(best run_qorm "$1")
  theirs=$(best run_python "$1")
  printf '%-8s %8ss %8ss %6sx %12s\n' "$1" "$ours" "$theirs" "$(ratio "$ours" "$theirs")" "$(per_second "$2" "$ours")"
}
host_row walk $((2 * size))
host_row patch "$size"
hits=$(python3 "$work/search.py" "$work/hits" | head -n 1)
host_row search $((hits + 1))

ours=$(best run_qorm print)
theirs=$(best run_tlang "$work/print.tl")
python=$(best run_python print)
printf 'print    %8ss  (tlangrun %ss, python3 %ss): 100000 lines into the output window\n' "$ours" "$theirs" "$python"
echo "targets: programs <= 1.50x tlangrun (geometric mean); walk and patch >= 1000000 calls/s, walk <= 1.50x python3; print <= 1 s"
