#!/usr/bin/env bash
# Two Smooth passes of vestrel-cli on a printer whose inks all drifted
# (outcome.py --drift faded|lighter), judged by outcome.py: the chart is
# measured off that printer, corrected, printed through the corrected
# profile, measured and corrected again. Both passes must bring the chart's
# mean within their bars, make the worst patch no worse, improve the dense
# grid without making more than 1 % of it worse; the first must keep the
# ink limit and add no ink at the paper white (as smooth_outcome_check.sh).
# usage: smooth_drift_check.sh CLI DATA_DIR OUTCOME CASE PROFILE REF DRIFT FIRST_RATIO SECOND_RATIO
set -euo pipefail
cli=$1 data=$2 outcome=$3 case=$4 profile=$5 ref=$6 drift=$7 first=$8 second=$9
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python=
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c "import numpy" 2>/dev/null; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "no python3 with numpy" >&2; exit 1; }

correct() { "$cli" correct -i "$1" -r "$data/$ref" -m "$2" -o "$3" > "$3.txt"; }

"$python" "$outcome" "$case" --drift "$drift" --make-measurement drifted --seed 5 --out "$work/first.txt"
correct "$data/$profile" "$work/first.txt" "$work/first.icc"
"$python" "$outcome" "$case" --drift "$drift" --make-measurement drifted --seed 7 --profile "$work/first.icc" \
    --out "$work/second.txt"
correct "$work/first.icc" "$work/second.txt" "$work/second.icc"
"$python" "$outcome" "$case" "$work/first.icc" --drift "$drift" --json > "$work/first.json"
"$python" "$outcome" "$case" "$work/second.icc" --drift "$drift" --json > "$work/second.json"

"$python" - "$work" "$first" "$second" <<'PY'
import json, sys
work, bars = sys.argv[1], {"first": float(sys.argv[2]), "second": float(sys.argv[3])}
failures = []

def check(ok, what, value):
    print("%-58s %s" % (what, value))
    if not ok:
        failures.append(what)

for run in ("first", "second"):
    r = json.load(open("%s/%s.json" % (work, run)))
    chart, grid, ink = r["chart"], r["grid"], r["ink"]
    ratio = chart["after"]["mean"] / chart["before"]["mean"]
    check(ratio <= bars[run], "%s pass on %s: chart mean ratio <= %.2f" % (run, r["printer"], bars[run]),
          "%.3f (mean %.2f -> %.2f)" % (ratio, chart["before"]["mean"], chart["after"]["mean"]))
    check(chart["worst_after"]["dE"] <= chart["worst_before"]["dE"], "%s pass: worst patch after <= worst before" % run,
          "%.2f vs %.2f" % (chart["worst_after"]["dE"], chart["worst_before"]["dE"]))
    check(grid["after"]["mean"] < grid["before"]["mean"] and grid["worse_1"] <= 0.01 * grid["points"],
          "%s pass: dense grid improves, at most 1 %% worse by > 1" % run,
          "%.2f -> %.2f, %d of %d worse" % (grid["before"]["mean"], grid["after"]["mean"], grid["worse_1"],
                                            grid["points"]))
    if run == "second":
        continue
    if "max_total_ink" in ink["original"]:
        check(ink["corrected"]["max_total_ink"] <= ink["original"]["max_total_ink"],
              "%s pass: highest total ink not raised" % run,
              "%.4f vs %.4f" % (ink["corrected"]["max_total_ink"], ink["original"]["max_total_ink"]))
        paper = lambda device: device
    else:
        paper = lambda device: [100.0 - d for d in device]
    before, after = paper(ink["original"]["white_device"]), paper(ink["corrected"]["white_device"])
    check(all(a <= b + 0.01 for a, b in zip(after, before)), "%s pass: no ink added at the paper white" % run,
          " ".join("%.3f" % a for a in after))
if failures:
    print("FAILED: " + "; ".join(failures))
    sys.exit(1)
PY
