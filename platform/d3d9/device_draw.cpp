// The four draw calls of the device. Each reads as: validate, flush state,
// pick the program, bind vertex input, draw. Arguments are checked before
// anything reaches GL: a bad primitive type, a count of zero, a range outside
// the bound buffers or a vertex format the fixed-function path cannot draw
// is D3DERR_INVALIDCALL and draws nothing. A lost device draws nothing and
// reports success, as Direct3D does.
//
// User-memory draws copy their vertices (and indices) into the streaming
// ring; afterwards stream 0 and the index buffer are unbound, as on Direct3D.
#include <algorithm>

#include "device.h"
#include "draw_context.h"

namespace qrn::d3d9 {

namespace {

constexpr GLsizeiptr kRingBytes = 16 << 20;

void DestroyDrawContext(DrawContext* dc)
{
    GlCache& gl = *dc->gl;
    dc->programs.Clear(gl);
    DestroyShaderDrawState(*dc);
    for (auto& [sig, va] : dc->vertexArrays) {
        gl.ForgetVertexArray(va->vao);
        glDeleteVertexArrays(1, &va->vao);
    }
    for (GLuint& smp : dc->samplers) {
        gl.ForgetSampler(smp);
        glDeleteSamplers(1, &smp);
    }
    dc->ring.Destroy(gl);
    delete dc;
}

struct Primitive {
    GLenum mode;
    UINT vertices;  // vertices (or indices) that `count` primitives use
};

bool PrimitiveInfo(D3DPRIMITIVETYPE type, UINT count, Primitive* p)
{
    switch (type) {
    case D3DPT_POINTLIST: *p = {GL_POINTS, count}; return true;
    case D3DPT_LINELIST: *p = {GL_LINES, count * 2}; return true;
    case D3DPT_LINESTRIP: *p = {GL_LINE_STRIP, count + 1}; return true;
    case D3DPT_TRIANGLELIST: *p = {GL_TRIANGLES, count * 3}; return true;
    case D3DPT_TRIANGLESTRIP: *p = {GL_TRIANGLE_STRIP, count + 2}; return true;
    case D3DPT_TRIANGLEFAN: *p = {GL_TRIANGLE_FAN, count + 2}; return true;
    default: return false;
    }
}

// Everything but the vertex input: targets, raster state, program, textures.
// False when the draw cannot happen (no render target, no program).
bool Prepare(Device& dev, DrawContext& dc, bool pointList)
{
    DeviceState& s = dev.State();
    // Triangles and lines drawn in point fill mode are points too: the
    // program must give them a size.
    const bool points = pointList || s.renderStates[D3DRS_FILLMODE] == D3DFILL_POINT;
    if (!dev.BindDrawTargets()) return false;
    ApplyRasterState(dc, s);
    if (!ApplyProgram(dc, s, points)) return false;
    if (s.pixelShader) ApplyTextureUnits(dc, s, ShaderTextureUnits(s));
    else ApplyTextures(dc, s, dc.key);
    return true;
}

// Binds the device's streams to the vertex array; false when a stream the
// layout reads is missing or too short for `lastVertex` (exclusive).
bool BindDeviceStreams(DrawContext& dc, const DeviceState& s, VertexArray& va, uint64_t lastVertex)
{
    for (uint32_t n = 0; n < kFfpMaxStreams; ++n) {
        if (!(va.streamsUsed & (1u << n))) continue;
        const StreamSource& src = s.streams[n];
        if (!src.buffer || src.buffer->GlBuffer() == 0) return false;
        uint32_t need = 0;  // bytes of one vertex this stream must hold
        for (uint32_t a = 0; a < kAttrCount; ++a) {
            const FfpAttribFormat& f = dc.layout.attribs[a];
            if (f.present && f.stream == n) need = std::max(need, f.offset + DeclTypeSize(f.declType));
        }
        if (lastVertex > 0 &&
            (uint64_t)src.offset + (lastVertex - 1) * src.stride + need > src.buffer->Size())
            return false;
        BindStream(dc, va, n, src.buffer->GlBuffer(), src.offset, (GLsizei)src.stride);
    }
    return true;
}

}  // namespace

DrawContext* EnsureDrawContext(Device* device)
{
    device->MakeCurrent();
    if (DrawContext* dc = device->GetDrawContext()) {
        if (device->ReapplyAllState()) device->Gl().Invalidate();
        return dc;
    }
    auto* dc = new DrawContext;
    dc->device = device;
    dc->gl = &device->Gl();
    if (!dc->ring.Init(kRingBytes)) {
        dc->ring.Destroy(*dc->gl);
        delete dc;
        return nullptr;
    }
    glCreateSamplers((GLsizei)dc->samplers.size(), dc->samplers.data());
    glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &dc->uniformAlign);
    dc->uniformAlign = std::max<GLint>(dc->uniformAlign, 16);
    dc->maxPointSize = std::max(1.0f, device->Caps().MaxPointSize);
    dc->bufferForgets = dc->gl->BufferForgets();
    device->SetDrawContext(dc, DestroyDrawContext);
    return dc;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount)
{
    Primitive prim;
    if (!PrimitiveInfo(type, primitiveCount, &prim) || primitiveCount == 0) return D3DERR_INVALIDCALL;
    // Without a render target (a Reset that failed unbinds everything) there
    // is nothing to draw into: refused like Clear, lost device or not.
    if (!state_.renderTargets[0]) return D3DERR_INVALIDCALL;
    if (IsLost()) return D3D_OK;
    DrawContext* dc = EnsureDrawContext(this);
    if (!dc || !RefreshLayout(*dc, state_)) return D3DERR_INVALIDCALL;
    VertexArray* va = BindLayout(*dc);
    if (!BindDeviceStreams(*dc, state_, *va, (uint64_t)startVertex + prim.vertices)) return D3DERR_INVALIDCALL;
    if (!Prepare(*this, *dc, type == D3DPT_POINTLIST)) return D3DERR_INVALIDCALL;
    glDrawArrays(prim.mode, (GLint)startVertex, (GLsizei)prim.vertices);
    gl_.CountDraw();
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                     UINT numVertices, UINT startIndex, UINT primCount)
{
    Primitive prim;
    if (!PrimitiveInfo(type, primCount, &prim) || primCount == 0) return D3DERR_INVALIDCALL;
    if (!state_.renderTargets[0]) return D3DERR_INVALIDCALL;  // as above
    if (IsLost()) return D3D_OK;
    IndexBuffer* ib = state_.indices;
    if (!ib || ib->GlBuffer() == 0) return D3DERR_INVALIDCALL;
    const uint64_t indexSize = ib->IndexSize();
    if (((uint64_t)startIndex + prim.vertices) * indexSize > ib->Size()) return D3DERR_INVALIDCALL;
    DrawContext* dc = EnsureDrawContext(this);
    if (!dc || !RefreshLayout(*dc, state_)) return D3DERR_INVALIDCALL;
    VertexArray* va = BindLayout(*dc);
    // The vertex range the indices may reach, checked against the streams.
    const int64_t last = (int64_t)baseVertexIndex + minVertexIndex + numVertices;
    if (last < 0 || (int64_t)baseVertexIndex + (int64_t)minVertexIndex < 0) return D3DERR_INVALIDCALL;
    if (!BindDeviceStreams(*dc, state_, *va, (uint64_t)last)) return D3DERR_INVALIDCALL;
    BindElements(*dc, *va, ib->GlBuffer());
    if (!Prepare(*this, *dc, type == D3DPT_POINTLIST)) return D3DERR_INVALIDCALL;
    const GLenum itype = indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
    glDrawElementsBaseVertex(prim.mode, (GLsizei)prim.vertices, itype,
                             reinterpret_cast<const void*>((uintptr_t)(startIndex * indexSize)), baseVertexIndex);
    gl_.CountDraw();
    return D3D_OK;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, CONST void* vertices, UINT stride)
{
    Primitive prim;
    if (!PrimitiveInfo(type, primitiveCount, &prim) || primitiveCount == 0 || !vertices || stride == 0)
        return D3DERR_INVALIDCALL;
    if (!state_.renderTargets[0]) return D3DERR_INVALIDCALL;  // as above
    if (IsLost()) return D3D_OK;
    DrawContext* dc = EnsureDrawContext(this);
    if (!dc || !RefreshLayout(*dc, state_)) return D3DERR_INVALIDCALL;
    VertexArray* va = BindLayout(*dc);
    if (va->streamsUsed != 1u) return D3DERR_INVALIDCALL;  // user memory feeds stream 0 only
    const GLintptr at = dc->ring.Write(vertices, (GLsizeiptr)prim.vertices * stride, 16);
    if (at < 0) return D3DERR_INVALIDCALL;
    dc->ringBytes += (uint64_t)prim.vertices * stride;
    gl_.CountUpload((uint64_t)prim.vertices * stride);
    BindStream(*dc, *va, 0, dc->ring.Buffer(), at, (GLsizei)stride);
    HRESULT hr = D3DERR_INVALIDCALL;
    if (Prepare(*this, *dc, type == D3DPT_POINTLIST)) {
        glDrawArrays(prim.mode, 0, (GLsizei)prim.vertices);
        gl_.CountDraw();
        hr = D3D_OK;
    }
    SetStreamSource(0, nullptr, 0, 0);
    return hr;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minVertexIndex, UINT numVertices,
                                       UINT primitiveCount, CONST void* indexData, D3DFORMAT indexFormat,
                                       CONST void* vertices, UINT stride)
{
    Primitive prim;
    if (!PrimitiveInfo(type, primitiveCount, &prim) || primitiveCount == 0 || !vertices || !indexData ||
        stride == 0 || numVertices == 0 || (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    if (!state_.renderTargets[0]) return D3DERR_INVALIDCALL;  // as above
    if (IsLost()) return D3D_OK;
    DrawContext* dc = EnsureDrawContext(this);
    if (!dc || !RefreshLayout(*dc, state_)) return D3DERR_INVALIDCALL;
    VertexArray* va = BindLayout(*dc);
    if (va->streamsUsed != 1u) return D3DERR_INVALIDCALL;
    const uint32_t indexSize = indexFormat == D3DFMT_INDEX32 ? 4 : 2;
    // Every index must stay inside the stated vertex range, since only that
    // much of the caller's memory is copied.
    const uint64_t end = (uint64_t)minVertexIndex + numVertices;
    for (UINT i = 0; i < prim.vertices; ++i) {
        const uint32_t index = indexSize == 4 ? static_cast<const uint32_t*>(indexData)[i]
                                              : static_cast<const uint16_t*>(indexData)[i];
        if (index >= end) return D3DERR_INVALIDCALL;
    }
    // Indices count from the start of the caller's array; everything up to
    // the end of the stated range goes into the ring.
    const uint64_t vertexBytes = end * stride;
    if (vertexBytes > (uint64_t)dc->ring.Size() / 8) return D3DERR_INVALIDCALL;
    const GLintptr vAt = dc->ring.Write(vertices, (GLsizeiptr)vertexBytes, 16);
    const GLintptr iAt = vAt < 0 ? -1 : dc->ring.Write(indexData, (GLsizeiptr)prim.vertices * indexSize, 4);
    if (iAt < 0) return D3DERR_INVALIDCALL;
    dc->ringBytes += vertexBytes + (uint64_t)prim.vertices * indexSize;
    gl_.CountUpload(vertexBytes + (uint64_t)prim.vertices * indexSize);
    BindStream(*dc, *va, 0, dc->ring.Buffer(), vAt, (GLsizei)stride);
    BindElements(*dc, *va, dc->ring.Buffer());
    HRESULT hr = D3DERR_INVALIDCALL;
    if (Prepare(*this, *dc, type == D3DPT_POINTLIST)) {
        // Indices beyond the stated range would read outside the copy.
        glDrawRangeElements(prim.mode, minVertexIndex, minVertexIndex + numVertices - 1, (GLsizei)prim.vertices,
                            indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                            reinterpret_cast<const void*>((uintptr_t)iAt));
        gl_.CountDraw();
        hr = D3D_OK;
    }
    SetStreamSource(0, nullptr, 0, 0);
    SetIndices(nullptr);
    return hr;
}

}  // namespace qrn::d3d9
