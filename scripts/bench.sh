#!/usr/bin/env bash
# Benchmarks, run by `make bench` as: scripts/bench.sh BUILD_DIR
# Each section times one thing and prints its figures; add new sections at
# the end.
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Mean, min and max wall time in ms of N runs of a shell command, measured
# with date (used when hyperfine is not installed).
time_loop() {
  local runs=$1 cmd=$2 i t0 t1 total=0 min= max=0 ms
  for ((i = 0; i < 3; i++)); do bash -c "$cmd"; done  # warm-up
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    bash -c "$cmd"
    t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 1000 ))
    total=$((total + ms))
    [ -z "$min" ] || [ "$ms" -lt "$min" ] && min=$ms
    [ "$ms" -gt "$max" ] && max=$ms
  done
  awk -v t="$total" -v n="$runs" -v lo="$min" -v hi="$max" \
    'BEGIN { printf "  mean %.2f ms, min %.2f ms, max %.2f ms over %d runs (date loop, includes bash start)\n", t / n / 1000, lo / 1000, hi / 1000, n }'
}

# Times a shell command run in $work: hyperfine when installed, else a loop.
bench() {
  local name=$1 cmd=$2
  echo "== $name"
  if command -v hyperfine >/dev/null; then
    (cd "$work" && hyperfine --style basic --warmup 5 --min-runs 50 "$cmd")
  else
    (cd "$work" && time_loop 50 "$cmd")
  fi
}

# tracel end to end on the largest record the format holds: process start,
# prompt, reading 99,999 samples, the whole graph written to pltfil.
"$build/tools/genrecord" 99999 "$work/big.rec"
echo big.rec > "$work/name.txt"
bench "tracel, 99,999-sample record (target < 40 ms)" \
  "'$build/tracel/tracel' < name.txt > /dev/null"
