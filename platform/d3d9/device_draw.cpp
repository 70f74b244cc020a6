// The four draw calls of the device: validation here, drawing in the back
// end (gl_draw.cpp). Arguments are checked before anything reaches GL: a bad
// primitive type, a count of zero, a range outside the bound buffers or a
// vertex format the fixed-function path cannot draw is D3DERR_INVALIDCALL
// and draws nothing. A lost device draws nothing and reports success, as
// Direct3D does.
//
// After a user-memory draw that reached the draw itself, stream 0 and the
// index buffer are unbound, as on Direct3D.
#include <iterator>

#include "device.h"
#include "refusal.h"

namespace qrn::d3d9 {

namespace {

// Vertices (or indices) that n primitives of each type use: n * perPrimitive + extra.
struct PrimitiveShape {
    uint64_t perPrimitive;
    uint64_t extra;
};
constexpr PrimitiveShape kPrimitiveShapes[] = {
    {0, 0},  // 0: unused (D3DPRIMITIVETYPE starts at 1)
    {1, 0},  // D3DPT_POINTLIST
    {2, 0},  // D3DPT_LINELIST
    {1, 1},  // D3DPT_LINESTRIP
    {3, 0},  // D3DPT_TRIANGLELIST
    {1, 2},  // D3DPT_TRIANGLESTRIP
    {1, 2},  // D3DPT_TRIANGLEFAN
};
static_assert(std::size(kPrimitiveShapes) == D3DPT_TRIANGLEFAN + 1);

}  // namespace

// What every draw call checks first: the primitive type and count, and a
// render target to draw into. Fills call->type and call->vertices.
HRESULT Device::CheckDraw(const char* name, D3DPRIMITIVETYPE type, UINT count, DrawCall* call)
{
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN)
        return Refuse(name, "PrimitiveType", static_cast<uint64_t>(type), "1..6 (D3DPT_POINTLIST..D3DPT_TRIANGLEFAN)");
    if (count == 0) return Refuse(name, "PrimitiveCount", 0, "at least 1");
    const PrimitiveShape& shape = kPrimitiveShapes[type];
    const uint64_t vertices = count * shape.perPrimitive + shape.extra;
    if (vertices > 0x7fffffffu) return Refuse(name, "PrimitiveCount", count, "vertices beyond 2^31");
    // Without a render target (a Reset that failed unbinds everything) there
    // is nothing to draw into: refused like Clear, lost device or not.
    if (!state_.renderTargets[0]) return Refuse(name, "render target 0", 0, "a bound render target");
    call->type = type;
    call->vertices = static_cast<UINT>(vertices);
    return D3D_OK;
}

// Hands a validated draw to the back end; a refusal there says why.
HRESULT Device::SubmitDraw(const char* name, const DrawCall& call)
{
    const DrawResult r = gl_.Draw(state_, call);
    if (r == DrawResult::Drawn) return D3D_OK;
    return RefuseWhy(name, DrawResultText(r));
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount)
{
    DrawCall call;
    if (HRESULT hr = CheckDraw("DrawPrimitive", type, primitiveCount, &call); FAILED(hr)) return hr;
    if (IsLost()) return D3D_OK;
    call.startVertex = startVertex;
    call.lastVertex = (uint64_t)startVertex + call.vertices;
    return SubmitDraw("DrawPrimitive", call);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                     UINT numVertices, UINT startIndex, UINT primCount)
{
    constexpr const char* kName = "DrawIndexedPrimitive";
    DrawCall call;
    if (HRESULT hr = CheckDraw(kName, type, primCount, &call); FAILED(hr)) return hr;
    if (IsLost()) return D3D_OK;
    IndexBuffer* ib = state_.indices;
    if (!ib || ib->GlBuffer() == 0) return Refuse(kName, "index buffer", 0, "a bound index buffer");
    const uint64_t indexSize = ib->IndexSize();
    if (((uint64_t)startIndex + call.vertices) * indexSize > ib->Size())
        return Refuse(kName, "startIndex + indices", (uint64_t)startIndex + call.vertices, "the index buffer's length");
    // The vertex range the indices may reach, checked against the streams.
    const int64_t last = (int64_t)baseVertexIndex + minVertexIndex + numVertices;
    if (last < 0 || (int64_t)baseVertexIndex + (int64_t)minVertexIndex < 0)
        return Refuse(kName, "BaseVertexIndex", static_cast<uint64_t>(baseVertexIndex), "a vertex range at or above 0");
    call.baseVertex = baseVertexIndex;
    call.startIndex = startIndex;
    call.indexSize = static_cast<UINT>(indexSize);
    call.lastVertex = (uint64_t)last;
    return SubmitDraw(kName, call);
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, CONST void* vertices, UINT stride)
{
    constexpr const char* kName = "DrawPrimitiveUP";
    DrawCall call;
    if (HRESULT hr = CheckDraw(kName, type, primitiveCount, &call); FAILED(hr)) return hr;
    if (!vertices) return Refuse(kName, "pVertexStreamZeroData", 0, "not null");
    if (stride == 0) return Refuse(kName, "VertexStreamZeroStride", 0, "at least 1");
    if (IsLost()) return D3D_OK;
    call.userVertices = vertices;
    call.userStride = stride;
    const DrawResult r = gl_.Draw(state_, call);
    if (r == DrawResult::Drawn || r == DrawResult::NoProgram) SetStreamSource(0, nullptr, 0, 0);
    return r == DrawResult::Drawn ? D3D_OK : RefuseWhy(kName, DrawResultText(r));
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices,
                                       UINT primitiveCount, CONST void* indexData, D3DFORMAT indexFormat,
                                       CONST void* vertices, UINT stride)
{
    constexpr const char* kName = "DrawIndexedPrimitiveUP";
    DrawCall call;
    if (HRESULT hr = CheckDraw(kName, type, primitiveCount, &call); FAILED(hr)) return hr;
    if (!vertices) return Refuse(kName, "pVertexStreamZeroData", 0, "not null");
    if (!indexData) return Refuse(kName, "pIndexData", 0, "not null");
    if (stride == 0) return Refuse(kName, "VertexStreamZeroStride", 0, "at least 1");
    if (numVertices == 0) return Refuse(kName, "NumVertices", 0, "at least 1");
    if (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32)
        return Refuse(kName, "IndexDataFormat", static_cast<uint64_t>(indexFormat), "D3DFMT_INDEX16 or D3DFMT_INDEX32");
    if (IsLost()) return D3D_OK;
    const UINT indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    // Every index must stay inside the stated vertex range, since only that
    // much of the caller's memory is copied.
    const uint64_t end = (uint64_t)minVertexIndex + numVertices;
    for (UINT i = 0; i < call.vertices; ++i) {
        const uint32_t index = indexSize == 4 ? static_cast<const uint32_t*>(indexData)[i]
                                              : static_cast<const uint16_t*>(indexData)[i];
        if (index >= end) return Refuse(kName, "index", index, "MinVertexIndex + NumVertices");
    }
    call.userVertices = vertices;
    call.userStride = stride;
    call.userIndices = indexData;
    call.indexSize = indexSize;
    call.minIndex = minVertexIndex;
    call.numVertices = numVertices;
    const DrawResult r = gl_.Draw(state_, call);
    if (r == DrawResult::Drawn || r == DrawResult::NoProgram) {
        SetStreamSource(0, nullptr, 0, 0);
        SetIndices(nullptr);
    }
    return r == DrawResult::Drawn ? D3D_OK : RefuseWhy(kName, DrawResultText(r));
}

}  // namespace qrn::d3d9
