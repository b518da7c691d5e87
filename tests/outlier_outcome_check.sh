#!/usr/bin/env bash
# Misread patches judged by outcome.py: a measurement with three patches
# read wrongly (tests/data/cmyk_meas_outliers.txt: 20 with L* + 20, 50 with
# the values of 51, 80 with a* + 25 and b* - 25) must re-print within 0.1 of
# the clean measurement, on the chart and between the patches; the three
# are named on standard error; --strict fails and writes nothing.
# usage: outlier_outcome_check.sh CLI DATA_DIR OUTCOME CASE PROFILE REF CLEAN MISREAD IDS
set -euo pipefail
cli=$1 data=$2 outcome=$3 case=$4 profile=$5 ref=$6 clean=$7 misread=$8 ids=$9
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python=
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c "import numpy" 2>/dev/null; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "no python3 with numpy" >&2; exit 1; }

"$cli" correct -i "$data/$profile" -r "$data/$ref" -m "$data/$clean" -o "$work/clean.icc" > /dev/null
"$cli" correct -i "$data/$profile" -r "$data/$ref" -m "$data/$misread" -o "$work/misread.icc" > /dev/null 2> "$work/misread.err"
"$cli" correct -i "$data/$profile" -r "$data/$ref" -m "$data/$misread" -o "$work/kept.icc" --keep-outliers > /dev/null
status=0
"$cli" correct -i "$data/$profile" -r "$data/$ref" -m "$data/$misread" -o "$work/strict.icc" --strict > /dev/null 2>&1 || status=$?
for run in clean misread kept; do
    "$python" "$outcome" "$case" "$work/$run.icc" --json > "$work/$run.json"
done
cat "$work/misread.err"

"$python" - "$work" "$status" "$ids" <<'PY'
import json, os, sys
work, status, ids = sys.argv[1], int(sys.argv[2]), sys.argv[3].split(",")
runs = {r: json.load(open("%s/%s.json" % (work, r))) for r in ("clean", "misread", "kept")}
err = open(work + "/misread.err").read()
failures = []

def check(ok, what, value):
    print("%-58s %s" % (what, value))
    if not ok:
        failures.append(what)

for part, name in (("chart", "chart"), ("grid", "between the patches (dense grid)")):
    c, m, k = (runs[r][part]["after"]["mean"] for r in ("clean", "misread", "kept"))
    check(abs(m - c) <= 0.1, "%s mean within 0.1 of the clean run" % name,
          "%.2f vs %.2f (all patches kept: %.2f)" % (m, c, k))
named = [i for i in ids if (" %s (" % i) in err or (": %s (" % i) in err]
check(len(named) == len(ids) and "disagree with their neighbours and were left out" in err,
      "the misread patches named", ", ".join(named))
check(status == 1 and not os.path.exists(work + "/strict.icc"), "--strict: exit status 1, nothing written",
      "status %d" % status)
if failures:
    print("FAILED: " + "; ".join(failures))
    sys.exit(1)
PY
