#!/usr/bin/env python3
"""The speed peer of seisfig in make bench: a plain matplotlib plot of one
trace.

    mpl_curve.py FILE.sac WIDTH HEIGHT OUT.png

Reads the samples of a little-endian SAC file (header of 632 bytes, the
sampling interval its first word) and draws amplitude against time with the
Agg backend into a WIDTH x HEIGHT pixel PNG."""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

path, width, height, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
delta = float(np.fromfile(path, dtype="<f4", count=1)[0])
y = np.fromfile(path, dtype="<f4", offset=632)
x = np.arange(y.size) * delta
dpi = 100
fig = plt.figure(figsize=(width / dpi, height / dpi), dpi=dpi)
ax = fig.add_axes([0.1, 0.1, 0.85, 0.8])
ax.plot(x, y, "k-", lw=0.5)
ax.set_xlabel("Time (s)")
ax.set_ylabel("Amp")
fig.savefig(out)
