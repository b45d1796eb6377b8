#!/usr/bin/env bash
# Fails when a file includes against the direction of the layers:
# app -> items -> service -> pattern -> link -> platform, cli -> service, service -> analysis, analysis -> platform (files only), sim -> platform,
# app and cli -> sheet -> service (the service records read back and the job sheet; Qt only in its .cpp files).
# eeprom (the cell map and the Bi-D values) lies at the bottom beside platform: link and analysis, and all above them, use it;
# it includes nothing of the program, and sim keeps its own copies of what it needs.
# Below items no file includes a Qt header, but for the decoding of scan files (analysis/ScanFile.cpp); sim decodes the wire on its own and includes none of the program,
# and only its front panel (sim/panel/) and the standalone printer (sim/tool/) use widgets.
set -euo pipefail
cd "$(dirname "$0")/.."

# folder: the folders whose files it must not include
forbidden=(
  "eeprom:platform link pattern service items app cli sim analysis sheet"
  "platform:link pattern service items app cli sim analysis sheet"
  "analysis:link pattern service items app cli sim sheet"
  "link:pattern service items app cli sim analysis sheet"
  "pattern:service items app cli sim analysis sheet"
  "service:items app cli sim sheet"
  "sheet:items app cli sim"
  "sim:eeprom link pattern service items app cli analysis sheet"
  "items:app cli sheet"
  "cli:items app"
)
qt_free=(eeprom platform link pattern service cli analysis sheet)
# The files below items that may use Qt: the decoding of image files, and the job sheet's reading and drawing.
qt_allowed="analysis/ScanFile.cpp|sheet/[A-Za-z]*\\.cpp"

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
          | grep -vE "^($qt_allowed):" || true)
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
