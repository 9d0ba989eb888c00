#!/usr/bin/env bash
# Runs each fuzz target for FUZZ_SECONDS seconds (default 60) under ASan and
# UBSan. fuzz_extract starts from the archives in tests/data and the header
# dictionary fuzz/lha.dict. What a target finds lands in
# build/fuzz/run/findings/<target>/; keep each finding as a regression case
# in tests/data/fuzz/.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
bin=build/fuzz/bin
work=build/fuzz/run
status=0
for target in fuzz_extract fuzz_roundtrip fuzz_ini; do
  corpus=$work/corpus/$target
  findings=$work/findings/$target
  mkdir -p "$corpus" "$findings"
  extra=()
  if [ "$target" = fuzz_extract ]; then
    extra=(-dict=fuzz/lha.dict "$corpus" tests/data/lha-corpus tests/data/jlha tests/data/golden)
    [ -d tests/data/fuzz ] && extra+=(tests/data/fuzz)
  else
    extra=("$corpus")
  fi
  echo "== $target, $seconds s"
  "$bin/$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" \
    ${FUZZ_ARGS:-} "${extra[@]}" 2>&1 | grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==|SUMMARY)' \
    || true
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  ls "$findings" | sed 's/^/   finding: /'
done
exit $status
