#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, ASan+UBSan) and runs each for a while from
# its seed corpus, failing on the first finding. The corpus each run grows is kept in
# build/fuzz/corpus/<target>; a finding's input is saved in build/fuzz/findings/.
#
#   scripts/fuzz.sh                          # every target for 30 s
#   scripts/fuzz.sh 3600 file_format         # one target for an hour
#   scripts/fuzz.sh 0 base64 -- -runs=10000000   # up to a number of inputs (0: no time limit)
#
# Arguments after -- go to libFuzzer (-jobs=N, -runs=N, -max_len=N, ...).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
(($#)) && shift
targets=()
while (($#)) && [[ $1 != -- ]]; do targets+=("$1"); shift; done
(($#)) && shift
# Every target by default: each has its seed corpus in fuzz/corpus/<target>.
((${#targets[@]})) || mapfile -t targets < <(ls fuzz/corpus)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz
mkdir -p "$build/findings"
failed=()
for name in "${targets[@]}"; do
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  cp -n fuzz/corpus/"$name"/* "$corpus"/
  options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build/findings/$name-")
  [[ -f fuzz/$name.dict ]] && options+=(-dict="fuzz/$name.dict")
  echo "== fuzz $name (${seconds}s)"
  log="$build/fuzz-$name.log"
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/bin/fuzz_$name" "${options[@]}" "$@" "$corpus" >"$log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$log" | tr '\n' ' '
    echo
  else
    tail -n 40 "$log"
    failed+=("$name")
  fi
done
if ((${#failed[@]})); then
  echo "fuzz findings in: ${failed[*]} (inputs in $build/findings/)"
  exit 1
fi
