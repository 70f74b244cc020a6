#!/usr/bin/env bash
# Sets up, builds and runs every test: first the normal build, then the check
# that the installed engine serves another project, then the same tests built
# with the address and undefined-behaviour sanitisers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup.sh "$root/build"
BUILD_TYPE=Debug scripts/setup.sh "$root/build-asan" -DQRN_SANITIZE=ON

source scripts/xvfb.sh
export GLIBC_TUNABLES=glibc.malloc.trim_threshold=536870912

echo "== tests =="
ctest --test-dir build --output-on-failure -j2
echo "== install check: another project builds and runs on the installed engine =="
scripts/install_check.sh "$root/build"
echo "== tests under address and undefined-behaviour sanitisers =="
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j2
