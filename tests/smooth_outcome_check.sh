#!/usr/bin/env bash
# The outcome of one Smooth pass of vestrel-cli on a simulated printer case,
# judged by outcome.py: the chart, the dense grid, the ink limit and the
# paper, every intent, a measurement without drift, a second pass, and a
# measurement equal to the reference that must leave the tables alone.
# With V4COPY, also the first pass on a version 4 copy of the profile with
# 'mBA ' tables, scored through the original (outcome.py reads lut8/lut16
# only): its chart and dense-grid figures must be the original's within 0.02.
# usage: smooth_outcome_check.sh CLI DATA_DIR OUTCOME CASE PROFILE REF MEAS CHART_RATIO [V4COPY]
set -euo pipefail
cli=$1 data=$2 outcome=$3 case=$4 profile=$5 ref=$6 meas=$7 ratio=$8 v4copy=${9:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python=
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c "import numpy" 2>/dev/null; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "no python3 with numpy" >&2; exit 1; }

correct() { "$cli" correct -i "$1" -r "$data/$ref" -m "$2" -o "$3" > "$3.txt"; }

correct "$data/$profile" "$data/$meas" "$work/first.icc"
"$python" "$outcome" "$case" --make-measurement nominal --seed 11 --out "$work/nodrift.txt"
correct "$data/$profile" "$work/nodrift.txt" "$work/nodrift.icc"
"$python" "$outcome" "$case" "$work/first.icc" --no-drift-profile "$work/nodrift.icc" --json > "$work/first.json"
"$python" "$outcome" "$case" --make-measurement drifted --seed 7 --profile "$work/first.icc" --out "$work/second.txt"
correct "$work/first.icc" "$work/second.txt" "$work/second.icc"
"$python" "$outcome" "$case" "$work/second.icc" --json > "$work/second.json"
correct "$data/$profile" "$data/$ref" "$work/same.icc"
grep '^intent' "$work/first.icc.txt"
if [ -n "$v4copy" ]; then
    "$v4copy" make "$profile" "$work/v4.icc"
    correct "$work/v4.icc" "$data/$meas" "$work/v4first.icc"
    "$v4copy" back "$work/v4first.icc" "$data/$profile" "$work/v4back.icc"
    "$python" "$outcome" "$case" "$work/v4back.icc" --json > "$work/v4first.json"
fi

"$python" - "$work" "$data/$profile" "$ratio" <<'EOF'
import json, os, struct, sys
work, original, chart_ratio = sys.argv[1], sys.argv[2], float(sys.argv[3])
first = json.load(open(work + "/first.json"))
second = json.load(open(work + "/second.json"))
failures = []

def check(ok, what, value):
    print("%-58s %s" % (what, value))
    if not ok:
        failures.append(what)

chart, grid, nd = first["chart"], first["grid"], first["no_drift"]
r = chart["after"]["mean"] / chart["before"]["mean"]
check(r <= chart_ratio, "chart mean ratio <= %.2f" % chart_ratio, "%.3f" % r)
r = chart["after"]["p95"] / chart["before"]["p95"]
check(r <= 0.35, "chart p95 ratio <= 0.35", "%.3f" % r)
check(chart["worst_after"]["dE"] <= chart["worst_before"]["dE"], "worst patch after <= worst before",
      "%.2f vs %.2f" % (chart["worst_after"]["dE"], chart["worst_before"]["dE"]))
check(chart["within_1_worse_0.5"] == 0, "patches within 1.0 before worse by > 0.5",
      "%d of %d" % (chart["within_1_worse_0.5"], chart["within_1_before"]))
check(grid["after"]["mean"] < grid["before"]["mean"], "dense grid mean improves",
      "%.2f -> %.2f" % (grid["before"]["mean"], grid["after"]["mean"]))
check(grid["worse_1"] <= 0.01 * grid["points"], "dense grid points worse by > 1 (at most 1 %)",
      "%d of %d" % (grid["worse_1"], grid["points"]))
ink = first["ink"]
if "max_total_ink" in ink["original"]:
    check(ink["corrected"]["max_total_ink"] <= ink["original"]["max_total_ink"], "highest total ink not raised",
          "%.4f vs %.4f" % (ink["corrected"]["max_total_ink"], ink["original"]["max_total_ink"]))
# Ink counts from 0 for CMYK and from 100 for RGB; 0.01 % is below one 16-bit code.
def paper_ink(device):
    return [d if "max_total_ink" in ink["original"] else 100.0 - d for d in device]
before_ink, after_ink = paper_ink(ink["original"]["white_device"]), paper_ink(ink["corrected"]["white_device"])
check(all(a <= b + 0.01 for a, b in zip(after_ink, before_ink)), "no ink added at the paper white",
      " ".join("%.3f" % a for a in after_ink))
for sig in ("B2A0", "B2A2"):
    t = first["intents"].get(sig)
    if t:
        r = t["after"]["mean"] / t["before"]["mean"]
        check(r <= 0.20 and t["worse_0.5"] == 0, "chart through %s: mean ratio <= 0.20, none worse" % sig,
              "%.3f" % r)
check(nd["chart"]["after"]["mean"] <= nd["chart"]["before"]["mean"], "no drift: chart mean does not rise",
      "%.2f -> %.2f" % (nd["chart"]["before"]["mean"], nd["chart"]["after"]["mean"]))
check(nd["grid"]["after"]["mean"] <= nd["grid"]["before"]["mean"] + 0.05,
      "no drift: dense grid mean rises by <= 0.05",
      "%.2f -> %.2f" % (nd["grid"]["before"]["mean"], nd["grid"]["after"]["mean"]))
r = second["chart"]["after"]["mean"] / second["chart"]["before"]["mean"]
check(r <= 0.15, "second pass: chart mean ratio <= 0.15", "%.3f (mean %.2f, max %.2f)"
      % (r, second["chart"]["after"]["mean"], second["chart"]["after"]["max"]))

def tags(path):
    data = open(path, "rb").read()
    count = struct.unpack(">I", data[128:132])[0]
    out = {}
    for i in range(count):
        sig, off, size = struct.unpack(">4sII", data[132 + 12 * i:144 + 12 * i])
        out[sig.decode("latin-1")] = data[off:off + size]
    return out

if os.path.exists(work + "/v4first.json"):
    v4 = json.load(open(work + "/v4first.json"))
    apart = max(abs(v4[part][when][figure] - first[part][when][figure])
                for part in ("chart", "grid") for when in ("before", "after") for figure in ("mean", "p95", "max"))
    check(apart <= 0.02, "version 4 'mBA ' copy: chart and grid figures within 0.02",
          "largest difference %.4f; chart mean %.3f, grid mean %.3f"
          % (apart, v4["chart"]["after"]["mean"], v4["grid"]["after"]["mean"]))

a, b = tags(original), tags(work + "/same.icc")
same = [s for s in a if s not in ("desc", "cprt") and a[s] == b.get(s)]
check(len(same) == len([s for s in a if s not in ("desc", "cprt")]),
      "measurement = reference: every table unchanged", "%d tags" % len(same))
if failures:
    print("FAILED: " + "; ".join(failures))
    sys.exit(1)
EOF
