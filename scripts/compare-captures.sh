#!/usr/bin/env bash
# Runs the same command-line sessions on two builds of the program, each on its own copy of one
# virtual printer, and compares what went over the wire. A change that is meant to move code
# around, not behaviour, must leave every byte in both directions as it was.
#
#   scripts/compare-captures.sh OLD_BUILD_DIR NEW_BUILD_DIR [WORK_DIR]
#
# Each build dir holds arvana-service. Exit 0 when every capture, EEPROM image, printed page and
# every output of the program is identical; otherwise the first differences are shown.
set -euo pipefail
old=$(cd "$1" && pwd) new=$(cd "$2" && pwd)  # each session runs in a folder of its own
work=${3:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)

# One session per line: the model, then the command and its arguments.
sessions=(
  "360 status --json"
  "360 dump"
  "360 dump --range 20-5F --format hex"
  "360 backup -o @/taken.txt"
  "350 head-id"
  "360 head-id --write B1BCDEFABCABY"
  "360 head-id --write AZAAAAAAAAAAD"
  "360 usb-id --write 0123456789"
  "360 bid --write MS-Black=3 6pl-Color=-2"
  "360 top-margin --write +"
  "360 first-dot --write 12"
  "350 first-dot --write 7"
  "360 counter"
  "360 counter --clear"
  "360 init"
  "350 init"
  "360 clean"
  "360 charge"
  "360 print check"
  "350 print bid"
  "360 print top-margin"
  "360 restore @/backup.txt --dry-run"
  "360 restore @/backup.txt"
  "360 diff @/backup.txt --printer --all"
  "360 unfinished"
)

# A printer of its own, made once, so that both builds start from the same head and mechanics.
template=$work/template
rm -rf "$template" && mkdir -p "$template"
"$old/arvana-service" --simulator="$template" --model 360 status > /dev/null 2>&1 || true
# The backup the restore sessions read, taken once by the old build.
"$old/arvana-service" --simulator="$template" --model 360 backup -o "$work/backup.txt" > /dev/null 2>&1
rm -f "$template/capture.log"*

run_sessions() {
  local build=$1 out=$2
  rm -rf "$out" && mkdir -p "$out"
  local i=0
  for session in "${sessions[@]}"; do
    i=$((i + 1))
    local dir=$out/$i printer=$out/$i/printer
    mkdir -p "$dir" && cp -r "$template" "$printer"
    cp "$work/backup.txt" "$dir/backup.txt"
    read -r model command <<< "$session"
    local args=${command//@/$dir}
    # shellcheck disable=SC2086  # the session's words are the arguments
    (cd "$dir" && "$build/arvana-service" --simulator="$printer" --model "$model" --yes $args \
        > stdout 2> stderr < /dev/null; echo $? > status) || true
    # The seconds of each line are the run's own; the bytes are what is compared.
    [ -f "$printer/capture.log" ] && cut -d' ' -f2- "$printer/capture.log" > "$dir/wire"
    rm -f "$printer/capture.log"* "$printer/printer.lock"  # the lock names the process
    sed -i '/^last-used = /d' "$printer/head.txt"  # the wall clock's time of the last job
    sed -i "s#$dir#DIR#g" "$dir/stdout" "$dir/stderr"
  done
}

# Most sessions wait for the printer's own seconds (the reset after a write): both builds at once.
run_sessions "$old" "$work/old" &
run_sessions "$new" "$work/new"
wait
if diff -r "$work/old" "$work/new" > "$work/differences"; then
  echo "identical: ${#sessions[@]} sessions, $(cat "$work"/new/*/wire | wc -l) blocks on the wire"
else
  head -40 "$work/differences"
  echo "captures differ: see $work/differences"
  exit 1
fi
