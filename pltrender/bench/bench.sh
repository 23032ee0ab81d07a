#!/usr/bin/env bash
# Benchmark of pltrender on the largest graph tracel draws: a 99,999-sample
# record (tools/genrecord) through tracel, then the plot file drawn to PNG
# at 150 dpi and to SVG; and on the worst case, a curve of 99,999 points
# that are all drawn (pltgen_curve).  Prints wall times (best and mean of
# RUNS runs), output sizes and the number of SVG path elements.
#   pltrender/bench/bench.sh BUILD_DIR [RUNS]
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
runs=${2:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/tools/genrecord" 99999 "$work/big.rec"
(cd "$work" && echo big.rec | "$build/tracel/tracel" >/dev/null)
echo "plot file: $(stat -c %s "$work/pltfil") bytes; $("$build/pltrender/pltdump" --summary "$work/pltfil" | grep -E '^d ' | sed 's/^d /draws: /')"

# Draws one plot file to PNG, SVG and PDF and reports.
render_all() {  # plotfile label
  local plt=$1 label=$2
  time_runs "$label: pltrender pltfil big.png (150 dpi, target < 500 ms)" \
    "$build/pltrender/pltrender" "$plt" "$work/big.png"
  time_runs "$label: pltrender pltfil big.svg" "$build/pltrender/pltrender" "$plt" "$work/big.svg"
  time_runs "$label: pltrender pltfil big.pdf" "$build/pltrender/pltrender" "$plt" "$work/big.pdf"
  echo "$label: sizes: png $(stat -c %s "$work/big.png") bytes, svg $(stat -c %s "$work/big.svg") bytes, pdf $(stat -c %s "$work/big.pdf") bytes"
  echo "$label: svg path elements: $(grep -o '<path' "$work/big.svg" | wc -l)"
}

time_runs() {  # label command...
  local label=$1 best= total=0 t0 t1 ms i
  shift
  "$@"  # warm-up
  for ((i = 0; i < runs; i++)); do
    t0=$(date +%s%N)
    "$@"
    t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 1000000 ))
    total=$((total + ms))
    [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
  done
  echo "$label: best ${best} ms, mean $((total / runs)) ms over $runs runs"
}

render_all "$work/pltfil" "tracel graph"
if [ -x "$build/pltrender/bench/pltgen_curve" ]; then
  "$build/pltrender/bench/pltgen_curve" 99999 "$work/curve.plt"
  echo "dense curve: $(stat -c %s "$work/curve.plt") bytes, 99,998 draws"
  render_all "$work/curve.plt" "dense curve"
fi
