#!/usr/bin/env bash
# Corrects a test profile patch by patch with vestrel-cli from the drifted printer's
# measurements, re-prints the reference through the original and the
# corrected profile with reprint.py (the simulated drifted printer), and
# requires the corrected one to print closer, within the given bound.
# usage: reprint_check.sh CLI DATA_DIR REPRINT PROFILE REF MEAS BOUND
set -euo pipefail
cli=$1 data=$2 reprint=$3 profile=$4 ref=$5 meas=$6 bound=$7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$cli" correct --method patch -i "$data/$profile" -m "$data/$meas" -r "$data/$ref" -o "$work/corrected.icc" > "$work/patches.txt" 2>/dev/null
mean() { python3 "$reprint" "$1" "$data/$ref" | sed -n 's/.* mean=\([0-9.]*\).*/\1/p'; }
before=$(mean "$data/$profile")
after=$(mean "$work/corrected.icc")
echo "$profile re-print mean Delta E: original $before, corrected $after (bound $bound)"
grep "^patches " "$work/patches.txt"
awk -v a="$after" -v b="$before" -v m="$bound" 'BEGIN { exit !(a != "" && a < b && a <= m) }'
