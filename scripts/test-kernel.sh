#!/usr/bin/env bash
# Runs the command line through a real Linux kernel's USB printer path without a printer: boots
# Debian 12's kernel in QEMU, where the virtual printer becomes a USB printer gadget on the dummy
# device controller and the guest's own usblp driver finds it, and runs the checks of
# scripts/kernel-guest-checks.sh there. Usage: scripts/test-kernel.sh [BUILD] (default
# build-test/release, which must hold arvana-service, arvana-printer-sim and arvana-usb-maker).
# ARVANA_SKIP_KERNEL_TEST=1 skips it. A kernel that does not boot is a failure, never a pass.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test/release}
if [ "${ARVANA_SKIP_KERNEL_TEST:-}" = 1 ]; then
  echo "kernel test: skipped (ARVANA_SKIP_KERNEL_TEST=1)"
  exit 0
fi
started=$(date +%s)
work=$build/kernel-test
cache=$work/cache            # the kernel package, kept between runs
tree=$work/initramfs
mkdir -p "$cache"
modules=(usb-common usbcore udc-core configfs libcomposite usb_f_printer dummy_hcd usblp)  # in loading order
whole_run_limit=600          # seconds for boot, checks and power-off, under software emulation beside the builds

phase() { echo "kernel test: $1 $(( $(date +%s) - started )) s"; }

# The kernel: the versioned package that Debian's linux-image-amd64 names, fetched once.
kernel_deb=$(ls "$cache"/linux-image-6.1.0-*-amd64_*.deb 2> /dev/null | head -n 1 || true)
if [ -z "$kernel_deb" ]; then
  # A machine whose package lists were never fetched (all packages there already) fetches them once.
  update=(apt-get update -qq)
  [ "$(id -u)" -ne 0 ] && update=(sudo "${update[@]}")
  (cd "$cache" && apt-get download -q linux-image-amd64 > /dev/null 2>&1) \
    || { "${update[@]}" > /dev/null 2>&1 && (cd "$cache" && apt-get download -q linux-image-amd64 > /dev/null 2>&1); } \
    || { echo "kernel test: FAILED: apt-get download linux-image-amd64 did not work"; exit 1; }
  versioned=$(dpkg-deb -f "$cache"/linux-image-amd64_*.deb Depends | grep -o 'linux-image-6\.1\.0-[0-9]*-amd64' | head -n 1)
  [ -n "$versioned" ] || { echo "kernel test: FAILED: linux-image-amd64 names no 6.1 kernel"; exit 1; }
  (cd "$cache" && apt-get download -q "$versioned" > /dev/null 2>&1) \
    || { echo "kernel test: FAILED: apt-get download $versioned did not work"; exit 1; }
  rm -f "$cache"/linux-image-amd64_*.deb
  kernel_deb=$(ls "$cache"/"$versioned"_*.deb)
fi
kernel_dir=$cache/unpacked
if [ ! -f "$kernel_dir.stamp" ] || [ "$kernel_deb" -nt "$kernel_dir.stamp" ]; then
  rm -rf "$kernel_dir" "$kernel_dir.stamp"
  dpkg-deb -x "$kernel_deb" "$kernel_dir"
  touch "$kernel_dir.stamp"
fi
vmlinuz=$(ls "$kernel_dir"/boot/vmlinuz-*)
phase "kernel ready"

# The initramfs: busybox, the modules, the programs with every library they load, the checks.
rm -rf "$tree"
mkdir -p "$tree"/{bin,modules,proc,sys,dev,tmp,run}
cp /bin/busybox "$tree/bin/busybox"
for module in "${modules[@]}"; do
  file=$(find "$kernel_dir/lib/modules" -name "$module.ko" | head -n 1)
  [ -n "$file" ] || { echo "kernel test: FAILED: the kernel package has no $module.ko"; exit 1; }
  # Each module after those it needs, as the package's modules name them (underscores and dashes alike).
  for needed in $(tr '\0' '\n' < "$file" | sed -n 's/^depends=//p' | tr ',' ' '); do
    grep -qx "$(echo "$needed" | tr '_' '-')\|$(echo "$needed" | tr '-' '_')" "$tree/modules/order" 2> /dev/null \
      || { echo "kernel test: FAILED: $module needs $needed, which is not loaded before it"; exit 1; }
  done
  cp "$file" "$tree/modules/"
  echo "$module" >> "$tree/modules/order"
done
copy_program() {  # copy_program FILE: into the guest's /bin, with every library it loads
  cp "$1" "$tree/bin/"
  ldd "$1" | grep -o '/[^ ]*' | while read -r library; do
    mkdir -p "$tree$(dirname "$library")"
    cp -L -n "$library" "$tree$library"
  done
}
for program in arvana-service arvana-printer-sim arvana-usb-maker; do
  [ -x "$build/$program" ] || { echo "kernel test: FAILED: $build/$program is not built"; exit 1; }
  copy_program "$build/$program"
