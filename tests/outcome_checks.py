#!/usr/bin/env python3
"""The outcome checks: vestrel-cli corrects a simulated printer's chart and
data/outcome.py re-prints it on that printer and scores it.
Each check prints its figures, one line each, and exits 1 when one misses
its bar.

usage: outcome_checks.py --cli CLI --data DIR CHECK CASE [options]
  smooth    one Smooth pass: chart, dense grid, ink limit, paper, every
            intent, no drift, a second pass, a measurement equal to the
            reference leaving the tables alone; --v4copy TOOL also scores a
            version 4 'mBA ' copy of the profile through the original
  perpatch  one Per patch pass with every patch selected: none worse, the
            worst no worse, the prediction within 0.3 of the re-print; on
            the case's drifted printer or another one (--drift)
  drift     two Smooth passes on a printer whose inks all drifted (--drift),
            on the case's chart or another one from the data folder (--chart)
  misread   three misread patches (--misread FILE --ids A,B,C) re-print
            within 0.1 of the clean measurement, are named, and --strict
            refuses
  abstract  the abstract profile in front of the original re-prints within
            0.05 of the corrected profile
  link      one pass over a device link (--make-link TOOL) between the
            case's v4 and v2 profiles
CASE is cmyk or rgb (outcome.py's cases).
"""
import argparse
import json
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = {"cmyk": ("cmyk_v2.icc", "cmyk_ref.txt", "cmyk_meas.txt"),
         "rgb": ("rgb_v2_lut8.icc", "rgb_ref.txt", "rgb_meas.txt")}


def numpy_python():
    for candidate in (sys.executable, "python3", "/usr/bin/python3"):
        if subprocess.run([candidate, "-c", "import numpy"], capture_output=True).returncode == 0:
            return candidate
    sys.exit("no python3 with numpy")


