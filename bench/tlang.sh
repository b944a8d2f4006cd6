#!/usr/bin/env bash
# The script interpreter (tlangrun) beside Debian's BASIC interpreters brandy
# and yabasic, on the same programs: a FOR loop of X = X + I * 2, nested loops
# over a 2-dimensional array, a sieve (WHILE, IF, array writes), Collatz
# sequences (WHILE, IF/ELSE, MOD, integer division), a GOSUB in a loop, a
# SWITCH in a loop, INSTR/LEN/MID, SQR/INT/ABS, text building (short texts
# appended; a short text put in front of a long one and around it; a long
# text grown one character at a time), a file read
# byte by byte with a call of a function that does nothing for each byte (a
# host function for tlangrun, a procedure for the peers), powers, logarithms
# and exponentials, trigonometric functions, and a bubble sort of array cells
# (nested loops that compare and swap cells, the inner limit an expression).
# Each program runs long enough that start-up is small beside it, and times
# are net of each interpreter's start-up (an empty program). tlangrun runs
# each program twice: in run mode, and in step mode (--step) as a host that
# hears of every line does; the step column gives the step-mode time and its
# ratio to run mode. Each row gives the run-mode ratio to the faster peer; the
# geometric mean of those ratios closes the table. Last, for tlangrun alone,
# 1,000,000 calls of a host function that does nothing.
# Targets: every program <= 1.5x the faster peer, the geometric mean <= 0.85x;
# step mode <= 1.3x run mode for every program; host-function calls >=
# 1,000,000 per second.
set -euo pipefail
: "${BENCH_BIN:?BENCH_BIN must name the folder of the built benchmarks}"
tlangrun="$BENCH_BIN/tlangrun"
[ -x "$tlangrun" ] || { echo "tlangrun not built in $BENCH_BIN"; exit 1; }

# The peers come from Debian's archive; one the archive lacks is left out.
peers=()
for peer in brandy yabasic; do
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
head -c 1000000 /dev/urandom >"$work/data"

# --- The programs, one file per interpreter -------------------------------
# Each program is written three times: .tl for tlangrun, .bas for brandy (BBC
# BASIC) and .yab for yabasic. @DATA@ stands for the path of the data file.
program() {  # name extension; the text on standard input
  sed "s|@DATA@|$work/data|g" >"$work/$1.$2"
}

program empty tl <<<'PRINT 0'
program empty bas <<<'PRINT 0'
program empty yab <<<'print 0'

program loop tl <<'TEXT'
NUMBER X, I
FOR I = 1 TO 4000000
X = X + I * 2
NEXT
PRINT X
TEXT
program loop bas <<'TEXT'
X=0
FOR I=1 TO 4000000
X=X+I*2
NEXT I
PRINT X
TEXT
program loop yab <<'TEXT'
x=0
for i=1 to 4000000
x=x+i*2
next i
print x
TEXT

program array tl <<'TEXT'
NUMBER I, J, S
NUMBER A(999, 999)
FOR I = 0 TO 999
FOR J = 0 TO 999
A(I, J) = I + J
NEXT
NEXT
FOR I = 0 TO 999
FOR J = 0 TO 999
S = S + A(I, J)
NEXT
NEXT
PRINT S
TEXT
program array bas <<'TEXT'
S=0
DIM A(999,999)
FOR I=0 TO 999
FOR J=0 TO 999
A(I,J)=I+J
NEXT J
NEXT I
FOR I=0 TO 999
FOR J=0 TO 999
S=S+A(I,J)
NEXT J
NEXT I
PRINT S
TEXT
program array yab <<'TEXT'
s=0
dim a(999,999)
for i=0 to 999
for j=0 to 999
a(i,j)=i+j
next j
next i
for i=0 to 999
for j=0 to 999
s=s+a(i,j)
next j
next i
print s
TEXT

program sieve tl <<'TEXT'
NUMBER N, I, J, C
NUMBER F(2000000)
N = 2000000
I = 2
WHILE I * I <= N
IF F(I) == 0 THEN
J = I * I
WHILE J <= N
F(J) = 1
J = J + I
WEND
ENDIF
I = I + 1
WEND
FOR I = 2 TO N
IF F(I) == 0 THEN C = C + 1
NEXT
PRINT C
TEXT
program sieve bas <<'TEXT'
N=2000000
DIM F(2000000)
I=2
C=0
WHILE I*I<=N
IF F(I)=0 THEN
J=I*I
WHILE J<=N
F(J)=1
J=J+I
ENDWHILE
ENDIF
I=I+1
ENDWHILE
FOR I=2 TO N
IF F(I)=0 THEN C=C+1
NEXT I
PRINT C
TEXT
program sieve yab <<'TEXT'
n=2000000
dim f(2000000)
i=2
c=0
while i*i<=n
if f(i)=0 then
j=i*i
while j<=n
f(j)=1
j=j+i
wend
endif
i=i+1
wend
for i=2 to n
if f(i)=0 then c=c+1 : endif
next i
print c
TEXT

