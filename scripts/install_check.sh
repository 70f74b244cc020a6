#!/usr/bin/env bash
# Checks that another project can use an installed Quarnel: installs a build
# tree into a temporary prefix and moves it (nothing installed may name the
# prefix), builds examples/hello-island against it once with CMake and once
# with pkg-config, runs both headless for a few frames, and checks what the
# user is told when the display, OpenGL 4.5 or the island's files are missing.
# Then makes the Debian package and checks its declared dependencies.
#   scripts/install_check.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d /tmp/qrn-install.XXXXXX)
trap 'rm -rf "$work"' EXIT

fail() { echo "install check: $*" >&2; exit 1; }
# run_example <program> <folder>: a few frames, with sound (the engine found
# its sound library beside itself).
run_example() {
  timeout -k 5 60 "$1" "$2" 10 >"$work/out" 2>&1 || { cat "$work/out" >&2; fail "$1 failed"; }
  ! grep -q "no sound" "$work/out" || fail "$1 found no sound library"
}
# expect_message <wanted stderr text> <command...>: the command fails and says so.
expect_message() {
  local want=$1; shift
  if "$@" >"$work/out" 2>&1; then fail "succeeded, expected \"$want\": $*"; fi
  grep -qF "$want" "$work/out" || { cat "$work/out" >&2; fail "no \"$want\" from: $*"; }
}

cmake --install "$build" --prefix "$work/staged" >/dev/null
mv "$work/staged" "$work/prefix"
prefix=$work/prefix
! grep -rlF "$work/staged" "$prefix" || fail "installed files name the prefix they were installed to"
[[ ! -e $prefix/include/windows.h && -f $prefix/include/quarnel/platform/windows.h ]] ||
  fail "Windows-style headers belong under include/quarnel/platform only"
library=$(find "$prefix" -name 'libQuarnel.so.*.*' -type f)
[[ -f $(dirname "$library")/libqrnsound.so ]] || fail "libqrnsound.so is not beside $library"
# (awk reads all of objdump's output: grep -q would stop early and, with
# pipefail, fail the pipe.)
soname=$(objdump -p "$library" | awk '$1 == "SONAME" { print $2 }')
[[ $soname == libQuarnel.so.1 ]] || fail "$library has no SONAME libQuarnel.so.1"

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy QRN_MESSAGEBOX=stderr
data=$prefix/share/brackwood
example=$root/examples/hello-island

echo "install check: find_package(Quarnel) ..."
cmake -S "$example" -B "$work/with-cmake" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/with-cmake" >/dev/null
run_example "$work/with-cmake/hello-island" "$data"

echo "install check: pkg-config quarnel ..."
export PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name quarnel.pc)")
# shellcheck disable=SC2046
g++ -std=c++17 -O1 "$example/main.cpp" -o "$work/with-pkg-config" $(pkg-config --cflags --libs quarnel) \
  -DISLAND_DIR="\"$(pkg-config --variable=datadir quarnel)\"" \
  -Wl,-rpath,"$(pkg-config --variable=libdir quarnel)"
run_example "$work/with-pkg-config" "$(pkg-config --variable=datadir quarnel)"

echo "install check: start-up failures ..."
expect_message "no display could be opened" \
  env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 timeout -k 5 30 "$work/with-pkg-config" "$data" 5
expect_message "OpenGL 4.5 (core profile) is not available" \
  env MESA_GL_VERSION_OVERRIDE=3.3 timeout -k 5 30 "$work/with-pkg-config" "$data" 5
expect_message "the island's files are not in $work" "$work/with-pkg-config" "$work" 5

echo "install check: brackwood launcher ..."
mv "$data/particles.txt" "$work/particles.txt"
expect_message "particles.txt" "$prefix/bin/brackwood"
mv "$work/particles.txt" "$data/particles.txt"
timeout -k 5 60 "$prefix/bin/brackwood" --windowed --frames 10

echo "install check: cpack -G DEB ..."
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(echo "$work"/quarnel_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for need in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libepoxy0 libgl1; do
  [[ $depends == *"$need"* ]] || fail "$deb does not depend on $need: $depends"
done
echo "install check: passed ($(du -sk "$prefix" | cut -f1) KiB installed, $(du -k "$deb" | cut -f1) KiB package)"
