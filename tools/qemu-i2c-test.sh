#!/usr/bin/env bash
# Boots Debian's own kernel under qemu (TCG, no KVM needed) with an initramfs
# of a static busybox, loads i2c-dev and i2c-stub (a chip at 0x50) and runs a
# static test program against the stub's /dev/i2c-N, as
#   program /dev/i2c-N "adapter name"   (also in DDC_TEST_DEVICE, DDC_TEST_ADAPTER)
# Its exit code becomes the verdict line the guest prints on the serial
# console; qemu exits 0 whatever happens, so the verdict is read from the
# serial log. Prints the program's output and the time taken; exits 0 only
# on PASS.
# Usage: tools/qemu-i2c-test.sh [static-test-program]
#   Default: build/ddc_kernel_check when it exists, else tests/kernel/stub_probe.c
#   built here with gcc -static.
# Environment: TAVOLIN_QEMU_KERNEL (default build-qemu/kernel), QEMU_TIMEOUT
#   (seconds, default 120), I2C_STUB_PARAMS (default chip_addr=0x50).
# Needs tools/install-deps.sh --qemu, which also fetches the kernel: nothing is
# downloaded here.
set -euo pipefail

say() { echo "qemu-i2c-test: $*"; }
fail() {
  echo "qemu-i2c-test: $*" >&2
  exit 1
}

