// Flexible vertex format codes: their size and their elements. Shared by the
// device (declarations from FVF codes) and the D3DX mesh functions (vertex
// sizes, layout conversion between formats).
#pragma once

#include <vector>

#include "d3d9types.h"

namespace qrn::d3d9 {

// Bytes of one vertex of an FVF code; 0 for an invalid code.
UINT FvfVertexSize(DWORD fvf);
// Floats of texture coordinate set i of an FVF code (D3DFVF_TEXCOORDSIZEn).
UINT FvfTexCoordFloats(DWORD fvf, UINT i);
// The elements of an FVF code in vertex order (stream 0, without the end
// marker); false for an invalid code.
bool FvfElements(DWORD fvf, std::vector<D3DVERTEXELEMENT9>* elements);

}  // namespace qrn::d3d9
