// The back-end half of the four draw calls. The device has validated the
// call (primitive, counts, ranges of its own buffers); a draw here reads as:
// make the draw context, refresh the vertex layout, bind vertex input, flush
// state, pick the program, draw.
//
// User-memory draws copy their vertices (and indices) into the streaming
// ring, checked against its size.
#include <algorithm>
#include <iterator>

#include "device.h"
#include "gl_debug.h"
#include "gl_draw.h"

namespace qrn::d3d9 {

namespace {

constexpr GLsizeiptr kRingBytes = 16 << 20;

// GL primitive of each Direct3D primitive type.
constexpr GLenum kPrimitiveModes[] = {
    GL_POINTS,          // 0: unused (D3DPRIMITIVETYPE starts at 1)
    GL_POINTS,          // D3DPT_POINTLIST
    GL_LINES,           // D3DPT_LINELIST
    GL_LINE_STRIP,      // D3DPT_LINESTRIP
    GL_TRIANGLES,       // D3DPT_TRIANGLELIST
    GL_TRIANGLE_STRIP,  // D3DPT_TRIANGLESTRIP
    GL_TRIANGLE_FAN,    // D3DPT_TRIANGLEFAN
};
static_assert(std::size(kPrimitiveModes) == D3DPT_TRIANGLEFAN + 1);

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

// Everything but the vertex input: targets, raster state, program, textures.
// False when no program can draw the state.
bool Prepare(Device& dev, DrawContext& dc, bool pointList)
{
    DeviceState& s = dev.State();
    // Triangles and lines drawn in point fill mode are points too: the
    // program must give them a size.
    const bool points = pointList || s.renderStates[D3DRS_FILLMODE] == D3DFILL_POINT;
    dev.BindDrawTargets();
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

GLenum IndexType(UINT indexSize) { return indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT; }

}  // namespace

const char* DrawResultText(DrawResult r)
{
    switch (r) {
    case DrawResult::Drawn: return "drawn";
    case DrawResult::NoContext: return "the draw path could not be set up (streaming buffer)";
    case DrawResult::BadLayout: return "no vertex format, or one the fixed-function path cannot draw";
    case DrawResult::StreamMissing: return "a stream the vertex format reads is unbound or too short";
    case DrawResult::UserStreams: return "user-memory draws feed stream 0 only, but the vertex format reads others";
    case DrawResult::RingFull: return "user-memory data larger than the streaming buffer takes";
    case DrawResult::NoProgram: return "no program could be made for the state";
    }
    return "?";
}

DrawContext* EnsureDrawContext(Device* device)
{
    GlBackend& backend = device->Backend();
    backend.MakeCurrent();
    if (DrawContext* dc = backend.GetDrawContext()) {
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
    LabelGlObject(GL_BUFFER, dc->ring.Buffer(), "streaming ring (user memory, uniforms)");
    glCreateSamplers((GLsizei)dc->samplers.size(), dc->samplers.data());
    for (GLuint smp : dc->samplers) LabelGlObject(GL_SAMPLER, smp, "texture stage sampler");
    glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &dc->uniformAlign);
    dc->uniformAlign = std::max<GLint>(dc->uniformAlign, 16);
    dc->maxPointSize = std::max(1.0f, device->Caps().MaxPointSize);
    dc->bufferForgets = dc->gl->BufferForgets();
    backend.draw_ = dc;
    return dc;
}

void GlBackend::DropDrawContext()
{
    if (draw_) {
        MakeCurrent();
        DestroyDrawContext(draw_);
    }
    draw_ = nullptr;
}

DrawResult GlBackend::Draw(DeviceState& s, const DrawCall& call)
{
    DrawContext* dc = EnsureDrawContext(device_);
    if (!dc) return DrawResult::NoContext;
    if (!RefreshLayout(*dc, s)) return DrawResult::BadLayout;
    VertexArray* va = BindLayout(*dc);
    const GLenum mode = kPrimitiveModes[call.type];
    const bool points = call.type == D3DPT_POINTLIST;
    const GLsizei count = (GLsizei)call.vertices;

    if (!call.userVertices) {
        // From the device's streams (and index buffer).
        if (!BindDeviceStreams(*dc, s, *va, call.lastVertex)) return DrawResult::StreamMissing;
        if (call.indexSize) BindElements(*dc, *va, s.indices->GlBuffer());
        // Nothing of it can be seen: no pixel, so no GL work.
        if (dc->cull.Outside(s, dc->layout, call)) return DrawResult::Drawn;
        if (!Prepare(*device_, *dc, points)) return DrawResult::NoProgram;
        if (call.indexSize)
            glDrawElementsBaseVertex(mode, count, IndexType(call.indexSize),
                                     reinterpret_cast<const void*>((uintptr_t)call.startIndex * call.indexSize),
                                     call.baseVertex);
        else
            glDrawArrays(mode, (GLint)call.startVertex, count);
        cache_->CountDraw();
        return DrawResult::Drawn;
    }

    if (va->streamsUsed != 1u) return DrawResult::UserStreams;  // user memory feeds stream 0 only
    GLintptr vAt = -1, iAt = -1;
    uint64_t bytes = 0;
    if (!call.indexSize) {
        bytes = (uint64_t)call.vertices * call.userStride;
        vAt = dc->ring.Write(call.userVertices, (GLsizeiptr)bytes, 16);
        if (vAt < 0) return DrawResult::RingFull;
    } else {
        // Indices count from the start of the caller's array; everything up
        // to the end of the stated range goes into the ring.
        const uint64_t vertexBytes = ((uint64_t)call.minIndex + call.numVertices) * call.userStride;
        if (vertexBytes > (uint64_t)dc->ring.Size() / 8) return DrawResult::RingFull;
        vAt = dc->ring.Write(call.userVertices, (GLsizeiptr)vertexBytes, 16);
        iAt = vAt < 0 ? -1 : dc->ring.Write(call.userIndices, (GLsizeiptr)call.vertices * call.indexSize, 4);
        if (iAt < 0) return DrawResult::RingFull;
        bytes = vertexBytes + (uint64_t)call.vertices * call.indexSize;
    }
    dc->ringBytes += bytes;
    cache_->CountUpload(bytes);
    BindStream(*dc, *va, 0, dc->ring.Buffer(), vAt, (GLsizei)call.userStride);
    if (call.indexSize) BindElements(*dc, *va, dc->ring.Buffer());
    if (!Prepare(*device_, *dc, points)) return DrawResult::NoProgram;
    if (call.indexSize)
        // Indices beyond the stated range would read outside the copy.
        glDrawRangeElements(mode, call.minIndex, call.minIndex + call.numVertices - 1, count,
                            IndexType(call.indexSize), reinterpret_cast<const void*>((uintptr_t)iAt));
    else
        glDrawArrays(mode, 0, count);
    cache_->CountDraw();
    return DrawResult::Drawn;
}

}  // namespace qrn::d3d9
