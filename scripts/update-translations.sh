#!/usr/bin/env bash
# Brings translations/vestrel_*.ts up to date with the window's texts: new
# texts are added unfinished, texts no longer in the code are dropped, and
# translations of unchanged texts are kept. Run it after changing texts
# under ui/ or framework/, translate what it reports as unfinished (Qt
# Linguist, or any editor), and build: the build turns the .ts files into
# .qm files with lrelease but never runs lupdate itself.
# usage: scripts/update-translations.sh
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
[ -x "$lupdate" ] || lupdate=$(command -v lupdate6 || command -v lupdate)
for ts in translations/vestrel_*.ts; do
    language=$(basename "$ts" .ts)
    language=${language#vestrel_}
    "$lupdate" -no-obsolete -locations absolute -source-language en -target-language "$language" \
        ui framework -ts "$ts"
done
