#!/usr/bin/env bash
# Frame rates of `Brackwood --benchmark` and of the peer program that draws
# the same island walk with another engine, one after the other, with the
# same malloc setting, each in a real window on Xvfb through llvmpipe.
#   bench/demo/compare_peer.sh [BUILD_DIR] [FRAMES]
# The peer lives in ../shared/peers/irrlicht-island beside the repository
# (PEER_DIR overrides); it is built with its own script into
# /tmp/irrlicht-island, never into our build.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
frames=${2:-500}
export GLIBC_TUNABLES=glibc.malloc.trim_threshold=536870912

peer=${PEER_DIR:-}
for candidate in "$root/../shared/peers/irrlicht-island" "$root/../../shared/peers/irrlicht-island"; do
  [[ -z $peer && -x $candidate/run.sh ]] && peer=$(cd "$candidate" && pwd)
done
[[ -x $build/bin/Brackwood ]] || { echo "build Brackwood first (scripts/demo.sh)" >&2; exit 1; }

if [[ -n $peer ]]; then
  [[ -x ${OUT:-/tmp/irrlicht-island}/irr_island ]] || "$peer/build.sh"
  echo "== peer ($peer)"
  "$peer/run.sh" "$build/bin" "$frames" | grep -E "^(frames|per_frame|cpu)"
else
  echo "== peer not found (set PEER_DIR)"
fi

echo "== Brackwood"
source "$root/scripts/xvfb.sh"
cd "$build/bin"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 ./Brackwood --benchmark "$frames"
