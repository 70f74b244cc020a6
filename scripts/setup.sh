#!/usr/bin/env bash
# Installs the Debian packages the project needs (only those missing), then
# configures and builds one build tree (everything, or only the targets named
# in QRN_TARGETS, separated by blanks).
#   scripts/setup.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}; shift || true

missing=()
while read -r pkg; do
  [[ -z $pkg || $pkg == \#* ]] && continue
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done < "$root/scripts/packages.txt"

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=""; [[ $(id -u) -ne 0 ]] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
targets=()
for t in ${QRN_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