[ $# -le 1 ] || fail "usage: tools/qemu-i2c-test.sh [static-test-program]"
# Paths given are taken from where the script was started.
program=${1:+$(realpath -m -- "$1")}
kernel=${TAVOLIN_QEMU_KERNEL:+$(realpath -m -- "$TAVOLIN_QEMU_KERNEL")}
cd "$(dirname "$0")/.."
kernel=${kernel:-$PWD/build-qemu/kernel}
limit=${QEMU_TIMEOUT:-120}
stub_params=${I2C_STUB_PARAMS:-chip_addr=0x50}
[[ $limit =~ ^[0-9]+$ ]] || fail "QEMU_TIMEOUT must be a number of seconds, not '$limit'"
# It is written into the guest's init script as it stands.
[[ $stub_params =~ ^[A-Za-z0-9_=,\ ]+$ ]] || fail "I2C_STUB_PARAMS holds characters other than letters, digits, _ = , and spaces"

for f in vmlinuz i2c-dev.ko i2c-stub.ko; do
  [ -f "$kernel/$f" ] || fail "no $kernel/$f: run tools/install-deps.sh --qemu first"
done
for tool in qemu-system-x86_64 cpio readelf; do
  command -v "$tool" >/dev/null || fail "$tool not found: run tools/install-deps.sh --qemu first"
done
busybox=/bin/busybox
if [ ! -x "$busybox" ] || readelf -l "$busybox" | grep -q INTERP; then
  fail "$busybox is missing or not static: run tools/install-deps.sh --qemu (busybox-static)"
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

if [ -z "$program" ] && [ -e build/ddc_kernel_check ]; then
  program=build/ddc_kernel_check
fi
if [ -z "$program" ]; then
  program="$tmp/stub_probe"
  say "no test program given and no build/ddc_kernel_check: building tests/kernel/stub_probe.c"
  gcc -std=c11 -O2 -Wall -Wextra -Werror -static -o "$program" tests/kernel/stub_probe.c -l:libi2c.a ||
    fail "building stub_probe failed (needs gcc and libi2c-dev: tools/install-deps.sh --qemu)"
fi
{ [ -f "$program" ] && [ -x "$program" ]; } || fail "$program is not an executable file"
readelf -h "$program" >/dev/null 2>&1 || fail "$program is not an ELF program"
# The guest has no C library: a dynamically linked program would not start.
! readelf -l "$program" | grep -q INTERP || fail "$program is not statically linked"

root="$tmp/root"
mkdir -p "$root"/{bin,dev,proc,sys,lib/modules}
cp "$busybox" "$root/bin/busybox"
cp "$kernel/i2c-dev.ko" "$kernel/i2c-stub.ko" "$root/lib/modules/"
cp "$program" "$root/bin/test-program"
cat >"$root/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp
exec </dev/console >/dev/console 2>&1
verdict() {
  echo "TAVOLIN-QEMU-RESULT: \$*"
  poweroff -f
}
# The firmware's last line may still lack its line end.
echo
echo "TAVOLIN-QEMU: kernel \$(uname -r)"
insmod /lib/modules/i2c-dev.ko || verdict "FAIL (insmod i2c-dev.ko)"
insmod /lib/modules/i2c-stub.ko $stub_params || verdict "FAIL (insmod i2c-stub.ko $stub_params)"
device=""
for n in /sys/class/i2c-dev/*/name; do
  [ -f "\$n" ] || continue
  if grep -q "SMBus stub driver" "\$n"; then
    adapter=\$(cat "\$n")
    device=/dev/\$(basename "\$(dirname "\$n")")
    break
  fi
done
[ -n "\$device" ] || verdict "FAIL (no i2c-stub adapter in /sys/class/i2c-dev)"
[ -c "\$device" ] || verdict "FAIL (no character device \$device)"
echo "TAVOLIN-QEMU: stub adapter \"\$adapter\" at \$device"
echo "TAVOLIN-QEMU-OUTPUT-BEGIN"
DDC_TEST_DEVICE=\$device DDC_TEST_ADAPTER=\$adapter /bin/test-program "\$device" "\$adapter" </dev/null 2>&1
rc=\$?
echo "TAVOLIN-QEMU-OUTPUT-END exit code \$rc"
if [ "\$rc" -eq 0 ]; then verdict PASS; else verdict "FAIL (test program exit code \$rc)"; fi
EOF
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$tmp/initrd.gz"

log="$tmp/serial.log"
say "booting $(sed -n 's/^Package: //p' "$kernel/package" 2>/dev/null || echo "$kernel/vmlinuz") with $program (limit ${limit} s)"
start=$(date +%s%N)
rc=0
timeout "$limit" qemu-system-x86_64 -accel tcg -m 256 -nographic -no-reboot -nic none \
  -kernel "$kernel/vmlinuz" -initrd "$tmp/initrd.gz" \
  -append "console=ttyS0 panic=-1 quiet" </dev/null >"$log" 2>&1 || rc=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
took="$((elapsed / 1000)).$(printf '%03d' $((elapsed % 1000)) | cut -c1)"
# Line ends and the firmware's terminal resets off, so that lines match whole.
sed -e 's/\r$//' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\x1bc//g' "$log" >"$log.txt"

show_tail() {
  echo "--- last 40 lines of the serial log ---" >&2
  tail -n 40 "$log.txt" >&2
  echo "---" >&2
}
if [ "$rc" -eq 124 ]; then
  show_tail
  fail "qemu did not end within $limit s"
fi
if [ "$rc" -ne 0 ]; then
  show_tail
  fail "qemu failed with exit code $rc after $took s"
fi

sed -n 's/^TAVOLIN-QEMU: /guest: /p' "$log.txt"
sed -n '/^TAVOLIN-QEMU-OUTPUT-BEGIN$/,/^TAVOLIN-QEMU-OUTPUT-END/{//!p}' "$log.txt" | sed 's/^/  | /'
result=$(grep -a '^TAVOLIN-QEMU-RESULT: ' "$log.txt" | tail -n 1 || true)
if [ -z "$result" ]; then
  show_tail
  fail "no verdict on the serial console (the guest ended after $took s without one)"
fi
verdict=${result#TAVOLIN-QEMU-RESULT: }
[ "$verdict" = PASS ] || { show_tail; fail "$verdict, after $took s"; }
say "PASS, after $took s (boot, test and power-off)"
