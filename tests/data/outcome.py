#!/usr/bin/env python3
"""Outcome of a profile correction on the simulated test printers.

  python3 outcome.py cmyk|rgb CORRECTED.icc [--json] [--no-drift-profile P]
      evaluate CORRECTED.icc (made from cmyk_v2.icc / rgb_v2_lut8.icc and
      the matching *_ref.txt / *_meas.txt) on the drifted printer of that
      case, against the original profile; one block of figures

  python3 outcome.py cmyk|rgb --make-measurement nominal|drifted --seed N \\
          --out MEAS.txt [--profile P] [--noise 0.2]
      simulate measuring the reference chart printed through P's B2A1
      (default: the original profile) on the nominal or the drifted printer,
      with the noise model of gen_data.py (Gaussian, sigma 0.2 per L*, a*,
      b*, values rounded to two decimals)

  python3 outcome.py link --make-reference --out REF.txt
  python3 outcome.py link --make-measurement nominal|drifted --link LINK.icc --out MEAS.txt
  python3 outcome.py link CORRECTED_LINK.icc --link LINK.icc [--json]
      the device link case: cmyk_v4.icc as the source condition, cmyk_v2.icc
      as the printer's profile, a link between them (tests/make-link); the
      chart is every third patch of cmyk_chart.ti3 with the source's Lab;
      the link's re-print on the drifted printer, a dense grid of source
      values, and the other inks of single-ink and K-only sources

  --chart REF (with either form) measures and scores another reference
  chart of Lab values in place of the case's own.

  --drift faded|lighter (with either form) puts another drifted printer in
  place of the case's usual one: every ink 10-15 % weaker with more dot gain
  (faded), or every ink 10-15 % weaker (lighter); see reprint.py.

Tables are evaluated here with numpy (input curves, simplex interpolation of
the CLUT, output curves; absolute colorimetric = XYZ scaled by D50 / wtpt,
as in reprint.py); `--xicclu-check` compares the B2A1 look-ups with
ArgyllCMS xicclu.  Needs python3 and numpy; the printer models come from
reprint.py.
"""

import argparse
import json
import os
import random
import shutil
import signal
import struct
import sys

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
# The case files: beside this script.
DATA = HERE
import reprint as rp  # noqa: E402  (printer models, CGATS files)

CASES = {
    "cmyk": {"profile": "cmyk_v2.icc", "ref": "cmyk_ref.txt",
             "nominal": "cmyk", "drifted": "cmyk_drifted"},
    "rgb": {"profile": "rgb_v2_lut8.icc", "ref": "rgb_ref.txt",
            "nominal": "rgb", "drifted": "rgb_drifted"},
}
DRIFTS = ("usual", "faded", "lighter")
NOISE = 0.2          # measurement noise of gen_data.py, per L*, a*, b*
WORSE_PATCH = 0.5    # a patch counts as made worse above this increase
IN_TOL = 1.0         # "already good" patches: dE76 below this before
WORSE_GRID = 1.0     # a dense-grid point counts as made worse above this
INTENTS = ("B2A0", "B2A1", "B2A2")

# ---------------------------------------------------------------- colour

D50 = np.array(rp.D50)
_BFD = np.array(rp._BFD)
_BFD_INV = np.linalg.inv(_BFD)
_BFD_WHITE = _BFD @ D50


def _f(t):
    d = 6.0 / 29.0
    return np.where(t > d ** 3, np.cbrt(t), t / (3 * d * d) + 4.0 / 29.0)


def _finv(t):
    d = 6.0 / 29.0
    return np.where(t > d, t ** 3, 3 * d * d * (t - 4.0 / 29.0))


def xyz_to_lab(xyz, white=D50):
    f = _f(np.asarray(xyz, float) / white)
    return np.stack([116 * f[..., 1] - 16, 500 * (f[..., 0] - f[..., 1]),
                     200 * (f[..., 1] - f[..., 2])], -1)


def lab_to_xyz(lab, white=D50):
    lab = np.asarray(lab, float)
    fy = (lab[..., 0] + 16) / 116
    return np.stack([_finv(fy + lab[..., 1] / 500), _finv(fy),
                     _finv(fy - lab[..., 2] / 200)], -1) * white


def abs_to_rel(lab, wtpt):
    return xyz_to_lab(lab_to_xyz(lab) * D50 / wtpt)


