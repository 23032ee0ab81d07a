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

# The speed targets, each measured side by side in one hyperfine run:
#   1. a real record to PNG (tracel + pltrender) at least 6x faster than
#      gnuplot's pngcairo terminal drawing the same samples, at the same
#      image size, from a two-column text file;
#   2. pltrender's PNG within 2x of its SVG of the same plot file.
# The record: the example seismogram's 12,684 samples repeated to 99,999.
real_record() {  # source target
  awk -v n=99999 '
    NR <= 3 { print; next }
    NR == 4 { dt = substr($0, 21, 15); next }
    { for (c = 1; c + 15 <= length($0); c += 16) s[m++] = substr($0, c, 16) }
    END {
      printf "%15.5f%5d%15s\n", 0, n, dt
      for (i = 0; i < n; i++) { printf "%s", s[i % m]; if (i % 5 == 4 || i == n - 1) printf "\n" }
    }' "$1" >"$2"
}
# Time and amplitude of every sample, one pair a line, as gnuplot reads them.
two_columns() {  # record target
  awk 'NR == 4 { dt = substr($0, 21, 15) + 0 }
       NR > 4 { for (c = 1; c + 15 <= length($0); c += 16) printf "%.5f %s\n", (i++) * dt, substr($0, c, 16) + 0 }' \
    "$1" >"$2"
}
# Mean wall time, and mean user + system time, in ms of row N of a
# hyperfine CSV export (on a loaded machine the CPU times are the steadier).
mean_ms() { awk -F, -v row="$2" 'NR == row + 1 { printf "%.2f", $2 * 1000 }' "$1"; }
cpu_ms() { awk -F, -v row="$2" 'NR == row + 1 { printf "%.2f", ($5 + $6) * 1000 }' "$1"; }

if command -v hyperfine >/dev/null && command -v gnuplot >/dev/null; then
  top=$(cd "$(dirname "$0")/../.." && pwd)
  real_record "$top/examples/II.TLY.BHZ.rec" "$work/real.rec"
  two_columns "$work/real.rec" "$work/real.txt"
  (cd "$work" && echo real.rec | "$build/tracel/tracel" >/dev/null && cp pltfil real.plt)
  "$build/pltrender/pltrender" "$work/real.plt" "$work/real.png"
  size=$(od -An -tu1 -j16 -N8 "$work/real.png" | awk '{ printf "%d,%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')
  printf "set terminal pngcairo size %s\nset output 'gnuplot.png'\nplot 'real.txt' using 1:2 with lines notitle\n" \
    "$size" >"$work/real.gp"
  echo "== targets: 99,999 real samples ($(wc -l <"$work/real.txt") lines of text for gnuplot), images $size pixels"
  echo "   plot file: $("$build/pltrender/pltdump" --summary "$work/real.plt" | grep -E '^d ' | sed 's/^d /draws: /')"
  (cd "$work" && hyperfine --style basic -N --warmup 3 --min-runs 20 --export-csv targets.csv \
    "gnuplot real.gp" \
    "sh -c 'echo real.rec | $build/tracel/tracel >/dev/null && $build/pltrender/pltrender pltfil real.png'" \
    "$build/pltrender/pltrender real.plt real.png" \
    "$build/pltrender/pltrender real.plt real.svg" >/dev/null)
  gp=$(mean_ms "$work/targets.csv" 1); ours=$(mean_ms "$work/targets.csv" 2)
  png=$(mean_ms "$work/targets.csv" 3); svg=$(mean_ms "$work/targets.csv" 4)
  report() {  # what gnuplot tracel+pltrender png svg
    awk -v what="$1" -v gp="$2" -v ours="$3" -v png="$4" -v svg="$5" 'BEGIN {
      printf "target 1 (%s): gnuplot pngcairo %.1f ms, tracel + pltrender PNG %.1f ms: %.1fx faster (target >= 6x) %s\n",
        what, gp, ours, gp / ours, (gp / ours >= 6) ? "MET" : "MISSED"
      printf "target 2 (%s): pltrender PNG %.1f ms, SVG %.1f ms: PNG/SVG = %.2f (target <= 2) %s\n",
        what, png, svg, png / svg, (png / svg <= 2) ? "MET" : "MISSED" }'
  }
  report "wall" "$gp" "$ours" "$png" "$svg"
  report "user+system" "$(cpu_ms "$work/targets.csv" 1)" "$(cpu_ms "$work/targets.csv" 2)" \
    "$(cpu_ms "$work/targets.csv" 3)" "$(cpu_ms "$work/targets.csv" 4)"
else
  echo "== targets skipped: hyperfine and gnuplot (gnuplot-nox) are needed"
fi
