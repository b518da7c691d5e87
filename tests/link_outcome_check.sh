#!/usr/bin/env bash
# One pass of vestrel-cli over a device link (tests/make-link: cmyk_v4.icc as
# the source condition, cmyk_v2.icc as the printer's profile), the chart
# measured through it on the drifted printer, judged by outcome.py: the
# chart's mean re-print ratio, at most 1 % of a dense grid of source values
# worse by more than 1, single-ink and K-only sources' other inks within
# 0.5 % of the original link's.
# usage: link_outcome_check.sh CLI MAKE_LINK DATA_DIR OUTCOME RATIO
set -euo pipefail
cli=$1 makelink=$2 data=$3 outcome=$4 ratio=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python=
for candidate in python3 /usr/bin/python3; do
    if "$candidate" -c "import numpy" 2>/dev/null; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "no python3 with numpy" >&2; exit 1; }

"$makelink" "$data/cmyk_v4.icc" "$data/cmyk_v2.icc" "$work/link.icc"
"$python" "$outcome" link --make-reference --out "$work/ref.txt"
"$python" "$outcome" link --make-measurement drifted --link "$work/link.icc" --seed 3 --out "$work/meas.txt"
"$cli" correct -i "$work/link.icc" -p "$data/cmyk_v2.icc" -r "$work/ref.txt" -m "$work/meas.txt" \
    -o "$work/corrected.icc" > "$work/correct.txt"
"$python" "$outcome" link "$work/corrected.icc" --link "$work/link.icc"
"$python" "$outcome" link "$work/corrected.icc" --link "$work/link.icc" --json > "$work/figures.json"
"$python" - "$work/figures.json" "$ratio" <<'PY'
import json, sys
r, bar = json.load(open(sys.argv[1])), float(sys.argv[2])
checks = [
    (r["ratio_of_means"] <= bar, "chart mean ratio <= %.2f: %.3f" % (bar, r["ratio_of_means"])),
    (r["grid"]["worse_1"] <= 0.01 * r["grid"]["points"],
     "dense grid worse by > 1: %d of %d" % (r["grid"]["worse_1"], r["grid"]["points"])),
    (r["grid"]["after"]["mean"] < r["grid"]["before"]["mean"],
     "dense grid improves: %.2f -> %.2f" % (r["grid"]["before"]["mean"], r["grid"]["after"]["mean"])),
    (r["pure_other_ink_change"] <= 0.5, "single-ink sources' other inks: %.3f %%" % r["pure_other_ink_change"]),
]
for ok, what in checks:
    print(("ok     " if ok else "FAILED ") + what)
sys.exit(0 if all(ok for ok, _ in checks) else 1)
PY
