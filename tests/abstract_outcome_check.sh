#!/usr/bin/env bash
# One Smooth pass of vestrel-cli with --abstract, judged by outcome.py on
# the case's drifted printer: the chart re-printed through the original
# profile with the abstract profile in front is within 0.05 (mean) of the
# corrected profile's re-print and at most RATIO of the uncorrected one.
# usage: abstract_outcome_check.sh CLI DATA_DIR OUTCOME CASE PROFILE REF MEAS RATIO
set -euo pipefail
cli=$1 data=$2 outcome=$3 case=$4 profile=$5 ref=$6 meas=$7 ratio=$8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python=
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c "import numpy" 2>/dev/null; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "no python3 with numpy" >&2; exit 1; }

"$cli" correct -i "$data/$profile" -r "$data/$ref" -m "$data/$meas" -o "$work/corrected.icc" \
    --abstract "$work/abstract.icc" > "$work/correct.txt"
"$python" "$outcome" "$case" "$work/corrected.icc" --abstract "$work/abstract.icc" --json > "$work/figures.json"
"$python" - "$work/figures.json" "$ratio" <<'PY'
import json, sys
f, bar = json.load(open(sys.argv[1]))["abstract"]["chart"], float(sys.argv[2])
checks = [
    (abs(f["abstract_minus_corrected"]) <= 0.05,
     "abstract in front within 0.05 of the corrected profile: %+.3f (%.3f vs %.3f)"
     % (f["abstract_minus_corrected"], f["abstract"]["mean"], f["corrected"]["mean"])),
    (f["abstract_ratio"] <= bar, "abstract in front, ratio to uncorrected <= %.2f: %.3f" % (bar, f["abstract_ratio"])),
]
for ok, what in checks:
    print(("ok     " if ok else "FAILED ") + what)
sys.exit(0 if all(ok for ok, _ in checks) else 1)
PY
