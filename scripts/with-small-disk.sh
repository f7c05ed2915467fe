#!/usr/bin/env bash
# Runs the output-disk-full case of the fault matrix with its output folder on
# a file system of 2 MB of its own (a tmpfs, mounted here and removed after).
# Mounting needs root and a system that allows it; where it cannot be had the
# test runs anyway and skips, with mount's own words as the reason.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
test_exe=$1
disk=$(cd "$(dirname "$test_exe")" && pwd)/small-disk.$$
mkdir -p "$disk"
if why=$(mount -t tmpfs -o size=2m,mode=0777 korvane-small-disk "$disk" 2>&1); then
  export KORVANE_SMALL_DISK=$disk
  trap 'umount "$disk" 2>/dev/null || umount -l "$disk"; rmdir "$disk"' EXIT
else
  export KORVANE_SMALL_DISK_ERROR=${why:-mount failed}
  trap 'rmdir "$disk"' EXIT
fi
wine "$test_exe" --gtest_filter=FaultMatrix.OutputDiskFull