def rel_to_abs(lab, wtpt):
    return xyz_to_lab(lab_to_xyz(lab) * wtpt / D50)


def de76(p, q):
    return np.sqrt(((np.asarray(p) - np.asarray(q)) ** 2).sum(-1))


# ---------------------------------------------------------------- printers


class Printer:
    """reprint.py's printer model, evaluated for many device values at once."""

    def __init__(self, name):
        pr = rp.printer(name)
        self.sep = pr.p["sep"] if isinstance(pr, rp.RGBDriverPrinter) else None
        ink = pr.engine if self.sep else pr
        n = len(ink.inks)
        self.tvi = np.array([ink.p["tvi"][c] for c in ink.inks])
        self.prim = np.array(ink.prim)                       # (2^n, 3)
        self.bits = (np.arange(1 << n)[:, None] >> np.arange(n)) & 1
        self.yn = ink.p["yn"]

    def _separate(self, rgb):
        s = self.sep
        ink = np.clip(1.0 - rgb, 0.0, 1.0) ** s["gamma"]
        grey = ink.min(1, keepdims=True)
        k = s["k_amount"] * grey ** s["k_power"]
        cmy = np.maximum(0.0, ink - (1.0 - np.array(s["balance"])) * grey - s["ucr"] * k)
        return np.hstack([cmy, k])

    def lab(self, dev):
        dev = np.atleast_2d(np.asarray(dev, float))
        if self.sep is not None:
            dev = self._separate(dev)
        a = np.clip(dev, 0.0, 1.0)
        eff = a + 4.0 * self.tvi * a * (1.0 - a)
        w = np.where(self.bits[None], eff[:, None, :], 1.0 - eff[:, None, :]).prod(-1)
        bands = (w @ self.prim) ** self.yn
        return xyz_to_lab((bands * _BFD_WHITE) @ _BFD_INV.T)


# ---------------------------------------------------------------- profiles


def _curve(table, x):
    pos = np.clip(x, 0.0, 1.0) * (len(table) - 1)
    i = np.minimum(pos.astype(int), len(table) - 2)
    f = pos - i
    return table[i] * (1 - f) + table[i + 1] * f


class Lut:
    """An mft1 (lut8) or mft2 (lut16) tag; all values normalised to 0..1."""

    def __init__(self, data):
        self.kind = data[0:4].decode("latin-1")
        if self.kind not in ("mft1", "mft2"):
            raise ValueError("not a lut8/lut16 tag (%r)" % self.kind)
        self.nin, self.nout, self.grid = data[8], data[9], data[10]
        if self.kind == "mft2":
            n, m = struct.unpack(">HH", data[48:52])
            pos, dt, scale = 52, ">u2", 65535.0
        else:
            n, m, pos, dt, scale = 256, 256, 48, ">u1", 255.0
        size = np.dtype(dt).itemsize
        need = pos + size * (self.nin * n + self.grid ** self.nin * self.nout + self.nout * m)
        if need > len(data):
            raise ValueError("%s tag shorter than its tables" % self.kind)

        def take(count):
            nonlocal pos
            a = np.frombuffer(data[pos:pos + size * count], dtype=dt).astype(float) / scale
            pos += size * count
            return a

        self.in_curves = [take(n) for _ in range(self.nin)]
        self.clut = take(self.grid ** self.nin * self.nout).reshape(-1, self.nout)
        self.out_curves = [take(m) for _ in range(self.nout)]

    def node_device(self):
        """Output values of every CLUT node (output curves applied)."""
        return np.stack([_curve(self.out_curves[c], self.clut[:, c])
                         for c in range(self.nout)], -1)

    def lookup(self, x):
        """Input values (N, nin) in 0..1 -> output values (N, nout)."""
        g, ni = self.grid, self.nin
        xc = np.stack([_curve(self.in_curves[i], x[:, i]) for i in range(ni)], -1)
        pos = np.clip(xc, 0.0, 1.0) * (g - 1)
        base = np.minimum(np.floor(pos).astype(int), g - 2)
        frac = pos - base
        strides = g ** np.arange(ni - 1, -1, -1)
        # simplex interpolation: walk from the base corner along the axes in
        # the order of decreasing fractions
        order = np.argsort(-frac, axis=1, kind="stable")
        fs = np.take_along_axis(frac, order, 1)
        idx = (base * strides).sum(1)
        out = (1 - fs[:, 0])[:, None] * self.clut[idx]
        for k in range(ni):
            idx = idx + strides[order[:, k]]
            wk = fs[:, k] - (fs[:, k + 1] if k + 1 < ni else 0.0)
            out += wk[:, None] * self.clut[idx]
        return np.stack([_curve(self.out_curves[c], out[:, c]) for c in range(self.nout)], -1)


