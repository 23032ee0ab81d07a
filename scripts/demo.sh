#!/usr/bin/env bash
# Runs tracel on the bundled example record and layergen on the bundled
# PREM model, each in a scratch directory under demo-out/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
out="$top/demo-out"
rm -rf "$out"
mkdir -p "$out/tracel" "$out/layergen"

record=II.TLY.BHZ.rec
cp "$top/examples/$record" "$out/tracel/"
(cd "$out/tracel" && echo "$record" | "$build/tracel/tracel")
echo "tracel: plot file written to $out/tracel/pltfil ($(stat -c %s "$out/tracel/pltfil") bytes)"

# layergen: the bundled PREM model in, the two perturbed models out.
cp "$top/layergen/prem32.mod" "$out/layergen/"
(cd "$out/layergen" && "$build/layergen/layergen")
echo "layergen: models written to $out/layergen/modout and $out/layergen/modout2 ($(wc -l < "$out/layergen/modout") lines each)"

# mod2nd: the three models as .nd files for travel-time tools.
mkdir -p "$out/models"
for model in prem32.mod modout modout2; do
  "$build/mod2nd/mod2nd" "$out/layergen/$model" -o "$out/models/${model%.mod}.nd"
done
echo "mod2nd: $out/models/prem32.nd, modout.nd and modout2.nd"

# modtt: travel times through PREM and through modout, whose step 250 km
# above the core gives the reflections PdP and SdS.
"$build/modtt/modtt" "$out/layergen/prem32.mod" --phases P,S,PcP,ScS --distances 40:80:20 | tee "$out/modtt-prem.tsv"
"$build/modtt/modtt" "$out/layergen/modout" --phases P,S,PcP,ScS,PdP,SdS --distances 40:80:20 | tee "$out/modtt-modout.tsv"
echo "modtt: the tables above in $out/modtt-prem.tsv and $out/modtt-modout.tsv"

# modplot: the lowermost mantle of PREM against modout and modout2, and the
# whole of PREM (skipped when the renderer is not built).
if [ -x "$build/modplot/modplot" ]; then
  (cd "$out/models" &&
    "$build/modplot/modplot" ../layergen/prem32.mod ../layergen/modout ../layergen/modout2 \
      --zoom 2400,2891 --plotfile lowermost-mantle.plt -o "$out/lowermost-mantle.png" &&
    "$build/modplot/modplot" ../layergen/prem32.mod --plotfile prem.plt -o "$out/prem.png")
  echo "modplot: $out/lowermost-mantle.png (PREM, modout, modout2 from 2400 to 2891 km) and $out/prem.png"
else
  echo "modplot: not built; no model figures"
fi

# pltrender: the tracel plot as PNG and SVG (skipped when the renderer is
# not built).  Font files, when made with `make fonts`, are in $build/fonts.
if [ -x "$build/pltrender/pltrender" ]; then
  "$build/pltrender/pltrender" --fonts "$build/fonts" "$out/tracel/pltfil" "$out/tracel-demo.png"
  "$build/pltrender/pltrender" --fonts "$build/fonts" "$out/tracel/pltfil" "$out/tracel-demo.svg"
  echo "pltrender: the seismogram drawn to $out/tracel-demo.png and $out/tracel-demo.svg"
else
  echo "pltrender: not built; no pictures of the plot"
fi

# seisfig and seis2rec on real data: the miniSEED file of Debian's
# libmseed-doc (IU.COLA.00.LHZ, 4,200 samples at 1 per second) drawn to PNG
# and SVG in one command, and converted to a record that tracel plots.
mseed=/usr/share/doc/libmseed-dev/examples/test.mseed
mkdir -p "$out/seis2rec"
(cd "$out/seis2rec" && "$build/seis2rec/seis2rec" "$mseed" &&
  echo IU.COLA.00.LHZ.rec | "$build/tracel/tracel" >/dev/null)
echo "seis2rec: $mseed converted to $out/seis2rec/IU.COLA.00.LHZ.rec, plotted by tracel to $out/seis2rec/pltfil"
if [ -x "$build/seisfig/seisfig" ]; then
  "$build/seisfig/seisfig" "$mseed" -o "$out/seisfig-demo.png"
  "$build/seisfig/seisfig" "$mseed" -o "$out/seisfig-demo.svg"
  echo "seisfig: $mseed drawn to $out/seisfig-demo.png and $out/seisfig-demo.svg"
else
  echo "seisfig: not built (needs the renderer); no pictures of the miniSEED data"
fi

# seisday: a small SDS archive of a synthetic 20 Hz channel (a day with its
# neighbours' edges and a 10-minute gap) made by gensds, drawn as a day plot
# with an event marked, and read back across midnight by seis2rec.
if [ -x "$build/seisday/seisday" ]; then
  rm -rf "$out/sds"
  "$build/tools/gensds" "$out/sds" XX.DEMO..HHZ 2024-12-31T23:50:00 87000 20 2025-001T13:00:00 600
  echo "2025-01-01T04:47:00 M 6.1 synthetic" >"$out/events.txt"
  "$build/seisday/seisday" --sds "$out/sds" --select XX.DEMO..HHZ --day 2025-001 --events "$out/events.txt" \
    -o "$out/seisday-demo.png" 2>/dev/null
  (cd "$out/seis2rec" && "$build/seis2rec/seis2rec" --sds ../sds --start 2024-366T23:59:00 \
    --end 2025-001T00:01:00 -o midnight.rec >/dev/null)
  echo "seisday: the SDS archive $out/sds drawn as a day plot to $out/seisday-demo.png;" \
    "two minutes across midnight in $out/seis2rec/midnight.rec"
else
  echo "seisday: not built (needs the renderer); no day plot"
fi

# The same data processed: demeaned, tapered and band-passed 0.01-0.1 Hz
# (periods of 10 to 100 s, the surface waves of the long-period channel),
# zero-phase; the title says what was applied.
if [ -x "$build/seisfig/seisfig" ]; then
  "$build/seisfig/seisfig" "$mseed" --demean --taper 0.05 --bandpass 0.01,0.1 --zerophase \
    -o "$out/seisfig-bandpass.png"
  echo "seisfig: $mseed band-passed 0.01-0.1 Hz, drawn to $out/seisfig-bandpass.png"
fi

# seissection: a record section of 36 synthetic SAC traces from 30 to 100
# degrees (gensection: pulses at PREM's P, PcP, S, ScS and SKS times for a
# source 100 km deep, the event and stations in the headers) with the PREM
# curves of those phases; then the P and PcP part reduced by 8 s per degree.
if [ -x "$build/seissection/seissection" ]; then
  mkdir -p "$out/section"
  phases=P,PcP,S,ScS,SKS
  "$build/tools/gensection" --model "$top/layergen/prem32.mod" --phases "$phases" --depth 100 \
    36 36000 30,100 "$out/section"
  (cd "$out/section" &&
    "$build/seissection/seissection" SY.*.sac --phases "$phases" --model "$top/layergen/prem32.mod" \
      --window 300,1800 --fill positive --plotfile section.plt -o "$out/section.png" &&
    "$build/seissection/seissection" SY.*.sac --phases P,PcP --model "$top/layergen/prem32.mod" \
      --reduce 0.125 --window 60,320 --norm global --title "P and PcP, reduced by 8 s/deg" \
      -o "$out/section-reduced.png")
  echo "seissection: $out/section.png (PREM P, PcP, S, ScS, SKS over 36 synthetic traces) and $out/section-reduced.png"
else
  echo "seissection: not built (needs the renderer); no record section"
fi
