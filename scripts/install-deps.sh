#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the windows need, when they are missing.
set -euo pipefail

packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev libcli11-dev nlohmann-json3-dev
          zlib1g-dev qt6-image-formats-plugins desktop-file-utils dpkg-dev xvfb xauth
          lintian appstream fonts-dejavu-core  # the package's checks, and the text of the window's screenshot
          groff-base zsh  # the manual pages' check and the completions' tests
          clang libclang-rt-14-dev lld  # the sanitizer build
          binutils  # ld.gold, for the optimised build
          libusb-1.0-0-dev pkg-config  # USB printers that usblp does not serve
          qemu-system-x86 busybox-static cpio udev  # the kernel test: the guest, its shell, its initramfs, the rule's udevadm
          poppler-utils libxml2-utils  # the job sheet's checks: its PDF's text, its HTML well-formed
          python3 python3-pil python3-numpy)  # the last three: the second degrader of the scan bench
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