def lab_to_pcs(lab, kind):
    """Relative Lab -> the legacy Lab encoding of lut16 / lut8, as 0..1."""
    lab = np.asarray(lab, float)
    if kind == "mft2":
        return np.stack([lab[:, 0] * 652.80 / 65535.0, (lab[:, 1] + 128) * 256 / 65535.0,
                         (lab[:, 2] + 128) * 256 / 65535.0], -1)
    return np.stack([lab[:, 0] / 100.0, (lab[:, 1] + 128) / 255.0,
                     (lab[:, 2] + 128) / 255.0], -1)


def pcs_to_lab(v, kind):
    v = np.asarray(v, float)
    if kind == "mft2":
        return np.stack([v[:, 0] * 65535.0 / 652.80, v[:, 1] * 65535.0 / 256 - 128,
                         v[:, 2] * 65535.0 / 256 - 128], -1)
    return np.stack([v[:, 0] * 100.0, v[:, 1] * 255 - 128, v[:, 2] * 255 - 128], -1)


class Profile:
    def __init__(self, path):
        self.path = path
        try:
            with open(path, "rb") as fh:
                data = fh.read()
        except OSError as e:
            sys.exit("outcome.py: %s" % e)
        if len(data) < 132 or data[36:40] != b"acsp":
            sys.exit("outcome.py: %s is not an ICC profile" % path)
        self.space = data[16:20].decode("latin-1").strip()
        if data[20:24] != b"Lab ":
            sys.exit("outcome.py: %s does not have a Lab PCS" % path)
        count = struct.unpack(">I", data[128:132])[0]
        self.raw, self.block = {}, {}
        for i in range(min(count, (len(data) - 132) // 12)):
            sig, off, size = struct.unpack(">4sII", data[132 + 12 * i:144 + 12 * i])
            sig = sig.decode("latin-1")
            if sig not in self.raw and off + size <= len(data):
                self.raw[sig] = data[off:off + size]
                self.block[sig] = (off, size)
        w = self.raw.get("wtpt")
        self.wtpt = (np.array(struct.unpack(">3i", w[8:20])) / 65536.0
                     if w is not None and len(w) >= 20 else D50.copy())
        self.luts = {}
        for sig in INTENTS + ("A2B1", "A2B0"):
            if sig in self.raw:
                try:
                    self.luts[sig] = Lut(self.raw[sig])
                except ValueError as e:
                    sys.exit("outcome.py: %s %s: %s" % (path, sig, e))
        if "B2A1" not in self.luts or not ("A2B1" in self.luts or "A2B0" in self.luts):
            sys.exit("outcome.py: %s needs a B2A1 and an A2B1 (or A2B0) table" % path)

    def shared_with(self, sig):
        """Other B2A tags that point at the same data block as `sig`."""
        return [s for s in INTENTS if s != sig and s in self.block
                and self.block[s] == self.block[sig]]

    def device(self, lab_abs, sig="B2A1"):
        """Absolute Lab -> device values 0..1 through a B2A table."""
        lut = self.luts[sig]
        rel = abs_to_rel(np.atleast_2d(lab_abs), self.wtpt)
        return np.clip(lut.lookup(lab_to_pcs(rel, lut.kind)), 0.0, 1.0)

    def lab(self, dev):
        """Device values -> absolute Lab through A2B1 (A2B0 when absent)."""
        lut = self.luts["A2B1" if "A2B1" in self.luts else "A2B0"]
        return rel_to_abs(pcs_to_lab(lut.lookup(np.atleast_2d(dev)), lut.kind), self.wtpt)


# ---------------------------------------------------------------- figures


def stats(de):
    de = np.asarray(de, float)
    return {"mean": float(de.mean()), "p95": float(np.percentile(de, 95)),
            "max": float(de.max())}


class Case:
    def __init__(self, name, drift="usual", chart=None):
        c = CASES[name]
        self.name = name
        self.profile = Profile(os.path.join(DATA, c["profile"]))
        self.chart = chart or os.path.join(DATA, c["ref"])
        self.ids, ref = rp.read_lab_file(self.chart)
        self.ref = np.array(ref, float)
        drifted = c["drifted"] if drift == "usual" else "%s_%s" % (name, drift)
        self.printer_names = {"nominal": c["nominal"], "drifted": drifted}
        self.printers = {k: Printer(v) for k, v in self.printer_names.items()}
        self._grid = None

    def reprint(self, labs, prof, printer="drifted", sig="B2A1"):
        return self.printers[printer].lab(prof.device(labs, sig))

    def grid(self):
        """Dense Lab grid inside the usable gamut: points that the original
        profile reproduces on the nominal printer within 2 dE76 (and through
        its own A2B1 within 2)."""
        if self._grid is None:
            L = np.arange(8.0, 98.0, 6.0)
            a = np.arange(-88.0, 89.0, 8.0)
            b = np.arange(-88.0, 100.0, 8.0)
            g = np.stack(np.meshgrid(L, a, b, indexing="ij"), -1).reshape(-1, 3)
            P = self.profile
            dev = P.device(g)
            keep = (de76(P.lab(dev), g) < 2.0) & (de76(self.printers["nominal"].lab(dev), g) < 2.0)
            self._grid = g[keep]
        return self._grid


def chart_figures(case, P1, printer="drifted", sig0="B2A1", sig1="B2A1"):
    ref, P0 = case.ref, case.profile
    de0 = de76(case.reprint(ref, P0, printer, sig0), ref)
    de1 = de76(case.reprint(ref, P1, printer, sig1), ref)
    i0, i1 = int(de0.argmax()), int(de1.argmax())
    good = de0 < IN_TOL
    return {
        "patches": len(ref), "before": stats(de0), "after": stats(de1),
        "ratio_of_means": float(de1.mean() / de0.mean()),
        "worse_0.5": int((de1 > de0 + WORSE_PATCH).sum()),
        "within_1_before": int(good.sum()),
        "within_1_worse_0.5": int((good & (de1 > de0 + WORSE_PATCH)).sum()),
        "worst_before": {"id": case.ids[i0], "dE": float(de0[i0])},
        "worst_after": {"id": case.ids[i1], "dE": float(de1[i1]),
                        "before": float(de0[i1])},
    }


def grid_figures(case, P1, printer="drifted"):
    g = case.grid()
    e0 = de76(case.reprint(g, case.profile, printer), g)
    e1 = de76(case.reprint(g, P1, printer), g)
    return {"points": len(g), "before": stats(e0), "after": stats(e1),
            "worse_1": int((e1 > e0 + WORSE_GRID).sum())}


def neutral_figures(case, P1):
    """Grey ramp a* = b* = 0 relative to the paper (the media white), L* 10..95
    step 5, as absolute Lab, printed on the drifted printer."""
    L = np.arange(10.0, 96.0, 5.0)
    aim = rel_to_abs(np.stack([L, 0 * L, 0 * L], -1), case.profile.wtpt)
    e0 = de76(case.reprint(aim, case.profile), aim)
    e1 = de76(case.reprint(aim, P1), aim)
    return {"steps": len(L), "before": stats(e0), "after": stats(e1)}


def ink_figures(case, P1):
    """Highest total ink over the B2A1 nodes (CMYK), the device values that
    B2A1 gives for the paper white, and how far the B2A1 nodes moved."""
    P0 = case.profile
    paper = xyz_to_lab(P0.wtpt)[None]            # absolute Lab of the paper
    res = {}
    for tag, P in (("original", P0), ("corrected", P1)):
        nodes = P.luts["B2A1"].node_device() * 100.0
        res[tag] = {"white_device": [float(v) for v in P.device(paper)[0] * 100.0]}
        if P.space == "CMYK":
            res[tag]["max_total_ink"] = float(nodes.sum(1).max())
    d0 = P0.luts["B2A1"].node_device()
    d1 = P1.luts["B2A1"].node_device()
    if d0.shape == d1.shape:
        move = np.abs(d1 - d0).max(1) * 100.0
        res["nodes"] = len(move)
        res["nodes_changed"] = int((move > 0.05).sum())
        res["largest_node_move"] = float(move.max())
    return res


def intent_figures(case, P1):
    res = {}
    for sig in INTENTS:
        if sig not in case.profile.luts or sig not in P1.luts:
            res[sig] = None if sig not in P1.luts else {"original_missing": True}
            continue
        r = chart_figures(case, P1, sig0=sig, sig1=sig)
        r = {k: r[k] for k in ("before", "after", "ratio_of_means", "worse_0.5")}
        r["unchanged"] = P1.raw[sig] == case.profile.raw[sig]
        r["shares_data_with"] = P1.shared_with(sig)
        res[sig] = r
    return res


def nodrift_figures(case, path):
    """Correction made from a measurement of the nominal printer (no drift):
    re-printed on the nominal printer it should not get worse."""
    Pn = Profile(path)
    return {"profile": path, "chart": chart_figures(case, Pn, "nominal"),
            "grid": grid_figures(case, Pn, "nominal")}


class Abstract:
    """An abstract profile's A2B0 (lut16 or lut8, Lab to Lab in their legacy
    encoding), applied to absolute Lab as a colour management module does
    in front of an output profile with the absolute intent: its Lab is PCS
    Lab, relative to D50."""

    def __init__(self, path):
        with open(path, "rb") as fh:
            data = fh.read()
        if len(data) < 132 or data[36:40] != b"acsp" or data[12:16] != b"abst":
            sys.exit("outcome.py: %s is not an abstract profile" % path)
        count = struct.unpack(">I", data[128:132])[0]
        for i in range(count):
            sig, off, size = struct.unpack(">4sII", data[132 + 12 * i:144 + 12 * i])
            if sig == b"A2B0":
                self.lut = Lut(data[off:off + size])
                return
        sys.exit("outcome.py: %s has no A2B0 (lut8/lut16)" % path)

    def apply(self, lab):
        lab = np.atleast_2d(np.asarray(lab, float))
        return pcs_to_lab(self.lut.lookup(lab_to_pcs(lab, self.lut.kind)), self.lut.kind)


def abstract_figures(case, corrected, abstract, printer="drifted"):
    """The chart and the dense grid re-printed through the original profile
    with the abstract profile in front, against the corrected profile."""
    A, P0, P1 = Abstract(abstract), case.profile, Profile(corrected)
    res = {}
    for name, labs in (("chart", case.ref), ("grid", case.grid())):
        e0 = de76(case.reprint(labs, P0, printer), labs)
        e1 = de76(case.reprint(labs, P1, printer), labs)
        ea = de76(case.printers[printer].lab(P0.device(A.apply(labs))), labs)
        res[name] = {"uncorrected": stats(e0), "corrected": stats(e1), "abstract": stats(ea),
                     "abstract_ratio": float(ea.mean() / e0.mean()),
                     "abstract_minus_corrected": float(ea.mean() - e1.mean())}
    return res


def evaluate(case, path, nodrift=None):
    P1 = Profile(path)
    if P1.space != case.profile.space:
        sys.exit("outcome.py: %s is %s, the %s case needs %s"
                 % (path, P1.space, case.name, case.profile.space))
    res = {"case": case.name, "original": os.path.basename(case.profile.path),
           "corrected": path, "printer": case.printer_names["drifted"],
           "chart": chart_figures(case, P1), "grid": grid_figures(case, P1),
           "neutral": neutral_figures(case, P1), "ink": ink_figures(case, P1),
           "intents": intent_figures(case, P1)}
    if nodrift:
        res["no_drift"] = nodrift_figures(case, nodrift)
    return res


# ---------------------------------------------------------------- output


def _s(st):
    return "mean %.2f p95 %.2f max %.2f" % (st["mean"], st["p95"], st["max"])


def report(r):
    c, g, n, k = r["chart"], r["grid"], r["neutral"], r["ink"]
    abstract = r.get("abstract")
    cmyk = r["case"] == "cmyk"
    out = ["case %s: %s -> %s, printed on %s" % (r["case"], r["original"], r["corrected"],
                                                r["printer"]),
           "chart (%d patches, B2A1)  before %s" % (c["patches"], _s(c["before"])),
           "%27s after  %s   ratio of means %.2f" % ("", _s(c["after"]), c["ratio_of_means"]),
           "  worse by > %.1f: %d patches; within %.1f before and worse by > %.1f: %d of %d"
           % (WORSE_PATCH, c["worse_0.5"], IN_TOL, WORSE_PATCH, c["within_1_worse_0.5"],
              c["within_1_before"]),
           "  worst after %.2f (patch %s, %.2f before) vs worst before %.2f (patch %s)"
           % (c["worst_after"]["dE"], c["worst_after"]["id"], c["worst_after"]["before"],
              c["worst_before"]["dE"], c["worst_before"]["id"]),
           "dense Lab grid (%d points)  before %s" % (g["points"], _s(g["before"])),
           "%27s after  %s   worse by > %.0f: %d" % ("", _s(g["after"]), WORSE_GRID,
                                                     g["worse_1"]),
           "neutral ramp (%d steps)    before mean %.2f max %.2f   after mean %.2f max %.2f"
           % (n["steps"], n["before"]["mean"], n["before"]["max"], n["after"]["mean"],
              n["after"]["max"])]
    names = "CMYK" if cmyk else "RGB"

    def dev(v):
        return " ".join("%s %.1f" % (ch, x) for ch, x in zip(names, v))

    if cmyk:
        out.append("highest total ink of B2A1   original %.1f %%   corrected %.1f %%"
                   % (k["original"]["max_total_ink"], k["corrected"]["max_total_ink"]))
    out.append("paper white via B2A1 (%%)    original %s   corrected %s"
               % (dev(k["original"]["white_device"]), dev(k["corrected"]["white_device"])))
    if "nodes" in k:
        out.append("B2A1 nodes changed > 0.05 %%: %d of %d, largest move %.1f %%"
                   % (k["nodes_changed"], k["nodes"], k["largest_node_move"]))
    for sig, t in r["intents"].items():
        if t is None:
            out.append("chart through %s: not in the corrected profile" % sig)
        elif t.get("original_missing"):
            out.append("chart through %s: not in the original profile" % sig)
        else:
            note = []
            if t["unchanged"]:
                note.append("table unchanged")
            if t["shares_data_with"]:
                note.append("shares data with " + ", ".join(t["shares_data_with"]))
            out.append("chart through %s  before mean %.2f  after %s%s"
                       % (sig, t["before"]["mean"], _s(t["after"]),
                          "  (%s)" % "; ".join(note) if note else ""))
    if abstract:
        for name, f in abstract.items():
            out.append("%s through the abstract profile and the original: mean %.2f (corrected %.2f, "
                       "uncorrected %.2f; ratio %.2f, %+.3f against the corrected)"
                       % (name, f["abstract"]["mean"], f["corrected"]["mean"], f["uncorrected"]["mean"],
                          f["abstract_ratio"], f["abstract_minus_corrected"]))
    nd = r.get("no_drift")
    if nd:
        c, g = nd["chart"], nd["grid"]
        out += ["no drift (%s on the nominal printer):" % nd["profile"],
                "  chart  before %s  after %s  worse by > %.1f: %d"
                % (_s(c["before"]), _s(c["after"]), WORSE_PATCH, c["worse_0.5"]),
                "  grid   before mean %.2f max %.2f  after mean %.2f max %.2f  worse by > %.0f: %d"
                % (g["before"]["mean"], g["before"]["max"], g["after"]["mean"],
                   g["after"]["max"], WORSE_GRID, g["worse_1"])]
    return "\n".join(out)


# ---------------------------------------------------------------- measurement


def make_measurement(case, printer, seed, out, profile=None, noise=NOISE):
    P = Profile(profile) if profile else case.profile
    labs = case.reprint(case.ref, P, printer)
    rnd = random.Random(seed)
    meas = [[round(float(v) + rnd.gauss(0.0, noise), 2) for v in lab] for lab in labs]
    rp.write_cgats(out, "Simulated measurement: %s printed through %s on %s, noise %.2f, seed %d"
                   % (os.path.basename(case.chart), os.path.basename(P.path),
                      case.printer_names[printer], noise, seed),
                   ["SAMPLE_ID", "LAB_L", "LAB_A", "LAB_B"],
                   [[i] + ["%.2f" % v for v in m] for i, m in zip(case.ids, meas)])
    de = de76(np.array(meas), case.ref)
    print("%s: %d patches on %s, dE76 mean %.2f max %.2f"
          % (out, len(de), case.printer_names[printer], de.mean(), de.max()))


def xicclu_check(case, path, out=sys.stdout):
    """Largest difference (0..1 device scale) between this script's B2A1
    look-up of the chart and xicclu's, for the original and the corrected
    profile."""
    if not shutil.which("xicclu"):
        print("xicclu check: xicclu not found", file=out)
        return
    for p in (case.profile.path, path):
        mine = Profile(p).device(case.ref)
        theirs = np.clip(np.array(rp.b2a_abs(p, [tuple(x) for x in case.ref])), 0, 1)
        print("xicclu check %s: largest B2A1 difference %.2g"
              % (os.path.basename(p), np.abs(mine - theirs).max()), file=out)


# ---------------------------------------------------------------- device link

LINK = {"source": "cmyk_v4.icc", "printer": "cmyk_v2.icc", "chart": "cmyk_chart.ti3",
        "nominal": "cmyk", "drifted": "cmyk_drifted", "every": 3}


class LinkProfile:
    """A device link's A2B0 (lut8/lut16), CMYK to CMYK."""

    def __init__(self, path):
        self.path = path
        with open(path, "rb") as fh:
            data = fh.read()
        if len(data) < 132 or data[36:40] != b"acsp" or data[12:16] != b"link":
            sys.exit("outcome.py: %s is not a device link" % path)
        count = struct.unpack(">I", data[128:132])[0]
        for i in range(count):
            sig, off, size = struct.unpack(">4sII", data[132 + 12 * i:144 + 12 * i])
            if sig == b"A2B0":
                self.lut = Lut(data[off:off + size])
                return
        sys.exit("outcome.py: %s has no A2B0" % path)

    def device(self, source):
        return np.clip(self.lut.lookup(np.atleast_2d(np.asarray(source, float))), 0.0, 1.0)


def link_chart():
    """The chart's source values (0..1): every third patch of the CMYK test chart."""
    fields, rows = rp.read_cgats(os.path.join(DATA, LINK["chart"]))
    idx = [fields.index("CMYK_" + c) for c in "CMYK"]
    src = np.array([[float(r[i]) / 100.0 for i in idx] for r in rows], float)
    return src[::LINK["every"]]


def link_source_lab(src):
    return Profile(os.path.join(DATA, LINK["source"])).lab(src)


def write_link_reference(out):
    src = link_chart()
    lab = link_source_lab(src)
    rp.write_cgats(out, "Reference Lab values: the source condition (%s) at the chart's source values"
                   % LINK["source"], ["SAMPLE_ID", "CMYK_C", "CMYK_M", "CMYK_Y", "CMYK_K", "LAB_L", "LAB_A", "LAB_B"],
                   [[i + 1] + ["%.4f" % (100 * v) for v in s] + ["%.3f" % v for v in l]
                    for i, (s, l) in enumerate(zip(src, lab))])
    print("%s: %d patches" % (out, len(src)))


def write_link_measurement(link_path, printer, seed, out, noise=NOISE):
    src = link_chart()
    labs = Printer(LINK[printer]).lab(LinkProfile(link_path).device(src))
    rnd = random.Random(seed)
    meas = [[round(float(v) + rnd.gauss(0.0, noise), 2) for v in lab] for lab in labs]
    rp.write_cgats(out, "Simulated measurement: the chart printed through %s on %s, noise %.2f, seed %d"
                   % (os.path.basename(link_path), LINK[printer], noise, seed),
                   ["SAMPLE_ID", "LAB_L", "LAB_A", "LAB_B"],
                   [[i + 1] + ["%.2f" % v for v in m] for i, m in enumerate(meas)])
    de = de76(np.array(meas), link_source_lab(src))
    print("%s: %d patches on %s, dE76 mean %.2f max %.2f" % (out, len(de), LINK[printer], de.mean(), de.max()))


def link_figures(original, corrected, printer="drifted"):
    """Re-print of the chart and of a dense grid of source values through
    both links on the printer, against what the source condition says; and
    the other inks of single-ink and K-only source colours."""
    L0, L1 = LinkProfile(original), LinkProfile(corrected)
    pr = Printer(LINK[printer])
    src = link_chart()
    ref = link_source_lab(src)
    de0 = de76(pr.lab(L0.device(src)), ref)
    de1 = de76(pr.lab(L1.device(src)), ref)
    axis = np.linspace(0.0, 1.0, 9)
    grid = np.stack(np.meshgrid(axis, axis, axis, axis, indexing="ij"), -1).reshape(-1, 4)
    g0 = de76(pr.lab(L0.device(grid)), link_source_lab(grid))
    g1 = de76(pr.lab(L1.device(grid)), link_source_lab(grid))
    ramp = np.linspace(0.0, 1.0, 41)
    other = 0.0
    for c in range(4):
        s = np.zeros((len(ramp), 4))
        s[:, c] = ramp
        d0, d1 = L0.device(s), L1.device(s)
        keep = [k for k in range(4) if k != c]
        other = max(other, float(np.abs(d1[:, keep] - d0[:, keep]).max()) * 100.0)
    nominal = de76(Printer(LINK["nominal"]).lab(L0.device(src)), ref)
    return {"patches": len(src), "before": stats(de0), "after": stats(de1),
            "ratio_of_means": float(de1.mean() / de0.mean()),
            "worse_0.5": int((de1 > de0 + WORSE_PATCH).sum()),
            "grid": {"points": len(grid), "before": stats(g0), "after": stats(g1),
                     "worse_1": int((g1 > g0 + WORSE_GRID).sum())},
            "pure_other_ink_change": other,
            "link_on_nominal_printer": stats(nominal)}


def link_report(r):
    g = r["grid"]
    return "\n".join([
        "device link, chart (%d patches)  before %s" % (r["patches"], _s(r["before"])),
        "%32s after  %s   ratio of means %.2f" % ("", _s(r["after"]), r["ratio_of_means"]),
        "  worse by > %.1f: %d patches" % (WORSE_PATCH, r["worse_0.5"]),
        "dense source grid (%d points)  before %s" % (g["points"], _s(g["before"])),
        "%32s after  %s   worse by > %.0f: %d" % ("", _s(g["after"]), WORSE_GRID, g["worse_1"]),
        "single-ink and K-only sources: other inks changed by up to %.2f %%" % r["pure_other_ink_change"],
        "the original link on the nominal printer: %s" % _s(r["link_on_nominal_printer"])])


def link_main(a):
    if a.make_reference:
        write_link_reference(a.out)
        return 0
    if a.make_measurement:
        make = a.profile or a.link
        if not make or not a.out:
            sys.exit("outcome.py: link --make-measurement needs --link (or --profile) and --out")
        write_link_measurement(make, a.make_measurement, a.seed, a.out, a.noise)
        return 0
    if not a.corrected or not a.link:
        sys.exit("outcome.py: link needs the corrected link and --link ORIGINAL")
    res = link_figures(a.link, a.corrected)
    print(json.dumps(res, indent=1) if a.json else link_report(res))
    return 0


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("case", choices=sorted(CASES) + ["link"])
    ap.add_argument("corrected", nargs="?", help="corrected profile to evaluate")
    ap.add_argument("--json", action="store_true", help="print the figures as JSON")
    ap.add_argument("--no-drift-profile", metavar="P",
                    help="profile corrected from a measurement of the nominal printer")
    ap.add_argument("--xicclu-check", action="store_true",
                    help="compare the B2A1 look-ups with ArgyllCMS xicclu")
    ap.add_argument("--make-measurement", choices=["nominal", "drifted"],
                    help="write a simulated measurement instead of evaluating")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--out", help="measurement file to write")
    ap.add_argument("--profile", help="profile the chart is printed through (default: original)")
    ap.add_argument("--noise", type=float, default=NOISE)
    ap.add_argument("--chart", metavar="REF",
                    help="reference chart (Lab) in place of the case's own, for measuring and scoring")
    ap.add_argument("--drift", choices=DRIFTS, default="usual",
                    help="which drifted printer: the case's usual one, or every ink faded or lighter")
    ap.add_argument("--abstract", metavar="ABST",
                    help="also re-print through the original profile with this abstract profile in front")
    ap.add_argument("--link", help="link: the device link as made (before the correction)")
    ap.add_argument("--make-reference", action="store_true",
                    help="link: write the chart's source values with the source condition's Lab to --out")
    a = ap.parse_args(argv)
    if hasattr(signal, "SIGPIPE"):
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # quiet when piped into head
    if a.case == "link":
        return link_main(a)
    case = Case(a.case, a.drift, a.chart)
    if a.make_measurement:
        if not a.out:
            ap.error("--make-measurement needs --out")
        make_measurement(case, a.make_measurement, a.seed, a.out, a.profile, a.noise)
        return 0
    if not a.corrected:
        ap.error("give the corrected profile (or --make-measurement)")
    res = evaluate(case, a.corrected, a.no_drift_profile)
    if a.abstract:
        res["abstract"] = abstract_figures(case, a.corrected, a.abstract)
    print(json.dumps(res, indent=1) if a.json else report(res))
    if a.xicclu_check:
        xicclu_check(case, a.corrected, sys.stderr if a.json else sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