program collatz tl <<'TEXT'
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
PRINT T
TEXT
program collatz bas <<'TEXT'
T=0
FOR I=1 TO 30000
N=I
S=0
WHILE N<>1
IF N MOD 2=0 THEN
N=N DIV 2
ELSE
N=3*N+1
ENDIF
S=S+1
ENDWHILE
T=T+S
NEXT I
PRINT T
TEXT
program collatz yab <<'TEXT'
t=0
for i=1 to 30000
n=i
s=0
while n<>1
if mod(n,2)=0 then
n=int(n/2)
else
n=3*n+1
endif
s=s+1
wend
t=t+s
next i
print t
TEXT

program gosub tl <<'TEXT'
NUMBER I, X
FOR I = 1 TO 4000000
GOSUB ADD
NEXT
PRINT X
END
:ADD
X = X + I
RETURN
TEXT
program gosub bas <<'TEXT'
X=0
FOR I=1 TO 4000000
GOSUB 100
NEXT I
PRINT X
END
100 X=X+I
RETURN
TEXT
program gosub yab <<'TEXT'
x=0
for i=1 to 4000000
gosub add
next i
print x
end
label add
x=x+i
return
TEXT

program switch tl <<'TEXT'
NUMBER I, X, K
FOR I = 1 TO 2000000
K = I MOD 4
SWITCH K
CASE 0
X = X + 1
CASE 1
X = X + 2
CASE 2
X = X + 3
DEFAULT
X = X + 4
ENDSWITCH
NEXT
PRINT X
TEXT
program switch bas <<'TEXT'
X=0
FOR I=1 TO 2000000
K=I MOD 4
CASE K OF
WHEN 0
X=X+1
WHEN 1
X=X+2
WHEN 2
X=X+3
OTHERWISE
X=X+4
ENDCASE
NEXT I
PRINT X
TEXT
program switch yab <<'TEXT'
x=0
for i=1 to 2000000
k=mod(i,4)
switch k
case 0
x=x+1
break
case 1
x=x+2
break
case 2
x=x+3
break
default
x=x+4
end switch
next i
print x
TEXT

program strings tl <<'TEXT'
NUMBER I, P, L
STRING S, T
S = "the quick brown fox jumps over the lazy dog"
FOR I = 1 TO 1200000
P = INSTR(S, "lazy")
L = LEN(S)
T = MID(S, P, 4)
NEXT
PRINT P; L; T
TEXT
program strings bas <<'TEXT'
S$="the quick brown fox jumps over the lazy dog"
FOR I=1 TO 1200000
P=INSTR(S$,"lazy")
L=LEN(S$)
T$=MID$(S$,P,4)
NEXT I
PRINT P;L;T$
TEXT
program strings yab <<'TEXT'
s$="the quick brown fox jumps over the lazy dog"
for i=1 to 1200000
p=instr(s$,"lazy")
l=len(s$)
t$=mid$(s$,p,4)
next i
print p,l,t$
TEXT

program maths tl <<'TEXT'
NUMBER I, X
FOR I = 1 TO 2000000
X = X + SQR(I) + INT(I / 3) + ABS(5 - I)
NEXT
PRINT X
TEXT
program maths bas <<'TEXT'
X=0
FOR I=1 TO 2000000
X=X+SQR(I)+INT(I/3)+ABS(5-I)
NEXT I
PRINT X
TEXT
program maths yab <<'TEXT'
x=0
for i=1 to 2000000
x=x+sqrt(i)+int(i/3)+abs(5-i)
next i
print x
TEXT

program concat tl <<'TEXT'
NUMBER I, J
STRING T
FOR I = 1 TO 40000
T = ""
FOR J = 1 TO 100
T = T + "ab"
NEXT
NEXT
PRINT LEN(T)
TEXT
program concat bas <<'TEXT'
FOR I=1 TO 40000
T$=""
FOR J=1 TO 100
T$=T$+"ab"
NEXT J
NEXT I
PRINT LEN(T$)
TEXT
program concat yab <<'TEXT'
for i=1 to 40000
t$=""
for j=1 to 100
t$=t$+"ab"
next j
next i
print len(t$)
TEXT

# A short text put in front of a long one, and around it, and a text grown
# one character at a time: each costs what it adds, not the text it keeps.
program prepend tl <<'TEXT'
NUMBER I, J
STRING S, T
T = "ab"
FOR I = 1 TO 20
S = ""
FOR J = 1 TO 30000
S = T + S
NEXT
NEXT
PRINT LEN(S)
TEXT
program prepend bas <<'TEXT'
T$="ab"
FOR I=1 TO 20
S$=""
FOR J=1 TO 30000
S$=T$+S$
NEXT J
NEXT I
PRINT LEN(S$)
TEXT
program prepend yab <<'TEXT'
t$="ab"
for i=1 to 20
s$=""
for j=1 to 30000
s$=t$+s$
next j
next i
print len(s$)
TEXT

