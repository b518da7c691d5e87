#!/usr/bin/env python3
"""One Smooth pass on a version 4 profile whose tables are laid out afresh:
B2A as parametric B curves, a matrix with offsets, parametric M curves and a
CLUT with a grid of its own per input; A2B with an 8-bit CLUT on another
grid per input. outcome.py reads lut8/lut16 only, so the re-print goes
through vestrel-cli convert (absolute colorimetric B2A1) and the printer
models of reprint.py.

The chart is printed through the profile on the drifted printer and measured
(noise 0.2), corrected, and re-printed: the mean must fall to at most RATIO
of the uncorrected re-print and the worst patch must not get worse.

usage: v4_reshaped_check.py CLI V4COPY DATA_DIR PROFILE REF PRINTER RATIO
"""

import os
import random
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "data"))
import reprint  # noqa: E402


def device_of(cli, profile, labs):
    text = "".join("%.4f %.4f %.4f\n" % tuple(lab) for lab in labs)
    out = subprocess.run([cli, "convert", profile, "b2a"], input=text, capture_output=True, text=True,
                         check=True).stdout
    return [[float(v) / 100 for v in line.split()] for line in out.splitlines()]


def reprinted(cli, profile, labs, printer):
    return reprint.print_device(printer, device_of(cli, profile, labs))


def main():
    cli, v4copy, data, profile, ref, printer, ratio = sys.argv[1:8]
    ratio = float(ratio)
    _, rows = reprint.read_cgats(os.path.join(data, ref))
    ids = [row[0] for row in rows]
    labs = [[float(v) for v in row[1:4]] for row in rows]
    with tempfile.TemporaryDirectory() as work:
        v4 = os.path.join(work, "v4.icc")
        subprocess.run([v4copy, "reshaped", profile, v4], check=True)
        noise = random.Random(5)
        measured = [[v + noise.gauss(0, 0.2) for v in lab] for lab in reprinted(cli, v4, labs, printer)]
        meas = os.path.join(work, "meas.txt")
        reprint.write_cgats(meas, "measured", ["SAMPLE_ID", "LAB_L", "LAB_A", "LAB_B"],
                            [[i] + ["%.2f" % v for v in lab] for i, lab in zip(ids, measured)])
        corrected = os.path.join(work, "corrected.icc")
        subprocess.run([cli, "correct", "-i", v4, "-r", os.path.join(data, ref), "-m", meas, "-o", corrected],
                       check=True, stdout=subprocess.DEVNULL)
        before = [reprint.de76(p, q) for p, q in zip(reprinted(cli, v4, labs, printer), labs)]
        after = [reprint.de76(p, q) for p, q in zip(reprinted(cli, corrected, labs, printer), labs)]
    mean_before, mean_after = sum(before) / len(before), sum(after) / len(after)
    print("%s as 'mBA ': re-print mean %.3f -> %.3f (ratio %.3f, at most %.2f), worst %.2f -> %.2f"
          % (profile, mean_before, mean_after, mean_after / mean_before, ratio, max(before), max(after)))
    failed = []
    if mean_after > ratio * mean_before:
        failed.append("the mean did not fall far enough")
    if max(after) > max(before):
        failed.append("the worst patch got worse")
    for problem in failed:
        print("FAIL: " + problem)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
