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

# pltrender: the tracel plot as PNG and SVG (skipped when the renderer is
# not built).  Font files, when made with `make fonts`, are in $build/fonts.
if [ -x "$build/pltrender/pltrender" ]; then
  "$build/pltrender/pltrender" --fonts "$build/fonts" "$out/tracel/pltfil" "$out/tracel-demo.png"
  "$build/pltrender/pltrender" --fonts "$build/fonts" "$out/tracel/pltfil" "$out/tracel-demo.svg"
  echo "pltrender: the seismogram drawn to $out/tracel-demo.png and $out/tracel-demo.svg"
else
  echo "pltrender: not built; no pictures of the plot"
fi