class Check:
    def __init__(self, args, work):
        self.args, self.work, self.failures = args, work, []
        self.profile, self.ref, self.meas = (os.path.join(args.data, f) for f in FILES[args.case])
        if args.chart:
            self.ref = os.path.join(args.data, args.chart)
        self.python = numpy_python()

    def path(self, name):
        return os.path.join(self.work, name)

    def cli(self, *words, status=0):
        run = subprocess.run([self.args.cli, *words], capture_output=True, text=True)
        if status is not None and run.returncode != status:
            sys.exit("vestrel-cli %s: status %d\n%s" % (" ".join(words), run.returncode, run.stderr))
        return run

    def correct(self, profile, measurement, out, *more):
        text = self.cli("correct", "-i", profile, "-r", self.ref, "-m", measurement, "-o", out, *more).stdout
        with open(out + ".txt", "w") as f:
            f.write(text)
        return text

    def outcome(self, *words, case=None):
        chart = ("--chart", self.ref) if self.args.chart else ()
        run = subprocess.run([self.python, os.path.join(HERE, "data", "outcome.py"), case or self.args.case, *words,
                              *chart],
                             capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit("outcome.py %s: status %d\n%s" % (" ".join(words), run.returncode, run.stderr))
        return json.loads(run.stdout) if "--json" in words else run.stdout

    def score(self, profile, *words):
        return self.outcome(profile, *words, "--json")

    def expect(self, ok, what, value):
        print("%-58s %s" % (what, value))
        if not ok:
            self.failures.append(what)

    def ratio(self, chart, figure="mean"):
        return chart["after"][figure] / chart["before"][figure]

    def finish(self):
        if self.failures:
            print("FAILED: " + "; ".join(self.failures))
            sys.exit(1)

    # Shared by the first pass of smooth and drift.
    def chart_and_grid(self, r, bar, label=""):
        chart, grid = r["chart"], r["grid"]
        self.expect(self.ratio(chart) <= bar, "%schart mean ratio <= %.2f" % (label, bar),
                    "%.3f (mean %.2f -> %.2f)" % (self.ratio(chart), chart["before"]["mean"], chart["after"]["mean"]))
        self.expect(chart["worst_after"]["dE"] <= chart["worst_before"]["dE"], label + "worst patch after <= worst before",
                    "%.2f vs %.2f" % (chart["worst_after"]["dE"], chart["worst_before"]["dE"]))
        self.expect(grid["after"]["mean"] < grid["before"]["mean"] and grid["worse_1"] <= 0.01 * grid["points"],
                    label + "dense grid improves, at most 1 % worse by > 1",
                    "%.2f -> %.2f, %d of %d worse" % (grid["before"]["mean"], grid["after"]["mean"], grid["worse_1"],
                                                     grid["points"]))

    def ink_and_paper(self, ink, label=""):
        cmyk = "max_total_ink" in ink["original"]
        if cmyk:
            self.expect(ink["corrected"]["max_total_ink"] <= ink["original"]["max_total_ink"],
                        label + "highest total ink not raised",
                        "%.4f vs %.4f" % (ink["corrected"]["max_total_ink"], ink["original"]["max_total_ink"]))
        # Ink counts from 0 for CMYK and from 100 for RGB; 0.01 % is below one 16-bit code.
        paper = lambda device: [d if cmyk else 100.0 - d for d in device]
        before, after = paper(ink["original"]["white_device"]), paper(ink["corrected"]["white_device"])
        self.expect(all(a <= b + 0.01 for a, b in zip(after, before)), label + "no ink added at the paper white",
                    " ".join("%.3f" % a for a in after))


def tags(path):
    data = open(path, "rb").read()
    out = {}
    for i in range(struct.unpack(">I", data[128:132])[0]):
        sig, off, size = struct.unpack(">4sII", data[132 + 12 * i:144 + 12 * i])
        out[sig.decode("latin-1")] = data[off:off + size]
    return out


def smooth(c):
    first = c.path("first.icc")
    print("".join(line + "\n" for line in c.correct(c.profile, c.meas, first).splitlines() if line.startswith("intent")),
          end="")
    c.outcome("--make-measurement", "nominal", "--seed", "11", "--out", c.path("nodrift.txt"))
    c.correct(c.profile, c.path("nodrift.txt"), c.path("nodrift.icc"))
    r = c.score(first, "--no-drift-profile", c.path("nodrift.icc"))
    c.outcome("--make-measurement", "drifted", "--seed", "7", "--profile", first, "--out", c.path("second.txt"))
    c.correct(first, c.path("second.txt"), c.path("second.icc"))
    second = c.score(c.path("second.icc"))

    c.chart_and_grid(r, c.args.ratio)
    chart = r["chart"]
    c.expect(c.ratio(chart, "p95") <= 0.35, "chart p95 ratio <= 0.35", "%.3f" % c.ratio(chart, "p95"))
    c.expect(chart["within_1_worse_0.5"] == 0, "patches within 1.0 before worse by > 0.5",
             "%d of %d" % (chart["within_1_worse_0.5"], chart["within_1_before"]))
    c.ink_and_paper(r["ink"])
    for sig in ("B2A0", "B2A2"):
        t = r["intents"].get(sig)
        if t:
            c.expect(c.ratio(t) <= 0.20 and t["worse_0.5"] == 0, "chart through %s: mean ratio <= 0.20, none worse" % sig,
                     "%.3f" % c.ratio(t))
    nd = r["no_drift"]
    c.expect(nd["chart"]["after"]["mean"] <= nd["chart"]["before"]["mean"], "no drift: chart mean does not rise",
             "%.2f -> %.2f" % (nd["chart"]["before"]["mean"], nd["chart"]["after"]["mean"]))
    c.expect(nd["grid"]["after"]["mean"] <= nd["grid"]["before"]["mean"] + 0.05,
             "no drift: dense grid mean rises by <= 0.05",
             "%.2f -> %.2f" % (nd["grid"]["before"]["mean"], nd["grid"]["after"]["mean"]))
    c.expect(c.ratio(second["chart"]) <= 0.15, "second pass: chart mean ratio <= 0.15",
             "%.3f (mean %.2f, max %.2f)" % (c.ratio(second["chart"]), second["chart"]["after"]["mean"],
                                             second["chart"]["after"]["max"]))
    if c.args.v4copy:
        # outcome.py reads lut8/lut16 only: the v4 copy's tables go back into the original to be scored.
        subprocess.run([c.args.v4copy, "make", os.path.basename(c.profile), c.path("v4.icc")], check=True)
        c.correct(c.path("v4.icc"), c.meas, c.path("v4first.icc"))
        subprocess.run([c.args.v4copy, "back", c.path("v4first.icc"), c.profile, c.path("v4back.icc")], check=True)
        v4 = c.score(c.path("v4back.icc"))
        apart = max(abs(v4[part][when][figure] - r[part][when][figure])
                    for part in ("chart", "grid") for when in ("before", "after") for figure in ("mean", "p95", "max"))
        c.expect(apart <= 0.02, "version 4 'mBA ' copy: chart and grid figures within 0.02",
                 "largest difference %.4f" % apart)
    c.correct(c.profile, c.ref, c.path("same.icc"))
    a, b = tags(c.profile), tags(c.path("same.icc"))
    tables = [s for s in a if s not in ("desc", "cprt")]
    c.expect(all(a[s] == b.get(s) for s in tables), "measurement = reference: every table unchanged",
             "%d tags" % len(tables))


def perpatch(c):
    d = ("--drift", c.args.drift) if c.args.drift else ()
    meas = c.meas
    if d:
        meas = c.path("drifted.txt")
        c.outcome(*d, "--make-measurement", "drifted", "--seed", "5", "--out", meas)
    text = c.correct(c.profile, meas, c.path("first.icc"), "--method", "patch")
    r = c.score(c.path("first.icc"), *d)
    predicted = None
    for line in text.splitlines():
        words = line.split()
        if words and words[0] == "patches":
            predicted = float(words[words.index("mean_after") + 1])
    chart = r["chart"]
    c.expect(c.ratio(chart) <= c.args.ratio, "chart mean ratio <= %.2f" % c.args.ratio, "%.3f" % c.ratio(chart))
    c.expect(chart["worse_0.5"] == 0, "patches worse by > 0.5", "%d of %d" % (chart["worse_0.5"], chart["patches"]))
    c.expect(chart["worst_after"]["dE"] <= chart["worst_before"]["dE"], "worst patch after <= worst before",
             "%.2f vs %.2f" % (chart["worst_after"]["dE"], chart["worst_before"]["dE"]))
    c.expect(predicted is not None and abs(predicted - chart["after"]["mean"]) <= 0.3,
             "predicted mean within 0.3 of the re-printed mean", "%s vs %.2f" % (predicted, chart["after"]["mean"]))
    for sig in ("B2A0", "B2A2"):
        t = r["intents"].get(sig)
        if t and "B2A1" in (t["shares_data_with"] or []):
            c.expect(t["after"]["mean"] == r["intents"]["B2A1"]["after"]["mean"],
                     "%s shares B2A1's data and its correction" % sig, "%.3f" % t["after"]["mean"])


def drift(c):
    d = ("--drift", c.args.drift)
    c.outcome(*d, "--make-measurement", "drifted", "--seed", "5", "--out", c.path("first.txt"))
    c.correct(c.profile, c.path("first.txt"), c.path("first.icc"))
    c.outcome(*d, "--make-measurement", "drifted", "--seed", "7", "--profile", c.path("first.icc"),
              "--out", c.path("second.txt"))
    c.correct(c.path("first.icc"), c.path("second.txt"), c.path("second.icc"))
    for run, bar in (("first", c.args.ratio), ("second", c.args.second)):
        r = c.score(c.path(run + ".icc"), *d)
        c.chart_and_grid(r, bar, "%s pass on %s: " % (run, r["printer"]))
        if run == "first":
            c.ink_and_paper(r["ink"], "first pass: ")


def misread(c):
    bad = os.path.join(c.args.data, c.args.misread)
    c.correct(c.profile, c.meas, c.path("clean.icc"))
    err = c.cli("correct", "-i", c.profile, "-r", c.ref, "-m", bad, "-o", c.path("misread.icc")).stderr
    c.correct(c.profile, bad, c.path("kept.icc"), "--keep-outliers")
    status = c.cli("correct", "-i", c.profile, "-r", c.ref, "-m", bad, "-o", c.path("strict.icc"), "--strict",
                   status=None).returncode
    print(err, end="")
    runs = {r: c.score(c.path(r + ".icc")) for r in ("clean", "misread", "kept")}
    for part, name in (("chart", "chart"), ("grid", "between the patches (dense grid)")):
        clean, misread, kept = (runs[r][part]["after"]["mean"] for r in ("clean", "misread", "kept"))
        c.expect(abs(misread - clean) <= 0.1, "%s mean within 0.1 of the clean run" % name,
                 "%.2f vs %.2f (all patches kept: %.2f)" % (misread, clean, kept))
    ids = c.args.ids.split(",")
    named = [i for i in ids if (" %s (" % i) in err or (": %s (" % i) in err]
    c.expect(len(named) == len(ids) and "disagree with their neighbours and were left out" in err,
             "the misread patches named", ", ".join(named))
    c.expect(status == 1 and not os.path.exists(c.path("strict.icc")), "--strict: exit status 1, nothing written",
             "status %d" % status)


def abstract(c):
    c.correct(c.profile, c.meas, c.path("corrected.icc"), "--abstract", c.path("abstract.icc"))
    f = c.score(c.path("corrected.icc"), "--abstract", c.path("abstract.icc"))["abstract"]["chart"]
    c.expect(abs(f["abstract_minus_corrected"]) <= 0.05, "abstract in front within 0.05 of the corrected profile",
             "%+.3f (%.3f vs %.3f)" % (f["abstract_minus_corrected"], f["abstract"]["mean"], f["corrected"]["mean"]))
    c.expect(f["abstract_ratio"] <= c.args.ratio, "abstract in front, ratio to uncorrected <= %.2f" % c.args.ratio,
             "%.3f" % f["abstract_ratio"])


def link(c):
    source, printer = (os.path.join(c.args.data, f) for f in ("cmyk_v4.icc", "cmyk_v2.icc"))
    linked = c.path("link.icc")
    subprocess.run([c.args.make_link, source, printer, linked], check=True)
    c.outcome("--make-reference", "--out", c.path("ref.txt"), case="link")
    c.outcome("--make-measurement", "drifted", "--link", linked, "--seed", "3", "--out", c.path("meas.txt"),
              case="link")
    c.ref = c.path("ref.txt")
    c.correct(linked, c.path("meas.txt"), c.path("corrected.icc"), "-p", printer)
    r = c.outcome(c.path("corrected.icc"), "--link", linked, "--json", case="link")
    grid = r["grid"]
    c.expect(r["ratio_of_means"] <= c.args.ratio, "chart mean ratio <= %.2f" % c.args.ratio, "%.3f" % r["ratio_of_means"])
    c.expect(grid["worse_1"] <= 0.01 * grid["points"], "dense grid worse by > 1 (at most 1 %)",
             "%d of %d" % (grid["worse_1"], grid["points"]))
    c.expect(grid["after"]["mean"] < grid["before"]["mean"], "dense grid improves",
             "%.2f -> %.2f" % (grid["before"]["mean"], grid["after"]["mean"]))
    c.expect(r["pure_other_ink_change"] <= 0.5, "single-ink sources' other inks within 0.5 %",
             "%.3f %%" % r["pure_other_ink_change"])


def main():
    checks = {f.__name__: f for f in (smooth, perpatch, drift, misread, abstract, link)}
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--data", required=True)
    parser.add_argument("check", choices=checks)
    parser.add_argument("case", choices=FILES)
    parser.add_argument("--ratio", type=float, default=0.20, help="the bar of the chart's mean ratio")
    parser.add_argument("--second", type=float, help="drift: the second pass's bar")
    parser.add_argument("--drift", choices=("faded", "lighter"))
    parser.add_argument("--chart", help="drift: another reference chart in the data folder")
    parser.add_argument("--misread")
    parser.add_argument("--ids")
    parser.add_argument("--v4copy")
    parser.add_argument("--make-link")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as work:
        check = Check(args, work)
        checks[args.check](check)
        check.finish()


if __name__ == "__main__":
    main()