program wrap tl <<'TEXT'
NUMBER I, J
STRING S, T
T = "ab"
FOR I = 1 TO 40
S = ""
FOR J = 1 TO 15000
S = T + S + T
NEXT
NEXT
PRINT LEN(S)
TEXT
program wrap bas <<'TEXT'
T$="ab"
FOR I=1 TO 40
S$=""
FOR J=1 TO 15000
S$=T$+S$+T$
NEXT J
NEXT I
PRINT LEN(S$)
TEXT
program wrap yab <<'TEXT'
t$="ab"
for i=1 to 40
s$=""
for j=1 to 15000
s$=t$+s$+t$
next j
next i
print len(s$)
TEXT

program append tl <<'TEXT'
NUMBER I, J
STRING S
FOR I = 1 TO 100
S = ""
FOR J = 1 TO 60000
S = S + "x"
NEXT
NEXT
PRINT LEN(S)
TEXT
program append bas <<'TEXT'
FOR I=1 TO 100
S$=""
FOR J=1 TO 60000
S$=S$+"x"
NEXT J
NEXT I
PRINT LEN(S$)
TEXT
program append yab <<'TEXT'
for i=1 to 100
s$=""
for j=1 to 60000
s$=s$+"x"
next j
next i
print len(s$)
TEXT

program file tl <<'TEXT'
NUMBER R, C, N
R = FOPEN(1, "@DATA@", "binary")
C = FGETC(1)
WHILE C >= 0
NOOP(C)
N = N + 1
C = FGETC(1)
WEND
R = FCLOSE(1)
PRINT N
TEXT
program file bas <<'TEXT'
N=0
F%=OPENIN("@DATA@")
WHILE NOT EOF#F%
C=BGET#F%
PROCnoop(C)
N=N+1
ENDWHILE
CLOSE#F%
PRINT N
END
DEF PROCnoop(C)
ENDPROC
TEXT
program file yab <<'TEXT'
n=0
open #1,"@DATA@","rb"
c=peek(#1)
while c>=0
noop(c)
n=n+1
c=peek(#1)
wend
close #1
print n
sub noop(c)
end sub
TEXT

program powers tl <<'TEXT'
NUMBER I, X
FOR I = 1 TO 3000000
X = X + I ^ 2 + (I / 1000) ^ 1.5 + 2 ^ (I MOD 16)
NEXT
PRINT X
TEXT
program powers bas <<'TEXT'
X=0
FOR I=1 TO 3000000
X=X+I^2+(I/1000)^1.5+2^(I MOD 16)
NEXT I
PRINT X
TEXT
program powers yab <<'TEXT'
x=0
for i=1 to 3000000
x=x+i^2+(i/1000)^1.5+2^mod(i,16)
next i
print x
TEXT

# LOG is the natural logarithm (brandy's LN, yabasic's log).
program logs tl <<'TEXT'
NUMBER I, X
FOR I = 1 TO 3000000
X = X + LOG(I) + LOG10(I) + EXP(I / 3000000)
NEXT
PRINT X
TEXT
program logs bas <<'TEXT'
X=0
FOR I=1 TO 3000000
X=X+LN(I)+LOG(I)+EXP(I/3000000)
NEXT I
PRINT X
TEXT
program logs yab <<'TEXT'
x=0
for i=1 to 3000000
x=x+log(i)+log(i,10)+exp(i/3000000)
next i
print x
TEXT

# The same calls on the same arguments; tlangrun's angles are degrees, the
# peers' radians.
program trig tl <<'TEXT'
NUMBER I, X
FOR I = 1 TO 3000000
X = X + SIN(I) * COS(I) + ATN(I / 1000)
NEXT
PRINT X
TEXT
program trig bas <<'TEXT'
X=0
FOR I=1 TO 3000000
X=X+SIN(I)*COS(I)+ATN(I/1000)
NEXT I
PRINT X
TEXT
program trig yab <<'TEXT'
x=0
for i=1 to 3000000
x=x+sin(i)*cos(i)+atan(i/1000)
next i
print x
TEXT

program sort tl <<'TEXT'
NUMBER I, J, T, N, S
NUMBER A(3000)
N = 3000
S = 12345
FOR I = 1 TO N
S = (S * 1103 + 12345) MOD 65536
A(I) = S
NEXT
FOR I = 1 TO N - 1
FOR J = 1 TO N - I
IF A(J) > A(J + 1) THEN
T = A(J)
A(J) = A(J + 1)
A(J + 1) = T
ENDIF
NEXT
NEXT
PRINT A(1); " "; A(N)
TEXT
program sort bas <<'TEXT'
N=3000
DIM A(3000)
S=12345
FOR I=1 TO N
S=(S*1103+12345) MOD 65536
A(I)=S
NEXT I
FOR I=1 TO N-1
FOR J=1 TO N-I
IF A(J)>A(J+1) THEN
T=A(J)
A(J)=A(J+1)
A(J+1)=T
ENDIF
NEXT J
NEXT I
PRINT A(1);" ";A(N)
TEXT
program sort yab <<'TEXT'
n=3000
dim a(3000)
s=12345
for i=1 to n
s=mod(s*1103+12345,65536)
a(i)=s
next i
for i=1 to n-1
for j=1 to n-i
if a(j)>a(j+1) then
t=a(j)
a(j)=a(j+1)
a(j+1)=t
endif
next j
next i
print a(1)," ",a(n)
TEXT

program calls tl <<'TEXT'
NUMBER I
FOR I = 1 TO 1000000
NOOP()
NEXT
PRINT I
TEXT
program calls-empty tl <<'TEXT'
NUMBER I
FOR I = 1 TO 1000000
NEXT
PRINT I
TEXT

# --- Timing ------------------------------------------------------------------
# Wall seconds of the fastest of BENCH_RUNS (default 3) runs of a command. Each
# program runs for a good part of a second in the peers, so the variation of
# a start-up (tens of milliseconds for brandy) is small beside it.
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

run_program() {  # interpreter program -> seconds
  case $1 in
    tlangrun) best_of_runs "$tlangrun" --noop-function "$work/$2.tl" ;;
    tlangrun-step) best_of_runs "$tlangrun" --noop-function --step "$work/$2.tl" ;;
    brandy) best_of_runs brandy -quit "$work/$2.bas" ;;
    yabasic) best_of_runs yabasic "$work/$2.yab" ;;
  esac
}

