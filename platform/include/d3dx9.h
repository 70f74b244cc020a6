// D3DX9 stand-in: the utility functions the engine uses, in the real headers'
// split (math helpers; meshes; image files; shaders).
#pragma once

#include "d3d9.h"
#include "d3dx9core.h"
#include "d3dx9math.h"
#include "d3dx9mesh.h"
#include "d3dx9shader.h"
#include "d3dx9tex.h"
