#!/usr/bin/python3
# The speed peer of seissection in `make bench`: the same SAC files drawn as
# a record section with matplotlib's Agg backend, each trace offset by its
# distance (gcarc, else stlo of the equatorial stations gensection writes)
# and scaled to its own largest amplitude, on one axes, into a PNG of the
# given pixel size.
#
#   matplotlib_section.py WIDTH HEIGHT OUT.png FILE.sac...
import sys

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

width, height, out, files = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4:]
dpi = 150
fig = plt.figure(figsize=(width / dpi, height / dpi), dpi=dpi)
ax = fig.add_subplot(1, 1, 1)
distances = []
for name in files:
    header = np.fromfile(name, dtype="<f4", count=70)
    delta, b, gcarc, stlo = header[0], header[5], header[53], header[32]
    distance = gcarc if gcarc != -12345.0 else stlo
    y = np.fromfile(name, dtype="<f4", offset=632)
    t = b + delta * np.arange(len(y))
    peak = np.max(np.abs(y))
    ax.plot(t, distance + y / (peak if peak > 0 else 1.0), color="black", linewidth=0.5)
    distances.append(distance)
ax.set_xlabel("Time after origin (s)")
ax.set_ylabel("Distance (deg)")
fig.savefig(out, dpi=dpi)