done
# The package's udev rule and its helper where the package installs them, beside Debian's own
# rules (they give USB devices the properties the rule matches on), for udevadm to apply to the
# guest's devices. Debian's udev looks for the helper under /lib/udev: /usr/lib/udev, as on a
# merged-/usr system. The rule's group as Debian numbers it.
udevadm=$(command -v udevadm || true)
[ -n "$udevadm" ] || { echo "kernel test: FAILED: udevadm is not installed (the package udev)"; exit 1; }
copy_program "$udevadm"
mkdir -p "$tree/usr/lib/udev/rules.d" "$tree/etc"
mapfile -t debian_rules < <(dpkg-query -L udev | grep '/rules\.d/.*\.rules$')
cp "${debian_rules[@]}" packaging/60-arvana-printers.rules "$tree/usr/lib/udev/rules.d/"
cp "$build/arvana-usb-maker" "$tree/usr/lib/udev/"
ln -s ../usr/lib/udev "$tree/lib/udev"
printf 'root:x:0:\nlp:x:7:\n' > "$tree/etc/group"
cp scripts/kernel-guest-checks.sh "$tree/checks.sh"

# The printer the check pages are printed on, made here once: the guest's printers start from it,
# and so does the in-process printer that prints the same pages here, while the guest runs.
start_printer=$work/printer-start
reference=$work/reference
rm -rf "$start_printer" "$reference"
mkdir -p "$start_printer" "$work/home"
echo 'model = 360' > "$start_printer/printer.conf"
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_STATE_HOME=$work/home/state QT_QPA_PLATFORM=offscreen
"$build/arvana-service" --simulator="$start_printer" --port VLUSB1 status > /dev/null 2>&1 \
  || { echo "kernel test: FAILED: the virtual printer could not be made"; exit 1; }
rm -rf "$start_printer"/{capture.log,printer.lock,jobs,pages}
mkdir -p "$tree/printer-start"
cp "$start_printer"/* "$tree/printer-start/"
cp -r "$start_printer" "$reference"
"$build/arvana-service" --simulator="$reference" --port VLUSB1 print check > /dev/null 2> "$work/reference.err" &
reference_print=$!
trap 'kill "$reference_print" 2> /dev/null || true' EXIT
cat > "$tree/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
for module in $(cat /modules/order); do
  parameters=
  [ "$module" = dummy_hcd ] && parameters=num=4   # four device controllers: see checks.sh
  insmod "/modules/$module.ko" $parameters || echo "ARVANA-GUEST: cannot load $module"
done
mount -t configfs configfs /sys/kernel/config
sh /checks.sh
echo "ARVANA-GUEST-RESULT $?"
poweroff -f
INIT
chmod +x "$tree/init" "$tree/checks.sh"
image=$work/initramfs.cpio
(cd "$tree" && find . | cpio -o -H newc --quiet) > "$image"
phase "initramfs ready ($(( $(stat -c %s "$image") / 1048576 )) MiB)"

acceleration=(-accel tcg)
if [ -r /dev/kvm ] && [ -w /dev/kvm ]; then acceleration=(-accel kvm -cpu host); fi
log=$work/console.log
status=0
timeout "$whole_run_limit" qemu-system-x86_64 "${acceleration[@]}" -m 1024 -smp 2 -nographic -no-reboot \
  -kernel "$vmlinuz" -initrd "$image" -append "console=ttyS0 panic=-1 quiet loglevel=3" > "$log" 2>&1 || status=$?
grep -a '^ARVANA-' "$log" | grep -av '^ARVANA-SUM' | tr -d '\r' || true
phase "guest ran (${acceleration[1]})"
if [ "$status" -eq 124 ]; then
  echo "kernel test: FAILED: the guest did not finish within $whole_run_limit s; its console: $log"
  exit 1
fi
if ! grep -aq '^ARVANA-GUEST-RESULT' "$log"; then
  echo "kernel test: FAILED: THE KERNEL DID NOT BOOT OR THE CHECKS DID NOT RUN (qemu status $status); its console:"
  tail -n 40 "$log"
  exit 1
fi
if ! grep -aq '^ARVANA-GUEST-RESULT 0' "$log"; then
  echo "kernel test: FAILED; the guest's console: $log"
  exit 1
fi
# The pages printed through each route are the in-process printer's, byte for byte.
wait "$reference_print" || { echo "kernel test: FAILED: print check on the in-process printer"; cat "$work/reference.err"; exit 1; }
(cd "$reference" && sha256sum pages/*) | awk '{ print $2, $1 }' > "$work/reference.sums"
for route in usblp libusb; do
  grep -a "^ARVANA-SUM $route " "$log" | tr -d '\r' | awk '{ print $3, $4 }' > "$work/$route.sums"
  if [ ! -s "$work/$route.sums" ] || ! cmp -s "$work/reference.sums" "$work/$route.sums"; then
    echo "kernel test: FAILED: the check pages printed through $route are not the in-process printer's:"
    diff "$work/reference.sums" "$work/$route.sums" || true
    exit 1
  fi
  echo "kernel test: the check pages through $route are the in-process printer's ($(wc -l < "$work/reference.sums") files)"
done
echo "kernel test: passed in $(( $(date +%s) - started )) s"
