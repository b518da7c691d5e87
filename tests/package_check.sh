#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what a user
# installs: both programs, the desktop entry, icons, help pages, the German
# translation, AppStream data that validates, and dependencies on the Qt 6
# libraries.
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
for file in usr/bin/vestrel usr/bin/vestrel-cli usr/share/applications/vestrel.desktop \
    usr/share/icons/hicolor/256x256/apps/vestrel.png usr/share/vestrel/Resources/help.html \
    usr/share/vestrel/Resources/help_de.html usr/share/vestrel/Resources/translations/vestrel_de.qm \
    usr/share/metainfo/org.orvand.Vestrel.metainfo.xml; do
    grep -qx "./$file" "$work/files" || { echo "package lacks $file" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 qt6-qpa-plugins libmd0; do
    [[ "$depends" == *"$dependency"* ]] || { echo "package does not depend on $dependency: $depends" >&2; exit 1; }
done
dpkg-deb -x "$deb" "$work/root"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.orvand.Vestrel.metainfo.xml" >"$work/validate.log" 2>&1 || {
    cat "$work/validate.log" >&2
    exit 1
}
desktop-file-validate "$work/root/usr/share/applications/vestrel.desktop"
echo "package $(basename "$deb") checked"
