#!/usr/bin/env bash
# Benchmarks, run by `make bench` as: scripts/bench.sh BUILD_DIR
# Each section times one thing and prints its figures; add new sections at
# the end.
set -euo pipefail
build=$(cd "${1:-build-bench}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wall clock in microseconds: bash's own clock when it has one (no
# process start inside the measurement), else date.
now_us() {
  if [ -n "${EPOCHREALTIME:-}" ]; then
    local t=${EPOCHREALTIME/[.,]/}
    echo $((10#$t))
  else
    echo $(($(date +%s%N) / 1000))
  fi
}

# Mean, min and max wall time in ms of N runs of a shell command (used when
# hyperfine is not installed).
time_loop() {
  local runs=$1 cmd=$2 i t0 t1 total=0 min= max=0 us
  for ((i = 0; i < 3; i++)); do eval "$cmd"; done  # warm-up
  for ((i = 0; i < runs; i++)); do
    t0=$(now_us)
    eval "$cmd"
    t1=$(now_us)
    us=$((t1 - t0))
    total=$((total + us))
    if [ -z "$min" ] || [ "$us" -lt "$min" ]; then min=$us; fi
    if [ "$us" -gt "$max" ]; then max=$us; fi
  done
  awk -v t="$total" -v n="$runs" -v lo="$min" -v hi="$max" \
    'BEGIN { printf "  mean %.2f ms, min %.2f ms, max %.2f ms over %d runs (timed loop)\n", t / n / 1000, lo / 1000, hi / 1000, n }'
}

# Times a shell command run in $work: hyperfine when installed (and
# BENCH_NO_HYPERFINE is unset), else a loop.
bench() {
  local name=$1 cmd=$2
  echo "== $name"
  if [ -z "${BENCH_NO_HYPERFINE:-}" ] && command -v hyperfine >/dev/null; then
    (cd "$work" && hyperfine --style basic --warmup 5 --min-runs 50 "$cmd")
  else
    (cd "$work" && time_loop 50 "$cmd")
  fi
}

# Width and height of a PNG file, from its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'; }

# tracel end to end on the largest record the format holds: process start,
# prompt, reading 99,999 samples, the whole graph written to pltfil.
"$build/tools/genrecord" 99999 "$work/big.rec"
echo big.rec > "$work/name.txt"
bench "tracel, 99,999-sample record (target < 40 ms)" \
  "'$build/tracel/tracel' < name.txt > /dev/null"

# tracel against cat reading the same record, side by side: reading and
# plotting the samples should cost little more than reading the file.  Both
# are started directly (no shell: for commands of a few milliseconds the
# shell's start-up, which hyperfine subtracts, is too uncertain) and run one
# after the other in every iteration, so that both meet the machine's
# changing speed alike; each repetition gives a ratio, and the median of the
# repetitions is the figure.
echo "== tracel against cat, 99,999-sample record (target: median ratio <= 3)"
"$build/tracel/bench/tracel_bench" --benchmark_filter=AgainstCat --benchmark_min_time=1 \
  --benchmark_repetitions="${BENCH_ROUNDS:-7}" 2>&1 | grep -E '^BM_TracelAgainstCat/real_time(_median)? '

# tracel's whole run and read_record alone, with Google Benchmark.
"$build/tracel/bench/tracel_bench" --benchmark_filter=LargestRecord --benchmark_min_time=1

# The data curve alone: points per second through the plot file stream.
echo "== zarvo data curve (target >= 20 million points per second, solid)"
"$build/zarvo/bench/zarvo_curve_bench" --benchmark_min_time=0.5

# pltrender on the 99,999-sample graph and on a curve drawn point by point.
echo "== pltrender"
"$(dirname "$0")/../pltrender/bench/bench.sh" "$build"

# seisfig, one command from a 99,999-sample Steim-2 miniSEED file to PNG,
# timed in the same run beside gnuplot's pngcairo terminal drawing the same
# samples, as a two-column text file, at the same pixel size.
echo "== seisfig vs gnuplot pngcairo: 99,999-sample Steim-2 miniSEED to PNG (aim: >= 6 times faster)"
"$build/tools/gensac" 99999 "$work/fig.sac"
sac2mseed -e 11 -s 1 -o "$work/fig.mseed" "$work/fig.sac" >/dev/null 2>&1
(cd "$work" && "$build/seis2rec/seis2rec" fig.mseed -o fig.rec >/dev/null)
awk 'NR == 4 { dt = substr($0, 21, 15) + 0 } NR > 4 { for (i = 1; i <= NF; i++) print (n++) * dt, $i }' \
  "$work/fig.rec" >"$work/fig.txt"
"$build/seisfig/seisfig" "$work/fig.mseed" -o "$work/fig.png"
read -r width height < <(png_size "$work/fig.png")
seisfig_cmd="'$build/seisfig/seisfig' fig.mseed -o fig.png"
gnuplot_cmd="gnuplot -e \"set terminal pngcairo size $width,$height; set output 'gnu.png'; plot 'fig.txt' with lines\""
echo "  both draw $width x $height pixels"
if [ -z "${BENCH_NO_HYPERFINE:-}" ] && command -v hyperfine >/dev/null; then
  (cd "$work" && hyperfine --style basic --warmup 3 --min-runs 20 --export-json cmp.json "$seisfig_cmd" "$gnuplot_cmd")
  means=$(grep -o '"mean": *[0-9.e+-]*' "$work/cmp.json" | awk '{ printf "%s ", $2 }')
else
  mean_s() {  # mean wall time in seconds of 20 runs
    local i t0 t1 total=0
    for ((i = 0; i < 20; i++)); do t0=$(now_us); (cd "$work" && eval "$1"); t1=$(now_us); total=$((total + t1 - t0)); done
    awk -v t="$total" 'BEGIN { printf "%.6f", t / 20 / 1e6 }'
  }
  means="$(mean_s "$seisfig_cmd") $(mean_s "$gnuplot_cmd")"
fi
awk -v m="$means" 'BEGIN { split(m, t, " "); printf "  seisfig %.1f ms, gnuplot %.1f ms: seisfig %.1f times faster\n", t[1] * 1000, t[2] * 1000, t[2] / t[1] }'

# Processing: a day of 100 Hz data (8,640,000 samples) band-passed with 4
# corners, zero-phase: the library alone (Google Benchmark, in process),
# against seisfig drawing as many samples, raw and with that filter (the
# fastest of alternate runs, so both meet the machine's changing speed
# alike).  A filtered trace wiggles more than the raw synthetic one and
# costs more to draw, so the filter is set against the filtered figure.
echo "== processing: 8,640,000 samples, band-pass, 4 corners, zero-phase (aim: a fraction of drawing them)"
"$build/processing/bench/processing_bench" --benchmark_min_time=1 | tee "$work/filter.txt"
filter_ms=$(awk '/^BM_DayBandpassZerophase/ { print $2 }' "$work/filter.txt")
"$build/tools/gensac" 8640000 "$work/day.sac"
raw_best= filtered_best=
for ((i = 0; i < ${BENCH_ROUNDS:-7}; i++)); do
  t0=$(now_us); "$build/seisfig/seisfig" "$work/day.sac" -o "$work/day.png"; t1=$(now_us)
  "$build/seisfig/seisfig" "$work/day.sac" --bandpass 0.5,5 --zerophase -o "$work/day.png"; t2=$(now_us)
  if [ -z "$raw_best" ] || [ $((t1 - t0)) -lt "$raw_best" ]; then raw_best=$((t1 - t0)); fi
  if [ -z "$filtered_best" ] || [ $((t2 - t1)) -lt "$filtered_best" ]; then filtered_best=$((t2 - t1)); fi
done
awk -v r="$raw_best" -v f="$filtered_best" -v p="$filter_ms" 'BEGIN {
  printf "  seisfig: raw %.0f ms, with --bandpass 0.5,5 --zerophase %.0f ms; the filter alone %.0f ms, %.0f %% of the filtered figure\n",
    r / 1000, f / 1000, p, 100 * p * 1000 / f }'

# modtt: a table of six phases at 181 distances, through the bundled PREM
# and through layergen's modout (with the reflections from its step).
cp "$(dirname "$0")/../layergen/prem32.mod" "$work/"
(cd "$work" && "$build/layergen/layergen")
bench "modtt, P,S,PcP,ScS,PKP,SKS at 0:180:1 through PREM (target: well under 1 s)" \
  "'$build/modtt/modtt' prem32.mod --phases P,S,PcP,ScS,PKP,SKS --distances 0:180:1 > /dev/null"
bench "modtt, P,S,PcP,ScS,PdP,SdS at 0:180:1 through modout (target: well under 1 s)" \
  "'$build/modtt/modtt' modout --phases P,S,PcP,ScS,PdP,SdS --distances 0:180:1 > /dev/null"

# seissection, a record section of 200 SAC traces of 36,000 samples each
# (gensection: 30 to 100 degrees, pulses at PREM's P, PcP, S and ScS) to
# PNG, beside a plain matplotlib script (Debian's python3-matplotlib, Agg)
# drawing the same traces offset by distance on one axes at the same pixel
# size.  The two alternate, a few rounds each (matplotlib takes seconds);
# the ratios of the mean wall and user+system times are the figures.
echo "== seissection vs matplotlib Agg: 200 traces x 36,000 samples to PNG (aim: >= 10 times faster)"
mkdir -p "$work/section"
"$build/tools/gensection" --model "$(dirname "$0")/../layergen/prem32.mod" --phases P,PcP,S,ScS \
  200 36000 30,100 "$work/section"
"$build/seissection/seissection" "$work"/section/*.sac -o "$work/section.png"
read -r width height < <(png_size "$work/section.png")
echo "  both draw $width x $height pixels"
section_cmd=("$build/seissection/seissection" "$work"/section/*.sac -o "$work/section.png")
mpl_cmd=(/usr/bin/python3 "$(dirname "$0")/../seissection/bench/matplotlib_section.py" "$width" "$height"
  "$work/mpl.png" "$work"/section/*.sac)
: >"$work/section-times.txt"
for ((round = 0; round < ${BENCH_SECTION_ROUNDS:-3}; round++)); do
  /usr/bin/time -f "seissection %e %U %S" -a -o "$work/section-times.txt" "${section_cmd[@]}"
  /usr/bin/time -f "matplotlib %e %U %S" -a -o "$work/section-times.txt" "${mpl_cmd[@]}"
done
awk '{ wall[$1] += $2; cpu[$1] += $3 + $4; n[$1]++ }
  END { printf "  seissection %.2f s wall, %.2f s cpu; matplotlib %.2f s wall, %.2f s cpu (means of %d)\n",
          wall["seissection"] / n["seissection"], cpu["seissection"] / n["seissection"],
          wall["matplotlib"] / n["matplotlib"], cpu["matplotlib"] / n["matplotlib"], n["seissection"]
        printf "  seissection %.1f times faster (wall), %.1f times (cpu)\n",
          wall["matplotlib"] / wall["seissection"], cpu["matplotlib"] / cpu["seissection"] }' "$work/section-times.txt"

# seisday and seisfig against matplotlib (Agg), the same samples at the
# same pixel size, timed alternately in every round (the machine's load
# changes meet both alike); the median of the rounds' ratios is the figure.
# matplotlib runs under Debian's python3 (python3-matplotlib).
py=/usr/bin/python3
[ -x "$py" ] || py=python3
# Median wall times (ms) of A and B and the median of B / A over ROUNDS rounds.
side_by_side() {  # label rounds cmd_a cmd_b
  local label=$1 rounds=$2 a=$3 b=$4 i t0 t1 t2 rows=""
  (cd "$work" && eval "$a" && eval "$b")  # warm-up
  for ((i = 0; i < rounds; i++)); do
    t0=$(now_us); (cd "$work" && eval "$a"); t1=$(now_us); (cd "$work" && eval "$b"); t2=$(now_us)
    rows+="$((t1 - t0)) $((t2 - t1))"$'\n'
  done
  printf '%s' "$rows" | awk -v label="$label" '
    { a[NR] = $1; b[NR] = $2; r[NR] = $2 / $1 }
    function median(v, n,   i, j, t) {
      for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    END { printf "  %s: ours %.0f ms, matplotlib %.0f ms (medians of %d rounds): median ratio %.1f\n",
          label, median(a, NR) / 1000, median(b, NR) / 1000, NR, median(r, NR) }'
}

echo "== seisday vs matplotlib: a 100 Hz day (8.64 million samples) from an SDS archive to PNG (target: >= 15 times faster)"
"$build/tools/gensds" "$work/sds" XX.BENCH..HHZ 2024-12-31T23:50:00 87000 100
"$build/dayplot/bench/sdsraw" "$work/sds" XX.BENCH..HHZ 2025-001 2025-002 "$work/day.f32"
day_cmd="'$build/seisday/seisday' --sds sds --select XX.BENCH..HHZ --day 2025-001 -o sds-day.png"
(cd "$work" && eval "$day_cmd")
read -r width height < <(png_size "$work/sds-day.png")
echo "  both draw 96 lines of 15 minutes on $width x $height pixels"
side_by_side "seisday" "${BENCH_ROUNDS:-7}" "$day_cmd" \
  "'$py' '$(cd "$(dirname "$0")/.." && pwd)/dayplot/bench/mpl_dayplot.py' day.f32 100 $width $height mpl-day.png"

echo "== seisfig vs matplotlib: 1 million samples (SAC) to PNG (target: >= 15 times faster)"
"$build/tools/gensac" 1000000 "$work/million.sac"
fig_cmd="'$build/seisfig/seisfig' million.sac -o million.png"
(cd "$work" && eval "$fig_cmd")
read -r width height < <(png_size "$work/million.png")
echo "  both draw $width x $height pixels"
side_by_side "seisfig" "${BENCH_ROUNDS:-7}" "$fig_cmd" \
  "'$py' '$(cd "$(dirname "$0")/.." && pwd)/seisfig/bench/mpl_curve.py' million.sac $width $height mpl-million.png"

# seisqc on a network-day: 50 channels at 100 Hz (archive generated first,
# outside the timing), with one thread and with two; then what that rate
# means for 1,000 channel-days over a 100-task Slurm array.
echo "== seisqc, 50 channels x 1 day at 100 Hz: channel-days per minute (aim: --jobs 2 close to twice --jobs 1)"
seq -f 'QC.S%02g.00.HHZ' 1 50 | xargs -P "$(nproc)" -I{} "$build/tools/gensds" "$work/qcsds" {} 2024-02-29 86400 100
qc_seconds() {  # wall seconds of one seisqc run over the archive with --jobs $1
  local t0 t1
  rm -rf "$work/qc"
  t0=$(now_us)
  "$build/seisqc/seisqc" --sds "$work/qcsds" --day 2024-02-29 -o "$work/qc" --jobs "$1" >/dev/null
  t1=$(now_us)
  awk -v us=$((t1 - t0)) 'BEGIN { printf "%.3f", us / 1e6 }'
}
qc1=$(qc_seconds 1)
qc2=$(qc_seconds 2)
awk -v a="$qc1" -v b="$qc2" 'BEGIN {
  r1 = 50 / a * 60; r2 = 50 / b * 60
  printf "  --jobs 1: %.1f s, %.1f channel-days per minute\n", a, r1
  printf "  --jobs 2: %.1f s, %.1f channel-days per minute (%.2f times --jobs 1)\n", b, r2, r2 / r1
  printf "  1,000 channel-days over a 100-task Slurm array (10 per task, 2 cores each as here):\n"
  printf "    %.1f s per task; about %.1f s for the array when its 100 tasks run at once\n", 10 / r2 * 60, 10 / r2 * 60
}'
