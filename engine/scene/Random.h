// Draws from the runtime library's random generator, which the scene objects
// share (only the terrain generator seeds it).
#pragma once

#include <cstdlib>

namespace qrngu {

// One draw in 0 ... 32767 whatever the runtime library's RAND_MAX is.
inline int RandomDraw() { return std::rand() % 32768; }

// One draw reduced modulo range; 0 (and no draw) when the range is empty, so
// that a degenerate range never divides by zero.
inline long long RandomBelow(long long range) { return range > 0 ? RandomDraw() % range : 0; }

}  // namespace qrngu
