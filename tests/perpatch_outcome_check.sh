#!/usr/bin/env bash
# The outcome of one Per patch pass of vestrel-cli (every patch selected) on
# a simulated printer case, judged by outcome.py: no patch made worse, the
# worst patch no worse than before, the chart mean ratio, and the correction's
# own predicted mean against the re-printed one.
# usage: perpatch_outcome_check.sh CLI DATA_DIR OUTCOME CASE PROFILE REF MEAS CHART_RATIO
set -euo pipefail
cli=$1 data=$2 outcome=$3 case=$4 profile=$5 ref=$6 meas=$7 ratio=$8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python=
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c "import numpy" 2>/dev/null; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "no python3 with numpy" >&2; exit 1; }

"$cli" correct -i "$data/$profile" -r "$data/$ref" -m "$data/$meas" -o "$work/first.icc" --method patch \
    > "$work/first.txt"
"$python" "$outcome" "$case" "$work/first.icc" --json > "$work/first.json"

"$python" - "$work" "$ratio" <<'EOF'
import json, sys
work, chart_ratio = sys.argv[1], float(sys.argv[2])
first = json.load(open(work + "/first.json"))
predicted = None
for line in open(work + "/first.txt"):
    words = line.split()
    if words and words[0] == "patches":
        predicted = float(words[words.index("mean_after") + 1])
failures = []

def check(ok, what, value):
    print("%-58s %s" % (what, value))
    if not ok:
        failures.append(what)

chart = first["chart"]
r = chart["after"]["mean"] / chart["before"]["mean"]
check(r <= chart_ratio, "chart mean ratio <= %.2f" % chart_ratio, "%.3f" % r)
check(chart["worse_0.5"] == 0, "patches worse by > 0.5", "%d of %d" % (chart["worse_0.5"], chart["patches"]))
check(chart["worst_after"]["dE"] <= chart["worst_before"]["dE"], "worst patch after <= worst before",
      "%.2f vs %.2f" % (chart["worst_after"]["dE"], chart["worst_before"]["dE"]))
check(predicted is not None and abs(predicted - chart["after"]["mean"]) <= 0.3,
      "predicted mean within 0.3 of the re-printed mean",
      "%s vs %.2f" % ("none" if predicted is None else "%.2f" % predicted, chart["after"]["mean"]))
for sig in ("B2A0", "B2A2"):
    t = first["intents"].get(sig)
    if t and "B2A1" in (t["shares_data_with"] or []):
        check(t["after"]["mean"] == first["intents"]["B2A1"]["after"]["mean"],
              "%s shares B2A1's data and its correction" % sig, "%.3f" % t["after"]["mean"])
if failures:
    print("FAILED: " + "; ".join(failures))
    sys.exit(1)
EOF
