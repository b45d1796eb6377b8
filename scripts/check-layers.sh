#!/usr/bin/env bash
# Fails when a file includes against the direction of the layers:
# app -> items -> service -> pattern -> link -> platform, cli -> service, service -> analysis, analysis -> platform (files only), sim -> platform.
# eeprom (the cell map and the Bi-D values) lies at the bottom beside platform: link and analysis, and all above them, use it;
# it includes nothing of the program, and sim keeps its own copies of what it needs.
# Below items no file includes a Qt header, but for the decoding of scan files (analysis/ScanFile.cpp); sim decodes the wire on its own and includes none of the program,
# and only its front panel (sim/panel/) and the standalone printer (sim/tool/) use widgets.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the folders whose files it must not include
forbidden=(
  "eeprom:platform link pattern service items app cli sim analysis"
  "platform:link pattern service items app cli sim analysis"
  "analysis:link pattern service items app cli sim"
  "link:pattern service items app cli sim analysis"
  "pattern:service items app cli sim analysis"
  "service:items app cli sim"
  "sim:eeprom link pattern service items app cli analysis"
  "items:app cli"
  "cli:items app"
)
qt_free=(eeprom platform link pattern service cli analysis)
# The one file below items that may use Qt: it decodes image files with QtGui.
qt_allowed="analysis/ScanFile.cpp"

failed=0
report() { echo "layering: $1"; failed=1; }

for rule in "${forbidden[@]}"; do
  folder=${rule%%:*}
  [ -d "$folder" ] || continue
  for above in ${rule#*:}; do
    while IFS= read -r hit; do report "$hit includes $above/"; done \
      < <(grep -rnE "^\s*#\s*include\s*\"$above/" "$folder" --include='*.h' --include='*.cpp' || true)
  done
done
for folder in "${qt_free[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r hit; do report "$hit includes Qt"; done \
    < <(grep -rnE '^\s*#\s*include\s*[<"](Q[A-Za-z]|qt|ui_)' "$folder" --include='*.h' --include='*.cpp' \
          | grep -v "^$qt_allowed:" || true)
done

# The virtual printer works without widgets; only its front panel (sim/panel/) has them.
while IFS= read -r hit; do report "$hit includes widgets outside sim/panel/"; done \
  < <(grep -nE '^\s*#\s*include\s*[<"](QtWidgets/|QApplication|QWidget|QDialog|QMessageBox|sim/panel/)' \
        -r sim --include='*.h' --include='*.cpp' 2>/dev/null | grep -vE '^sim/(panel|tool)/' || true)

if [ "$failed" -ne 0 ]; then
  echo "layering: FAILED"
  exit 1
fi
echo "layering: every include points down"
