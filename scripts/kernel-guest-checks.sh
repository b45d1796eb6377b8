#!/bin/sh
# The checks scripts/test-kernel.sh runs inside its guest, as root, with the modules loaded
# (dummy_hcd with four device controllers, bus N+1 for dummy_udc.N) and configfs mounted:
#   dummy_udc.0  another maker's printer, made by hand (usblp's lp0)
#   dummy_udc.1  the virtual printer the commands run on, through usblp, then through libusb
#   dummy_udc.2  a virtual printer printing the check pages through usblp, meanwhile
#   dummy_udc.3  one printing them through libusb, with usblp unbound from it, meanwhile
# The two pages' printers start from /printer-start, as the host's in-process printer does: the
# host compares the pages they printed through the lines "ARVANA-SUM route file sha256". (Their
# jobs may differ from its job in the number of printer resets between bands: the program sends
# one with each status poll until the printer is ready, and how many polls that takes is a
# matter of timing.)
# Each check prints one line "ARVANA-CHECK ok|FAILED: what (seconds)"; the exit status counts the failures.
set -u
export QT_QPA_PLATFORM=offscreen HOME=/tmp/home XDG_DATA_HOME=/tmp/home/data XDG_STATE_HOME=/tmp/home/state
mkdir -p "$HOME"
gadgets=/sys/kernel/config/usb_gadget
our_id='MFG:VELOR;CMD:1284.4,REMOTE;MDL:Print 360;CLS:PRINTER;DES:Arvana Print 360;'
head_id=AZAAAAAAAAAAC
unplug_limit=30   # seconds from the unplug to the command's end: the read's time-outs and the link's retries
failures=0

now() { cut -d' ' -f1 /proc/uptime; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
report() {  # report STATUS WHAT STARTED
  if [ "$1" -eq 0 ]; then
    echo "ARVANA-CHECK ok: $2 ($(since "$3") s)"
  else
    echo "ARVANA-CHECK FAILED: $2 ($(since "$3") s)"
    sed 's/^/ARVANA-DETAIL   /' /tmp/err | head -n 8
    failures=$((failures + 1))
  fi
}
# check WHAT COMMAND...: the command's output in /tmp/out, its messages in /tmp/err.
check() {
  what=$1
  shift
  check_began=$(now)
  "$@" > /tmp/out 2> /tmp/err
  report $? "$what" "$check_began"
}
wait_for() {  # wait_for PATH: up to 10 s
  tries=0
  while [ ! -e "$1" ] && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries + 1)); done
  [ -e "$1" ]
}
# The USB device on the bus of dummy_udc.N, in sysfs and as libusb opens it.
usb_device() { echo "/sys/bus/usb/devices/$(($1 + 1))-1"; }
usb_node() { printf '/dev/bus/usb/%03d/%03d\n' "$(cat "$(usb_device "$1")/busnum")" "$(cat "$(usb_device "$1")/devnum")"; }
# The port `list` gives the printer on NODE ("VLUSB2").
port_of() { arvana-service list | awk -v node="$1" '$0 ~ node"$" { print $1 }'; }
unbind_usblp() { echo "$(($1 + 1))-1:1.0" > /sys/bus/usb/drivers/usblp/unbind; }

# The package's udev rule as Debian's udev applies it to the kernel's own devices, udevd not
# running: `udevadm test` runs every rule on the device (the helper the rule imports included),
# logs each rule line that assigns a mode or a group and the permissions the node ends with, and
# prints the device's properties, among them the tags this run gave it (CURRENT_TAGS: TAGS keeps
# those of earlier runs, whose record it leaves in /run/udev). Debian's own rules already give
# usblp's nodes and USB printers the group lp; the rule's grant is the tag uaccess (the logged-in
# user's access), which only it gives, and its own mode and group lines, which the node ends with.
# A run that failed, that did not read the rule or that lacks the PROPERTY line (what the helper
# told udev) is no evidence either way.
our_rule=60-arvana-printers.rules
udev_check() {  # udev_check granted|refused WHAT SYSFS-PATH [PROPERTY]
  began=$(now)
  udevadm test --action=add "$3" > /tmp/udev.out 2> /tmp/udev.log
  ran=$?
  grep -q "Reading rules file: .*/$our_rule\$" /tmp/udev.log || ran=1
  [ -z "${4:-}" ] || grep -qx "$4" /tmp/udev.out || ran=1
  tagged=$(grep -c '^CURRENT_TAGS=.*:uaccess:' /tmp/udev.out)
  assigned=$(grep -c "$our_rule:[0-9]* \(MODE 0660\|GROUP 7\)\$" /tmp/udev.log)
  ends_so=$(grep -c ': \(Setting permissions\|Preserve permissions of\) [^ ]*, uid=0, gid=7, mode=0660$' /tmp/udev.log)
  { grep "$our_rule:\|permissions" /tmp/udev.log; grep '^CURRENT_TAGS=\|^ARVANA' /tmp/udev.out
    echo "udevadm ran and read the rule: $([ $ran -eq 0 ] && echo yes || echo no)," \
      "uaccess tags $tagged, the rule's mode and group lines $assigned"; } > /tmp/err
  case $1 in
    granted) [ $ran -eq 0 ] && [ "$tagged" -eq 1 ] && [ "$assigned" -eq 2 ] && [ "$ends_so" -eq 1 ] ;;
    refused) [ $ran -eq 0 ] && [ "$tagged" -eq 0 ] && [ "$assigned" -eq 0 ] ;;
  esac
  report $? "udev: $2" "$began"
}

