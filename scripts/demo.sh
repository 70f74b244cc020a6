#!/usr/bin/env bash
# Sets up, builds and starts the demo in the folder that holds its files.
#   scripts/demo.sh [demo options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build"
cd "$root/build/bin"
# Until the demo program is built, the viewer stands in for it: it walks over
# the same island, sea and sky (in a window unless options are given).
if [[ -x ./Brackwood ]]; then
  exec ./Brackwood "$@"
elif (($#)); then
  exec ./viewer "$@"
else
  exec ./viewer --windowed
fi
