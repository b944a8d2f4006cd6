# Sourced by the benchmark runners: runs a benchmark program on the input it
# first makes with --make in a temporary folder, which goes when the runner ends.
#   run_on_made_input PROGRAM INPUT ROUNDS
# INPUT is the input's name inside that folder; "." is the folder itself.
: "${BENCH_BIN:?BENCH_BIN must name the folder of the built benchmarks}"

run_on_made_input() {
  local program="$BENCH_BIN/$1" input
  bench_work=$(mktemp -d)
  trap 'rm -rf "$bench_work"' EXIT
  input=$bench_work
  [ "$2" = . ] || input="$bench_work/$2"
  "$program" --make "$input"
  LC_ALL=C "$program" "$input" "$3"
}