# Another maker's printer, whose ID names VELOR only in its description.
other=$gadgets/other-maker
mkdir -p "$other/strings/0x409" "$other/configs/c.1" "$other/functions/printer.0"
echo 0x1209 > "$other/idVendor"
echo 0x0002 > "$other/idProduct"
printf 'MFG:OTHERMAKER;MDL:Print 360;CLS:PRINTER;DES:like a VELOR;  ' > "$other/functions/printer.0/pnp_string"
ln -s "$other/functions/printer.0" "$other/configs/c.1/"
echo dummy_udc.0 > "$other/UDC"
wait_for /dev/usb/lp0

sims=
for n in 1 2 3; do
  mkdir -p "/tmp/printer$n"
  cp /printer-start/* "/tmp/printer$n/"
  arvana-printer-sim gadget --udc "dummy_udc.$n" --dir "/tmp/printer$n" > /dev/null 2> "/tmp/gadget$n.err" &
  sims="$sims $!"
  began=$(now)
  wait_for "/dev/usb/lp$n"
  cp "/tmp/gadget$n.err" /tmp/err
  report $? "the virtual printer's gadget on dummy_udc.$n appears as /dev/usb/lp$n" "$began"
done
echo "ARVANA-TIME booted and ready after $(now) s"

# The check pages, meanwhile: through usblp on dummy_udc.2, through libusb on dummy_udc.3.
unbind_usblp 3
printing_began=$(now)
arvana-service --port "$(port_of /dev/usb/lp2)" print check > /dev/null 2> /tmp/print-usblp.err &
print_usblp=$!
arvana-service --port "$(port_of "$(usb_node 3)")" print check > /dev/null 2> /tmp/print-libusb.err &
print_libusb=$!

# The command line through one route: usblp, or libusb where usblp does not serve the printer.
checks() {
  route=$1
  node=$2
  port=$(port_of "$node")
  check "$route: list" arvana-service list
  grep -q "^$port  Arvana Print 360  $node\$" /tmp/out && ! grep -q "/dev/usb/lp0" /tmp/out
  report $? "$route: list offers ours as $port on $node and not the other maker's" "$(now)"
  check "$route: status --json" arvana-service --port "$port" status --json
  grep -q "\"route\": \"$route\"" /tmp/out && grep -q "\"device\": \"$node\"" /tmp/out
  report $? "$route: status --json names the route and the node" "$(now)"
  check "$route: dump" arvana-service --port "$port" dump --range 00-2F
  test "$(wc -l < /tmp/out)" -ge 3
  report $? "$route: dump shows the rows" "$(now)"
  check "$route: head-id --write" arvana-service --port "$port" head-id --write "$head_id" --yes
  check "$route: head-id read back" arvana-service --port "$port" head-id
  test "$(cat /tmp/out)" = "$head_id"
  report $? "$route: head-id reads back $head_id" "$(now)"
  check "$route: backup" arvana-service --port "$port" backup -o "/tmp/backup-$route.eeprom"
  check "$route: restore --yes" arvana-service --port "$port" restore "/tmp/backup-$route.eeprom" --yes

  # Unplugged in the middle of a read: the printer-failure exit status, within the time-outs.
  arvana-service --port "$port" dump > /dev/null 2> /tmp/unplug.err &
  reader=$!
  sleep 2
  began=$(now)
  reading=0
  kill -0 $reader 2> /dev/null || reading=1
  echo > "$gadgets/arvana-printer-dummy_udc.1/UDC"
  wait $reader
  status=$?
  cp /tmp/unplug.err /tmp/err
  elapsed=$(since "$began")
  [ $reading -eq 0 ] && [ "$status" -eq 1 ] && awk -v e="$elapsed" -v l="$unplug_limit" 'BEGIN { exit !(e < l) }'
  report $? "$route: unplugged in a dump: exit status $status after $elapsed s" "$began"
  # Plugged in again for what follows.
  echo dummy_udc.1 > "$gadgets/arvana-printer-dummy_udc.1/UDC"
  wait_for "$(usb_device 1)/busnum"
}

phase_began=$(now)
check "the device ID through usblp is whole" test "$(cat /sys/class/usbmisc/lp1/device/ieee1284_id)" = "$our_id"
udev_check granted "the rule grants ours through usblp (/dev/usb/lp1)" /sys/class/usbmisc/lp1
udev_check granted "the rule grants ours as a USB device ($(usb_node 1))" "$(usb_device 1)" ARVANA_PRINTER_MFG=VELOR
udev_check refused "the rule leaves the other maker's through usblp (/dev/usb/lp0)" /sys/class/usbmisc/lp0
udev_check refused "the rule leaves the other maker's as a USB device ($(usb_node 0))" "$(usb_device 0)" \
  ARVANA_PRINTER_MFG=OTHERMAKER
checks usblp /dev/usb/lp1
echo "ARVANA-TIME usblp: $(since "$phase_began") s"

# libusb chosen where usblp serves the printer: usblp is detached while the program holds the
# printer and bound again however the program ends, so its node comes back.
phase_began=$(now)
wait_for /dev/usb/lp1
port=$(port_of /dev/usb/lp1)
ARVANA_USB=libusb check "usblp loaded, libusb chosen: status --json" arvana-service --port "$port" status --json
grep -q '"route": "libusb"' /tmp/out
report $? "usblp loaded, libusb chosen: status --json names libusb" "$(now)"
wait_for /dev/usb/lp1
report $? "usblp bound again after a normal end" "$(now)"
ARVANA_USB=libusb arvana-service --port "$port" dump > /dev/null 2> /tmp/err &
reader=$!
sleep 2
began=$(now)
kill -TERM $reader
wait $reader
status=$?
[ "$status" -eq 143 ] && wait_for /dev/usb/lp1
report $? "usblp bound again after kill (exit status $status)" "$began"
echo "ARVANA-TIME usblp detached and bound again: $(since "$phase_began") s"

phase_began=$(now)
unbind_usblp 1
checks libusb "$(usb_node 1)"
echo "ARVANA-TIME libusb: $(since "$phase_began") s"

began=$(now)
wait $print_usblp
cp /tmp/print-usblp.err /tmp/err
report $? "usblp: print check" "$printing_began"
wait $print_libusb
cp /tmp/print-libusb.err /tmp/err
report $? "libusb: print check" "$printing_began"
for route in usblp libusb; do
  n=2
  [ $route = libusb ] && n=3
  (cd "/tmp/printer$n" && sha256sum pages/*) | while read -r sum file; do echo "ARVANA-SUM $route $file $sum"; done
done
echo "ARVANA-TIME print check: $(since "$printing_began") s"

# As on a desktop where usblp is blacklisted: the program finds our printers through libusb by itself.
rmmod usblp
check "usblp unloaded" test ! -e /sys/class/usbmisc
check "without usblp: list" arvana-service list
test "$(grep -c '^VLUSB[123]  Arvana Print 360  /dev/bus/usb/' /tmp/out)" -eq 3
report $? "without usblp: list finds our three printers through libusb" "$(now)"

# What the udev rule asks each USB printer through arvana-usb-maker: the maker, from MFG alone.
check "arvana-usb-maker: ours" arvana-usb-maker "$(usb_node 1)"
test "$(cat /tmp/out)" = ARVANA_PRINTER_MFG=VELOR
report $? "arvana-usb-maker names VELOR for ours" "$(now)"
check "arvana-usb-maker: the other maker's" arvana-usb-maker "$(usb_node 0)"
test "$(cat /tmp/out)" = ARVANA_PRINTER_MFG=OTHERMAKER
report $? "arvana-usb-maker names OTHERMAKER for the other maker's, whose ID names VELOR elsewhere" "$(now)"

for sim in $sims; do kill -TERM "$sim"; wait "$sim"; done
check "the gadgets removed when their printers end" test -z "$(ls -d $gadgets/arvana-printer-* 2> /dev/null)"
echo "ARVANA-CHECKS failed: $failures"
exit $failures
