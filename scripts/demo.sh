#!/usr/bin/env bash
# Sets up, builds and starts the demo in the folder that holds its files.
#   scripts/demo.sh [demo options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" "$root/build"
cd "$root/build/bin"
prog=./Brackwood
[[ -x $prog ]] || prog=./sample_app
exec "$prog" "$@"
