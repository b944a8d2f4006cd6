#!/usr/bin/env bash
# Writes the fuzz target's long seeds into the given folder: scripts too big
# to keep in the repository, at the sizes where the engine once failed
# (parentheses nested past the evaluator's limit, a sum of 200,000 terms,
# 100,000 declarations, as many blank lines). scripts/fuzz adds them to the
# seeds of tests/engine/fuzz-corpus and lets inputs grow to their size.
set -euo pipefail
out="$1"
mkdir -p "$out"

nested() {  # nested DEPTH OPEN INNER
  awk -v depth="$1" -v open="$2" -v inner="$3" 'BEGIN {
    for (i = 0; i < depth; i++) printf "%s", open
    printf "%s", inner
    for (i = 0; i < depth; i++) printf ")"
  }'
}

chain() {  # chain TERMS OPERAND OPERATOR
  awk -v terms="$1" -v operand="$2" -v op="$3" 'BEGIN {
    printf "%s", operand
    for (i = 1; i < terms; i++) printf "%s%s", op, operand
  }'
}

{
  echo "NUMBER X, D(3)"
  echo "D(1) = 1"
  echo "X = $(nested 1500 '(' 1)"
  echo "IF $(nested 1500 'ABS(' 1) THEN X = X + $(nested 300 'D(' 1)"
  echo "WHILE $(nested 9000 '(' 0)"
  echo "WEND"
  echo "PRINT X"
} >"$out/deep-parentheses.txt"

{
  echo "NUMBER X, I"
  echo "STRING S"
  echo "FOR I = 1 TO 2"
  echo "X = $(chain 200000 1 ' + ')"
  echo "IF $(chain 900 I ' * ') > 0 AND $(chain 900 1 ' OR ') THEN S = $(chain 3000 '"a"' ' + ')"
  echo "NEXT"
  echo "PRINT X; LEN(S)"
} >"$out/long-sum.txt"

{
  awk 'BEGIN { for (i = 0; i < 100000; i++) printf "NUMBER V%d\n", i }'
  echo "V7 = 2"
  echo "PRINT V7 + V99999"
  echo "PRINT 1 +"
} >"$out/declarations.txt"

{
  echo "NUMBER I"
  echo "FOR I = 1 TO 2"
  awk 'BEGIN { for (i = 0; i < 100000; i++) print "" }'
  echo "NEXT"
  echo "PRINT 1 +"
} >"$out/blank-lines.txt"
