#!/usr/bin/python3
"""Writes an N x N float grid (N.flt with its .hdr) of rolling hills for the
whole-road benchmark: 30 m cells, heights about 250 to 950 m, written in
bands of rows so that a 16384 x 16384 grid needs little memory."""
import sys

import numpy as np


def main():
    n, out = int(sys.argv[1]), sys.argv[2]
    rng = np.random.default_rng(7)
    waves = [(rng.uniform(0.2, 1.0) * 2**k, rng.uniform(0, 2 * np.pi), rng.uniform(0, 2 * np.pi), 300.0 / 1.8**k)
             for k in range(8)]
    c = np.arange(n) / 2048.0
    with open(out + ".flt", "wb") as f:
        for r0 in range(0, n, 256):
            r = (np.arange(r0, min(n, r0 + 256)) / 2048.0)[:, None]
            h = np.full((len(r), n), 600.0)
            for freq, p, q, a in waves:
                h += a * np.sin(2 * np.pi * freq * (r * 0.8 + c * 0.6) + p) * np.cos(2 * np.pi * freq * (c * 0.9 - r * 0.4) + q)
            h.astype("<f4").tofile(f)
    with open(out + ".hdr", "w") as f:
        f.write(f"ncols {n}\nnrows {n}\nxllcorner 0\nyllcorner 0\ncellsize 0.000277777778\n"
                "NODATA_value -9999\nbyteorder LSBFIRST\n")


if __name__ == "__main__":
    main()
