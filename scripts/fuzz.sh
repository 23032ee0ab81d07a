#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one
# briefly (FUZZ_SECONDS, default 20 s per target).  Exits non-zero when a
# target finds a crash, a leak or undefined behaviour.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/build-fuzz"
seconds=${FUZZ_SECONDS:-20}
cxx=${FUZZ_CXX:-clang++}
flags=(-std=c++20 -O1 -g -Wall -Wextra -Werror -ffp-contract=off
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
mkdir -p "$out"

# The plot file reader of pltrender, with a seed corpus of small plot files.
name=pltrender_plotfile_fuzz
"$cxx" "${flags[@]}" -I"$top/pltrender" \
  "$top/pltrender/fuzz/plotfile_fuzz.cpp" "$top/pltrender/plotfile.cpp" "$top/pltrender/dump.cpp" \
  -o "$out/$name"
corpus="$out/$name.corpus"
mkdir -p "$corpus"
printf 'em\x90\x01\x40\x01d\xf0\x0a\x40\x01md\x00\xc8\x00t\x08\x00\x00\x00Amp\x00' >"$corpus/seed-example"
printf 'a\x01\x01\x03\x00\xde\x03\xee\x01\xf2\x03\xee\x01\xe8\x03\xff\x01\xde\x03\xee\x01' >"$corpus/seed-area"
printf 'ef\x02\x00c\x01\x01\xe8\x03\xf4\x01\x0a\x00' >"$corpus/seed-circle"
echo "fuzz: $name for ${seconds}s"
(cd "$out" && "./$name" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$corpus" \
  >"$out/$name.log" 2>&1) || { tail -40 "$out/$name.log"; echo "fuzz: $name FAILED"; exit 1; }
grep -E '^(stat::number_of_executed_units|Done)' "$out/$name.log" || true
echo "fuzz: $name passed"
