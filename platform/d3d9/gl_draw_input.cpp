// Vertex input of the draw path: the streaming ring, the layout of the
// current vertex format, and one vertex array per layout whose buffer
// bindings are shadowed so that unchanged streams cost nothing.
#include <cstring>

#include "device.h"
#include "gl_debug.h"
#include "gl_draw.h"

namespace qrn::d3d9 {

// ---- the streaming ring -----------------------------------------------------------------

bool StreamRing::Init(GLsizeiptr size)
{
    glCreateBuffers(1, &buffer_);
    const GLbitfield flags = GL_MAP_WRITE_BIT | GL_MAP_PERSISTENT_BIT | GL_MAP_COHERENT_BIT;
    glNamedBufferStorage(buffer_, size, nullptr, flags);
    mapped_ = static_cast<uint8_t*>(glMapNamedBufferRange(buffer_, 0, size, flags));
    size_ = size;
    head_ = 0;
    return mapped_ != nullptr;
}

void StreamRing::Destroy(GlCache& cache)
{
    for (GLsync& f : fences_)
        if (f) glDeleteSync(f), f = nullptr;
    if (buffer_) {
        if (mapped_) glUnmapNamedBuffer(buffer_);
        cache.ForgetBuffer(buffer_);
        glDeleteBuffers(1, &buffer_);
    }
    buffer_ = 0;
    mapped_ = nullptr;
}

GLintptr StreamRing::Write(const void* data, GLsizeiptr bytes, GLsizeiptr align)
{
    const GLsizeiptr segment = size_ / kSegments;
    if (!mapped_ || bytes <= 0 || bytes > segment) return -1;
    GLsizeiptr at = (head_ + align - 1) / align * align;
    // Never let one write straddle two segments: the fence of the segment
    // being entered is waited for before anything lands in it.
    const GLsizeiptr segOfAt = at / segment;
    if (at + bytes > size_ || (at + bytes - 1) / segment != segOfAt) at = ((at / segment) + 1) * segment;
    if (at + bytes > size_) at = 0;
    const int from = (int)(head_ == 0 ? -1 : (head_ - 1) / segment);
    const int to = (int)(at / segment);
    if (from != to) {
        ++epoch_;
        if (from >= 0) {
            if (fences_[from]) glDeleteSync(fences_[from]);
            fences_[from] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        }
        if (fences_[to]) {
            glClientWaitSync(fences_[to], GL_SYNC_FLUSH_COMMANDS_BIT, 10'000'000'000ull);
            glDeleteSync(fences_[to]);
            fences_[to] = nullptr;
        }
    }
    memcpy(mapped_ + at, data, (size_t)bytes);
    head_ = at + bytes;
    return at;
}

// ---- layouts ------------------------------------------------------------------------------

bool LayoutSignature::operator==(const LayoutSignature& o) const
{
    if (layout.pretransformed != o.layout.pretransformed) return false;
    return memcmp(layout.attribs, o.layout.attribs, sizeof layout.attribs) == 0;
}

size_t LayoutSignatureHash::operator()(const LayoutSignature& s) const
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.layout.attribs);
    uint64_t h = 1469598103934665603ull ^ (s.layout.pretransformed ? 1 : 0);
    for (size_t i = 0; i < sizeof s.layout.attribs; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return (size_t)h;
}

bool RefreshLayout(DrawContext& dc, DeviceState& s)
{
    if (dc.layoutValid && !(s.dirty & kDirtyVertexFormat)) return true;
    s.dirty &= ~kDirtyVertexFormat;
    dc.layoutValid = false;
    dc.layoutArray = nullptr;
    dc.keyValid = false;
    if (s.fvf != 0) {
        dc.layoutValid = LayoutFromFvf(s.fvf, &dc.layout);
    } else if (s.declaration) {
        std::vector<D3DVERTEXELEMENT9> elements = s.declaration->Elements();
        elements.push_back(D3DVERTEXELEMENT9 D3DDECL_END());
        dc.layoutValid = LayoutFromDeclaration(elements.data(), &dc.layout);
    }
    return dc.layoutValid;
}

namespace {

// GL attribute format of a declaration type: component count, type, normalised.
void AttribFormat(GLuint vao, GLuint loc, uint32_t declType, GLuint offset)
{
    switch (declType) {
    case D3DDECLTYPE_FLOAT1: glVertexArrayAttribFormat(vao, loc, 1, GL_FLOAT, GL_FALSE, offset); break;
    case D3DDECLTYPE_FLOAT2: glVertexArrayAttribFormat(vao, loc, 2, GL_FLOAT, GL_FALSE, offset); break;
    case D3DDECLTYPE_FLOAT3: glVertexArrayAttribFormat(vao, loc, 3, GL_FLOAT, GL_FALSE, offset); break;
    case D3DDECLTYPE_FLOAT4: glVertexArrayAttribFormat(vao, loc, 4, GL_FLOAT, GL_FALSE, offset); break;
    // D3DCOLOR is B, G, R, A in memory; GL_BGRA delivers it as R, G, B, A.
    case D3DDECLTYPE_D3DCOLOR: glVertexArrayAttribFormat(vao, loc, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, offset); break;
    case D3DDECLTYPE_UBYTE4: glVertexArrayAttribFormat(vao, loc, 4, GL_UNSIGNED_BYTE, GL_FALSE, offset); break;
    case D3DDECLTYPE_SHORT2: glVertexArrayAttribFormat(vao, loc, 2, GL_SHORT, GL_FALSE, offset); break;
    case D3DDECLTYPE_SHORT4: glVertexArrayAttribFormat(vao, loc, 4, GL_SHORT, GL_FALSE, offset); break;
    case D3DDECLTYPE_UBYTE4N: glVertexArrayAttribFormat(vao, loc, 4, GL_UNSIGNED_BYTE, GL_TRUE, offset); break;
    case D3DDECLTYPE_SHORT2N: glVertexArrayAttribFormat(vao, loc, 2, GL_SHORT, GL_TRUE, offset); break;
    case D3DDECLTYPE_SHORT4N: glVertexArrayAttribFormat(vao, loc, 4, GL_SHORT, GL_TRUE, offset); break;
    case D3DDECLTYPE_USHORT2N: glVertexArrayAttribFormat(vao, loc, 2, GL_UNSIGNED_SHORT, GL_TRUE, offset); break;
    case D3DDECLTYPE_USHORT4N: glVertexArrayAttribFormat(vao, loc, 4, GL_UNSIGNED_SHORT, GL_TRUE, offset); break;
    case D3DDECLTYPE_UDEC3: glVertexArrayAttribFormat(vao, loc, 4, GL_UNSIGNED_INT_2_10_10_10_REV, GL_FALSE, offset); break;
    case D3DDECLTYPE_DEC3N: glVertexArrayAttribFormat(vao, loc, 4, GL_INT_2_10_10_10_REV, GL_TRUE, offset); break;
    case D3DDECLTYPE_FLOAT16_2: glVertexArrayAttribFormat(vao, loc, 2, GL_HALF_FLOAT, GL_FALSE, offset); break;
    case D3DDECLTYPE_FLOAT16_4: glVertexArrayAttribFormat(vao, loc, 4, GL_HALF_FLOAT, GL_FALSE, offset); break;
    default: break;
    }
}

}  // namespace

VertexArray* BindLayout(DrawContext& dc)
{
    // A deleted buffer's name may come back for a new buffer: forget what
    // every binding was believed to hold.
    if (dc.bufferForgets != dc.gl->BufferForgets()) {
        for (auto& [sig, va] : dc.vertexArrays) {
            va->buffers.fill(0);
            va->elements = 0;
        }
        dc.bufferForgets = dc.gl->BufferForgets();
    }
    if (dc.layoutArray) {
        dc.gl->BindVertexArray(dc.layoutArray->vao);
        return dc.layoutArray;
    }
    LayoutSignature sig{dc.layout};
    auto it = dc.vertexArrays.find(sig);
    if (it == dc.vertexArrays.end()) {
        auto va = std::make_unique<VertexArray>();
        glCreateVertexArrays(1, &va->vao);
        LabelGlObject(GL_VERTEX_ARRAY, va->vao, "vertex layout");
        for (GLuint loc = 0; loc < kAttrCount; ++loc) {
            const FfpAttribFormat& f = dc.layout.attribs[loc];
            if (!f.present) continue;
            glEnableVertexArrayAttrib(va->vao, loc);
            AttribFormat(va->vao, loc, f.declType, f.offset);
            glVertexArrayAttribBinding(va->vao, loc, f.stream);
            va->streamsUsed |= 1u << f.stream;
        }
        it = dc.vertexArrays.emplace(sig, std::move(va)).first;
    }
    dc.layoutArray = it->second.get();
    dc.gl->BindVertexArray(dc.layoutArray->vao);
    return dc.layoutArray;
}

void BindStream(DrawContext& dc, VertexArray& va, uint32_t stream, GLuint buffer, GLintptr offset, GLsizei stride)
{
    if (!dc.gl->ForceAll() && va.buffers[stream] == buffer && va.offsets[stream] == offset && va.strides[stream] == stride)
        return;
    glVertexArrayVertexBuffer(va.vao, stream, buffer, offset, stride);
    va.buffers[stream] = buffer;
    va.offsets[stream] = offset;
    va.strides[stream] = stride;
    dc.gl->NoteBindCall();
}

void BindElements(DrawContext& dc, VertexArray& va, GLuint buffer)
{
    if (!dc.gl->ForceAll() && va.elements == buffer) return;
    glVertexArrayElementBuffer(va.vao, buffer);
    va.elements = buffer;
    dc.gl->NoteBindCall();
}

}  // namespace qrn::d3d9
