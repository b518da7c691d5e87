#!/usr/bin/env bash
# Brings translations/vestrel_LANG.ts up to date with the window's texts
# and the engine's texts the window shows (marked QT_TRANSLATE_NOOP("Engine",
# ...) under util/, session/, patchdata/, correction/ and report/):
# new texts are added unfinished, texts no longer in the code are dropped,
# and translations of unchanged texts are kept. Run it after changing texts
# under ui/, framework/ or the engine, translate what it reports as unfinished (Qt
# Linguist, or any editor), and build: the build turns the .ts files into
# .qm files with lrelease but never runs lupdate itself.
# usage: scripts/update-translations.sh [LANG...]   (default: every .ts there is;
#        a LANG without one yet gets a new file)
# VESTREL_TS_DIR writes the .ts files to another folder instead (the
# translations_in_step test collects the sources' texts that way).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
[ -x "$lupdate" ] || lupdate=$(command -v lupdate6 || command -v lupdate)
ts_dir=${VESTREL_TS_DIR:-translations}
# Every folder whose code holds texts the window shows.
sources=(ui framework util session patchdata correction report)
languages=("$@")
if [ ${#languages[@]} -eq 0 ]; then
    for ts in translations/vestrel_*.ts; do
        [ -e "$ts" ] || continue
        language=$(basename "$ts" .ts)
        languages+=("${language#vestrel_}")
    done
fi
[ ${#languages[@]} -gt 0 ] || { echo "update-translations: no translations/vestrel_*.ts; name a language" >&2; exit 1; }
for language in "${languages[@]}"; do
    "$lupdate" -no-obsolete -locations absolute -source-language en -target-language "$language" \
        "${sources[@]}" -ts "$ts_dir/vestrel_$language.ts"
done
