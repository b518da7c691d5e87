#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what a user
# installs: both programs, the desktop entry, icons, help pages, the German
# translation, AppStream data that validates, dependencies on the Qt 6
# libraries and on Pango, and a PDF report from vestrel-cli as installed,
# which finds its helper program in lib/vestrel.
# usage: package_check.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    exit 1
}
deb=$(ls "$work"/vestrel_*_amd64.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
for file in usr/bin/vestrel usr/bin/vestrel-cli usr/lib/vestrel/vestrel-pdf-report usr/share/applications/vestrel.desktop \
    usr/share/icons/hicolor/256x256/apps/vestrel.png usr/share/vestrel/Resources/help.html \
    usr/share/vestrel/Resources/help_de.html usr/share/vestrel/Resources/translations/vestrel_de.qm \
    usr/share/metainfo/org.orvand.Vestrel.metainfo.xml; do
    grep -qx "./$file" "$work/files" || { echo "package lacks $file" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 qt6-qpa-plugins libmd0 libpangocairo-1.0-0 libcairo2; do
    [[ "$depends" == *"$dependency"* ]] || { echo "package does not depend on $dependency: $depends" >&2; exit 1; }
done
dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.orvand.Vestrel.metainfo.xml" >"$work/validate.log" 2>&1 || {
    cat "$work/validate.log" >&2
    exit 1
}
desktop-file-validate "$work/root/usr/share/applications/vestrel.desktop"
samples=$(cd "$(dirname "$0")/../samples" && pwd)
"$work/root/usr/bin/vestrel-cli" correct -i "$samples/cmyk_v2.icc" -m "$samples/cmyk_meas.txt" \
    -r "$samples/cmyk_ref.txt" -o "$work/corrected.icc" --report "$work/report.pdf" >/dev/null
head -c 5 "$work/report.pdf" | grep -q '%PDF-' || { echo "the installed vestrel-cli wrote no PDF report" >&2; exit 1; }
echo "package $(basename "$deb") checked"
