#!/usr/bin/env bash
# ctest's emulator: runs one Windows executable in the project's prefix.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@"
