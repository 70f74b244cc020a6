#!/usr/bin/env bash
# Builds what the demo needs (the engine library, the sound library, the
# Brackwood program and its generated files; not the tests) and starts
# Brackwood in the folder that holds its files.
#   scripts/demo.sh [Brackwood options...]     e.g. --windowed, --help
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
QRN_TARGETS="Brackwood" "$root/scripts/setup.sh" "$root/build"
cd "$root/build/bin"
exec ./Brackwood "$@"
