#!/usr/bin/env bash
# Runs each fuzz target for FUZZ_SECONDS seconds (default 60) under ASan and
# UBSan (FUZZ_TARGETS names which, all by default), from the seeds in
# tests/data (see tests/data/fuzz/README.md). Fails when a target finds a
# fault, and says where libFuzzer saved the input: keep it in
# tests/data/fuzz/regressions/<target>/, where `make test` replays it.
# What each run reached (executions, cov and ft) is printed.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
bin=build/fuzz/bin
work=build/fuzz/run
data=tests/data
status=0
for target in ${FUZZ_TARGETS:-fuzz_extract fuzz_roundtrip fuzz_ini fuzz_place}; do
  corpus=$work/corpus/$target
  findings=$work/findings/$target
  mkdir -p "$corpus" "$findings"
  case $target in
    # Inputs kept small: mutating the corpus' largest archives (770 KB) would
    # cost most of the run's executions.
    fuzz_extract) seeds=(-dict=fuzz/lha.dict -max_len=65536 "$data/lha-corpus" "$data/jlha" "$data/golden"
                         "$data/fuzz/crafted") ;;
    fuzz_roundtrip) seeds=(-max_len=16384 "$data/golden" "$data/jlha/expected") ;;
    fuzz_ini) seeds=("$data/fuzz/seeds/fuzz_ini") ;;
    fuzz_place) seeds=(-dict=fuzz/lha.dict "$data/fuzz/seeds/fuzz_place") ;;
  esac
  dicts=(); dirs=()
  for s in "${seeds[@]}"; do [[ $s == -* ]] && dicts+=("$s") || dirs+=("$s"); done
  echo "== $target, $seconds s"
  before=$(ls "$findings" | wc -l)
  "$bin/$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 -artifact_prefix="$findings/" \
    ${FUZZ_ARGS:-} "${dicts[@]}" "$corpus" "${dirs[@]}" "$data/fuzz/regressions/$target" > "$work/$target.log" 2>&1
  code=$?
  grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|Done [0-9]+ runs|stat::(number_of_executed_units|peak_rss_mb)|==[0-9]+==ERROR|SUMMARY|fuzz_place:|artifact_prefix|Test unit written)' \
    "$work/$target.log" | sed 's/^/   /'
  if [ "$code" -ne 0 ] || [ "$(ls "$findings" | wc -l)" -ne "$before" ]; then
    status=1
    echo "   FAILED (exit $code); the whole log: $work/$target.log"
    for f in "$findings"/*; do
      [ -e "$f" ] || continue
      echo "   input saved: $f"
      echo "   keep it:     cp '$f' $data/fuzz/regressions/$target/"
    done
  fi
done
exit $status
