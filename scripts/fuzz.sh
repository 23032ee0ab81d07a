#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz (SEIS_FUZZ) and runs
# each one for FUZZ_SECONDS (default 30) from its seed corpus kept in the
# repository; new inputs go to build-fuzz/corpus/NAME, the seeds stay
# untouched.  FUZZ_ONLY=NAME runs one target.  Exits non-zero when a target
# finds a crash, a leak, a hang or undefined behaviour.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/build-fuzz"
seconds=${FUZZ_SECONDS:-30}
cmake -S "$top" -B "$out" -DCMAKE_BUILD_TYPE=Debug -DSEIS_FUZZ=ON -DSEIS_TESTS=OFF \
  -DCMAKE_C_COMPILER="${FUZZ_CC:-clang}" -DCMAKE_CXX_COMPILER="${FUZZ_CXX:-clang++}" >/dev/null
cmake --build "$out" -j "$(nproc)"

status=0
while read -r name seeds; do
  [ -n "$name" ] || continue
  [ -z "${FUZZ_ONLY:-}" ] || [ "$FUZZ_ONLY" = "$name" ] || continue
  exe=$(find "$out" -type f -name "$name" -perm -u+x | head -n 1)
  corpus="$out/corpus/$name"
  mkdir -p "$corpus"
  echo "fuzz: $name for ${seconds}s"
  if (cd "$out" && "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$corpus" "$seeds" >"$out/$name.log" 2>&1); then
    grep -E '^stat::number_of_executed_units' "$out/$name.log" || true
    echo "fuzz: $name passed"
  else
    tail -40 "$out/$name.log"
    echo "fuzz: $name FAILED"
    status=1
  fi
done <"$out/fuzzers.txt"
exit $status