net() { awk -v t="$1" -v s="$2" 'BEGIN { d = t - s; if (d < 0.0005) d = 0.0005; printf "%.4f", d }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

declare -A startup
for interpreter in tlangrun tlangrun-step "${peers[@]}"; do
  startup[$interpreter]=$(run_program "$interpreter" empty)
done

printf '%-8s %10s %10s %8s' program tlangrun step "vs run"
for peer in "${peers[@]}"; do printf ' %10s %8s' "$peer" "ratio"; done
printf ' %8s\n' "vs best"
ratios=()
step_ratios=()
for program in loop array sieve collatz gosub switch strings maths concat prepend wrap append file powers logs trig sort; do
  ours=$(net "$(run_program tlangrun "$program")" "${startup[tlangrun]}")
  stepped=$(net "$(run_program tlangrun-step "$program")" "${startup[tlangrun-step]}")
  step_ratios+=("$(ratio "$stepped" "$ours")")
  printf '%-8s %9ss %9ss %7sx' "$program" "$ours" "$stepped" "${step_ratios[-1]}"
  best=""
  for peer in "${peers[@]}"; do
    theirs=$(net "$(run_program "$peer" "$program")" "${startup[$peer]}")
    printf ' %9ss %7sx' "$theirs" "$(ratio "$ours" "$theirs")"
    if [ -z "$best" ] || awk -v a="$theirs" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$theirs; fi
  done
  if [ -n "$best" ]; then
    ratios+=("$(ratio "$ours" "$best")")
    printf ' %7sx' "${ratios[-1]}"
  fi
  printf '\n'
done
if [ ${#ratios[@]} -gt 0 ]; then
  printf '%s\n' "${ratios[@]}" | awk '{ s += log($1); n++ } END { printf "geometric mean of the ratios to the faster peer: %.2fx\n", exp(s / n) }'
fi
printf '%s\n' "${step_ratios[@]}" | awk '$1 > m { m = $1 } END { printf "step mode: at most %.2fx run mode\n", m }'

# Host-function calls: the loop with calls beside the same loop without them.
with_calls=$(best_of_runs "$tlangrun" --noop-function "$work/calls.tl")
without_calls=$(best_of_runs "$tlangrun" "$work/calls-empty.tl")
awk -v w="$with_calls" -v e="$without_calls" 'BEGIN {
  printf "host calls: 1000000 in %.4fs with the loop (%.0f per second), %.4fs net of the loop (%.0f per second)\n",
    w, 1e6 / w, (w - e > 0.0005 ? w - e : 0.0005), 1e6 / (w - e > 0.0005 ? w - e : 0.0005) }'
echo "targets: every program <= 1.50x the faster peer, geometric mean <= 0.85x; step mode <= 1.30x run mode; host calls >= 1000000 per second"
