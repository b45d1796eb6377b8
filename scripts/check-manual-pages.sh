#!/usr/bin/env bash
# Checks what the build writes for the package besides the programs: each manual page is roff that
# groff reads without a warning and that has its NAME and SYNOPSIS, and the shell completions load.
# Usage: scripts/check-manual-pages.sh BUILD_DIR   (exit 77, skipped, without groff)
set -euo pipefail
build=${1:?usage: check-manual-pages.sh BUILD_DIR}
command -v groff >/dev/null || { echo "groff is not installed: skipped"; exit 77; }

failed=0
fail() { echo "manual pages: $1"; failed=1; }

for program in arvana-adjust arvana-service arvana-printer-sim; do
  page=$build/man/$program.1
  [ -s "$page" ] || { fail "$page is missing"; continue; }
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
  shown=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -rLL=200n -P-cbou "$page" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" "SEE ALSO"; do
    grep -q "^$section\$" <<<"$shown" || fail "$page has no $section"
  done
  grep -q "^       $program " <<<"$shown" || fail "$page does not name $program in its NAME"
done
completion=$build/completions/arvana-service
[ -s "$completion" ] || fail "$completion is missing"
bash -n "$completion" || fail "$completion is no bash"
bash --norc -c "source '$completion' && complete -p arvana-service" >/dev/null || fail "$completion does not bind arvana-service"
[ -s "$build/completions/_arvana-service" ] || fail "the zsh completion is missing"

if [ "$failed" -ne 0 ]; then
  echo "manual pages: FAILED"
  exit 1
fi
echo "manual pages: roff without warnings, completions load"
