#!/usr/bin/env bash
# A long benchmark walk at the lowest priority, with the program's resident
# memory sampled every few seconds: the curve should stay flat after the
# first minute.
#   bench/demo/memory_run.sh [BUILD_DIR] [FRAMES] [SECONDS_BETWEEN_SAMPLES] > rss.csv
# 108000 frames (the default) walk the circle for 30 minutes of walk time.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
frames=${2:-108000}
every=${3:-5}
export GLIBC_TUNABLES=glibc.malloc.trim_threshold=536870912
source "$root/scripts/xvfb.sh"
cd "$build/bin"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy nice -n 19 ./Brackwood --benchmark "$frames" > /tmp/brackwood-memory-run.txt &
pid=$!
start=$(date +%s)
echo "seconds,rss_kib"
while kill -0 "$pid" 2>/dev/null; do
  rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
  [[ -n $rss ]] && echo "$(( $(date +%s) - start )),$rss"
  sleep "$every"
done
wait "$pid"
cat /tmp/brackwood-memory-run.txt >&2
