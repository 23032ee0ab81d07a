#!/usr/bin/env python3
"""The speed peer of seisday in make bench: a plain matplotlib day plot.

    mpl_dayplot.py SAMPLES RATE WIDTH HEIGHT OUT.png

SAMPLES holds the day's samples as little-endian 32-bit floats from
midnight.  96 lines of 15 minutes, the mean removed, the 99.5th percentile
of |amplitude| at half a line spacing and larger excursions clipped there,
colours cycling over black, red, blue and green, drawn with the Agg backend
into a WIDTH x HEIGHT pixel PNG."""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

samples, rate, width, height, out = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
y = np.fromfile(samples, dtype="<f4").astype(np.float64)
lines, per_line = 96, int(round(15 * 60 * rate))
y -= y.mean()
scale = 2 * np.percentile(np.abs(y), 99.5)
minutes = np.arange(per_line) / rate / 60
colours = ["k", "r", "b", "g"]
dpi = 100
fig = plt.figure(figsize=(width / dpi, height / dpi), dpi=dpi)
ax = fig.add_axes([0.08, 0.07, 0.9, 0.87])
for k in range(lines):
    part = y[k * per_line:(k + 1) * per_line]
    if part.size:
        centre = lines - k - 0.5
        ax.plot(minutes[:part.size], centre + np.clip(part / scale, -0.5, 0.5), color=colours[k % 4], lw=0.5)
ax.set_xlim(0, 15)
ax.set_ylim(0, lines)
ax.set_yticks([lines - k - 0.5 for k in range(0, lines, 2)])
ax.set_yticklabels(["%02d:%02d" % divmod(k * 15, 60) for k in range(0, lines, 2)], fontsize=5)
ax.set_xlabel("Minutes")
ax.set_title("day plot")
fig.savefig(out)
