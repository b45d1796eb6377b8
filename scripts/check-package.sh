#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it holds:
# the three programs, the desktop entry (valid), the icon and the udev rule.
set -euo pipefail
build=${1:?usage: check-package.sh BUILD-DIR}
source_dir="$(cd "$(dirname "$0")/.." && pwd)"

desktop-file-validate "$source_dir/packaging/arvana-adjust.desktop"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/*.deb)
dpkg-deb -c "$deb" > "$work/contents.txt"
missing=0
for path in ./usr/bin/arvana-adjust ./usr/bin/arvana-service ./usr/bin/arvana-printer-sim \
            ./usr/share/applications/arvana-adjust.desktop \
            ./usr/share/icons/hicolor/scalable/apps/arvana-adjust.svg \
            ./usr/lib/udev/rules.d/60-arvana-printers.rules; do
  grep -q " $path\$" "$work/contents.txt" || { echo "package: $path is missing"; missing=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in
  *libqt6widgets6*) ;;
  *) echo "package: Depends does not name the Qt widgets library: $depends"; missing=1 ;;
esac
[ "$missing" -eq 0 ] || exit 1
echo "package: $(basename "$deb") holds the programs, the desktop entry, the icon and the udev rule"
