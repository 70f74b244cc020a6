// Direct3D 9 stand-in header (filled in by its stand-in).
#pragma once

#include "d3d9types.h"
