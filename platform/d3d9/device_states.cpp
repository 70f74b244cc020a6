// The recorded state: every Set* stores what it was told (and holds bound
// objects), every Get* answers it. Nothing here talks to GL; the draw path
// applies the state at draw time.
#include "device.h"
#include "refusal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace qrn::d3d9 {

namespace {

template <class Iface, class T>
void HandOut(T* object, Iface** out)
{
    if (object) object->ExtAddRef();
    *out = object;
}

D3DMATRIX* TransformSlot(DeviceState& s, D3DTRANSFORMSTATETYPE t)
{
    const DWORD v = static_cast<DWORD>(t);
    if (v == D3DTS_VIEW) return &s.view;
    if (v == D3DTS_PROJECTION) return &s.projection;
    if (v >= D3DTS_TEXTURE0 && v <= D3DTS_TEXTURE7) return &s.textureTransforms[v - D3DTS_TEXTURE0];
    if (v >= 256 && v < 256 + kMaxWorldMatrices) return &s.world[v - 256];
    return nullptr;
}

// Maps sampler numbers to slots: 0..15 only; the vertex-texture samplers
// have none and are refused.
int SamplerSlot(DWORD sampler)
{
    if (sampler < kMaxSamplers) return static_cast<int>(sampler);
    return -1;
}

}  // namespace

// ---- render targets --------------------------------------------------------------------------------
HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* surface)
{
    if (index >= kMaxRenderTargets) return RefuseWhy(__func__, "index >= kMaxRenderTargets");
    if (index == 0 && !surface) return RefuseWhy(__func__, "index == 0 && !surface");
    auto* s = static_cast<Surface*>(surface);
    if (Foreign(s, this)) return RefuseWhy(__func__, "Foreign(s, this)");
    if (s && (!s->IsRenderTarget() || s->IsDepth() || s->Pool() != D3DPOOL_DEFAULT))
        return RefuseWhy(__func__, "s && (!s->IsRenderTarget() || s->IsDepth() || s->Pool() != D3DPOOL_DEFAULT)");
    Rebind(state_.renderTargets[index], s);
    if (index == 0) FitViewportTo(*s);
    state_.dirty |= kDirtyFramebuffer;
    gl_.DrawTargetsChanged();
    return D3D_OK;
}

// A new render target 0 brings the viewport (and scissor) to its size.
void Device::FitViewportTo(const Surface& target)
{
    state_.viewport = D3DVIEWPORT9{0, 0, target.Width(), target.Height(), 0.0f, 1.0f};
    state_.scissor = target.Whole();
    state_.dirty |= kDirtyViewport | kDirtyScissor;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (index >= kMaxRenderTargets) return RefuseWhy(__func__, "index >= kMaxRenderTargets");
    Surface* s = state_.renderTargets[index];
    if (!s) return D3DERR_NOTFOUND;
    s->AddRef();
    *out = s;
    return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* surface)
{
    auto* s = static_cast<Surface*>(surface);
    if (Foreign(s, this) || (s && !s->IsDepth()))
        return RefuseWhy(__func__, "Foreign(s, this) || (s && !s->IsDepth())");
    Rebind(state_.depthStencil, s);
    state_.dirty |= kDirtyFramebuffer;
    gl_.DrawTargetsChanged();
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    if (!state_.depthStencil) return D3DERR_NOTFOUND;
    state_.depthStencil->AddRef();
    *out = state_.depthStencil;
    return D3D_OK;
}

// ---- transforms, viewport, material, lights, clip planes --------------------------------------------
HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE t, CONST D3DMATRIX* m)
{
    D3DMATRIX* slot = TransformSlot(state_, t);
    if (!slot || !m) return RefuseWhy(__func__, "!slot || !m");
    *slot = *m;
    state_.dirty |= kDirtyTransform;
    return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE t, D3DMATRIX* m)
{
    D3DMATRIX* slot = TransformSlot(state_, t);
    if (!slot || !m) return RefuseWhy(__func__, "!slot || !m");
    *m = *slot;
    return D3D_OK;
}

HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE t, CONST D3DMATRIX* m)
{
    D3DMATRIX* slot = TransformSlot(state_, t);
    if (!slot || !m) return RefuseWhy(__func__, "!slot || !m");
    // The new matrix is m times the current one (m applied first).
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += m->m[i][k] * slot->m[k][j];
            r.m[i][j] = sum;
        }
    *slot = r;
    state_.dirty |= kDirtyTransform;
    return D3D_OK;
}

HRESULT Device::SetViewport(CONST D3DVIEWPORT9* vp)
{
    if (!vp) return RefuseWhy(__func__, "!vp");
    const UINT w = TargetWidth(), h = TargetHeight();
    if (vp->Width == 0 || vp->Height == 0) return RefuseWhy(__func__, "vp->Width == 0 || vp->Height == 0");
    if (static_cast<uint64_t>(vp->X) + vp->Width > w || static_cast<uint64_t>(vp->Y) + vp->Height > h)
        return RefuseWhy(__func__, "static_cast<uint64_t>(vp->X) + vp->Width > w || static_cast<uint64_t>(vp->Y) + vp->Height > h");
    if (!(vp->MinZ >= 0.0f && vp->MinZ <= 1.0f && vp->MaxZ >= 0.0f && vp->MaxZ <= 1.0f))
        return RefuseWhy(__func__, "!(vp->MinZ >= 0.0f && vp->MinZ <= 1.0f && vp->MaxZ >= 0.0f && vp->MaxZ <= 1.0f)");
    state_.viewport = *vp;
    state_.dirty |= kDirtyViewport;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* vp)
{
    if (!vp) return RefuseWhy(__func__, "!vp");
    *vp = state_.viewport;
    return D3D_OK;
}

HRESULT Device::SetMaterial(CONST D3DMATERIAL9* m)
{
    if (!m) return RefuseWhy(__func__, "!m");
    state_.material = *m;
    state_.dirty |= kDirtyMaterial;
    return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* m)
{
    if (!m) return RefuseWhy(__func__, "!m");
    *m = state_.material;
    return D3D_OK;
}

HRESULT Device::SetLight(DWORD index, CONST D3DLIGHT9* light)
{
    if (!light) return RefuseWhy(__func__, "!light");
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return RefuseWhy(__func__, "light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL");
    if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f))
        return RefuseWhy(__func__, "light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f)");
    state_.lights[index].light = *light;
    state_.dirty |= kDirtyLights;
    return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light)
{
    if (!light) return RefuseWhy(__func__, "!light");
    auto it = state_.lights.find(index);
    if (it == state_.lights.end()) return RefuseWhy(__func__, "it == state_.lights.end()");
    *light = it->second.light;
    return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable)
{
    auto it = state_.lights.find(index);
    auto& list = state_.enabledLights;
    unsigned& n = state_.enabledLightCount;
    const bool wasOn = it != state_.lights.end() && it->second.enabled;
    if (enable && !wasOn && n >= kMaxActiveLights)
        return RefuseWhy(__func__, "enable && !wasOn && n >= kMaxActiveLights");  // beyond MaxActiveLights
    if (it == state_.lights.end()) {
        // Enabling a light that was never set creates the default light:
        // white directional light shining along +z.
        LightSlot slot;
        slot.light.Type = D3DLIGHT_DIRECTIONAL;
        slot.light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
        slot.light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
        it = state_.lights.emplace(index, slot).first;
    }
    LightSlot& slot = it->second;
    if (enable && !slot.enabled) {
        list[n++] = index;
        slot.enabled = true;
    } else if (!enable && slot.enabled) {
        auto end = list.begin() + n;
        auto pos = std::find(list.begin(), end, index);
        if (pos != end) {
            std::copy(pos + 1, end, pos);
            --n;
        }
        slot.enabled = false;
    }
    state_.dirty |= kDirtyLights;
    return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable)
{
    if (!enable) return RefuseWhy(__func__, "!enable");
    auto it = state_.lights.find(index);
    if (it == state_.lights.end()) return RefuseWhy(__func__, "it == state_.lights.end()");
    *enable = it->second.enabled ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT Device::SetClipPlane(DWORD index, CONST float* plane)
{
    if (!plane || index >= state_.clipPlanes.size())
        return RefuseWhy(__func__, "!plane || index >= state_.clipPlanes.size()");
    std::copy(plane, plane + 4, state_.clipPlanes[index].begin());
    state_.dirty |= kDirtyClipPlanes;
    return D3D_OK;
}

HRESULT Device::GetClipPlane(DWORD index, float* plane)
{
    if (!plane || index >= state_.clipPlanes.size())
        return RefuseWhy(__func__, "!plane || index >= state_.clipPlanes.size()");
    std::copy(state_.clipPlanes[index].begin(), state_.clipPlanes[index].end(), plane);
    return D3D_OK;
}

// ---- render, stage and sampler states -------------------------------------------------------------
HRESULT Device::SetRenderState(D3DRENDERSTATETYPE st, DWORD value)
{
    const DWORD i = static_cast<DWORD>(st);
    if (i >= kMaxRenderStates) return Refuse(__func__, "State", i, "below the render-state table's size");
    state_.renderStates[i] = value;
    state_.dirty |= kDirtyRenderState;
    if (i == D3DRS_CLIPPLANEENABLE) state_.dirty |= kDirtyClipPlanes;
    if (i == D3DRS_SCISSORTESTENABLE) state_.dirty |= kDirtyScissor;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE st, DWORD* value)
{
    const DWORD i = static_cast<DWORD>(st);
    if (!value || i >= kMaxRenderStates) return RefuseWhy(__func__, "!value || i >= kMaxRenderStates");
    *value = state_.renderStates[i];
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    *out = nullptr;
    const int slot = SamplerSlot(stage);
    if (slot < 0) return RefuseWhy(__func__, "slot < 0");
    HandOut(state_.textures[static_cast<size_t>(slot)], out);
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture)
{
    const int slot = SamplerSlot(stage);
    if (slot < 0) return Refuse(__func__, "Stage", stage, "0..15, D3DDMAPSAMPLER or D3DVERTEXTEXTURESAMPLER0..3");
    auto* t = static_cast<Texture*>(texture);
    if (Foreign(t, this)) return RefuseWhy(__func__, "Foreign(t, this)");
    if (t && (t->Pool() == D3DPOOL_SYSTEMMEM || t->Pool() == D3DPOOL_SCRATCH))
        return RefuseWhy(__func__, "t && (t->Pool() == D3DPOOL_SYSTEMMEM || t->Pool() == D3DPOOL_SCRATCH)");
    Rebind(state_.textures[static_cast<size_t>(slot)], t);
    state_.dirty |= kDirtyTextures;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value)
{
    const DWORD t = static_cast<DWORD>(type);
    if (!value || stage >= kMaxStages || t >= kMaxStageStates)
        return RefuseWhy(__func__, "!value || stage >= kMaxStages || t >= kMaxStageStates");
    *value = state_.stageStates[stage][t];
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
{
    const DWORD t = static_cast<DWORD>(type);
    if (stage >= kMaxStages) return Refuse(__func__, "Stage", stage, "0..7");
    if (t >= kMaxStageStates) return Refuse(__func__, "Type", t, "a D3DTEXTURESTAGESTATETYPE, below 33");
    state_.stageStates[stage][t] = value;
    state_.dirty |= kDirtyStageState;
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value)
{
    const DWORD t = static_cast<DWORD>(type);
    const int slot = SamplerSlot(sampler);
    if (!value || slot < 0 || t >= kMaxSamplerStates)
        return RefuseWhy(__func__, "!value || slot < 0 || t >= kMaxSamplerStates");
    *value = state_.samplerStates[static_cast<size_t>(slot)][t];
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value)
{
    const DWORD t = static_cast<DWORD>(type);
    const int slot = SamplerSlot(sampler);
    if (slot < 0) return Refuse(__func__, "Sampler", sampler, "0..15, D3DDMAPSAMPLER or D3DVERTEXTEXTURESAMPLER0..3");
    if (t >= kMaxSamplerStates) return Refuse(__func__, "Type", t, "a D3DSAMPLERSTATETYPE, below 14");
    state_.samplerStates[static_cast<size_t>(slot)][t] = value;
    state_.dirty |= kDirtySamplerState;
    return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* passes)
{
    if (!passes) return RefuseWhy(__func__, "!passes");
    *passes = 1;
    return D3D_OK;
}

HRESULT Device::SetScissorRect(CONST RECT* r)
{
    if (!r || r->left > r->right || r->top > r->bottom)
        return RefuseWhy(__func__, "!r || r->left > r->right || r->top > r->bottom");
    // The draw path hands GL the width and height, which must fit a GLsizei.
    if (int64_t{r->right} - r->left > INT32_MAX || int64_t{r->bottom} - r->top > INT32_MAX)
        return RefuseWhy(__func__, "a width or height beyond 2^31 - 1");
    state_.scissor = *r;
    state_.dirty |= kDirtyScissor;
    return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* r)
{
    if (!r) return RefuseWhy(__func__, "!r");
    *r = state_.scissor;
    return D3D_OK;
}

HRESULT Device::SetSoftwareVertexProcessing(BOOL software)
{
    // Only a mixed-mode device may switch; the others keep what they were
    // created with.
    if (!(behavior_ & D3DCREATE_MIXED_VERTEXPROCESSING)) {
        const bool createdSoftware = (behavior_ & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0;
        return (software != FALSE) == createdSoftware
                   ? D3D_OK
                   : RefuseWhy(__func__, "the device's vertex processing was fixed at creation (not MIXED)");
    }
    state_.softwareVertexProcessing = software != FALSE;
    return D3D_OK;
}

BOOL Device::GetSoftwareVertexProcessing() { return state_.softwareVertexProcessing ? TRUE : FALSE; }

// ---- vertex input ----------------------------------------------------------------------------------
HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* decl)
{
    auto* d = static_cast<VertexDeclaration*>(decl);
    if (Foreign(d, this)) return RefuseWhy(__func__, "Foreign(d, this)");
    Rebind(state_.declaration, d);
    state_.fvf = 0;
    state_.dirty |= kDirtyVertexFormat;
    return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    HandOut(state_.declaration, out);
    return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf)
{
    if (fvf == 0) return D3D_OK;  // FVF 0 leaves the declaration slot as it is
    if (FvfVertexSize(fvf) == 0) return RefuseWhy(__func__, "FvfVertexSize(fvf) == 0");
    VertexDeclaration* decl = state_.declaration;
    if (!decl || decl->Fvf() != fvf) {
        decl = VertexDeclaration::FromFvf(this, fvf);
        if (!decl) return RefuseWhy(__func__, "!decl");
    }
    Rebind(state_.declaration, decl);
    state_.fvf = fvf;
    state_.dirty |= kDirtyVertexFormat;
    return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf)
{
    if (!fvf) return RefuseWhy(__func__, "!fvf");
    *fvf = state_.fvf;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* vb, UINT offset, UINT stride)
{
    if (stream >= kMaxStreams) return Refuse(__func__, "StreamNumber", stream, "below the stream count (MaxStreams)");
    auto* b = static_cast<VertexBuffer*>(vb);
    if (Foreign(b, this)) return RefuseWhy(__func__, "Foreign(b, this)");
    if (b && (offset > b->Size() || stride > caps_.MaxStreamStride))
        return RefuseWhy(__func__, "b && (offset > b->Size() || stride > caps_.MaxStreamStride)");
    StreamSource& s = state_.streams[stream];
    Rebind(s.buffer, b);
    s.offset = offset;
    s.stride = stride;
    state_.dirty |= kDirtyStreams;
    return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** out, UINT* offset, UINT* stride)
{
    if (!out || !offset || !stride || stream >= kMaxStreams)
        return RefuseWhy(__func__, "!out || !offset || !stride || stream >= kMaxStreams");
    const StreamSource& s = state_.streams[stream];
    HandOut(s.buffer, out);
    *offset = s.offset;
    *stride = s.stride;
    return D3D_OK;
}

HRESULT Device::SetStreamSourceFreq(UINT stream, UINT setting)
{
    if (stream >= kMaxStreams || setting == 0) return RefuseWhy(__func__, "stream >= kMaxStreams || setting == 0");
    state_.streams[stream].frequency = setting;
    state_.dirty |= kDirtyStreams;
    return D3D_OK;
}

HRESULT Device::GetStreamSourceFreq(UINT stream, UINT* setting)
{
    if (!setting || stream >= kMaxStreams) return RefuseWhy(__func__, "!setting || stream >= kMaxStreams");
    *setting = state_.streams[stream].frequency;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* ib)
{
    auto* b = static_cast<IndexBuffer*>(ib);
    if (Foreign(b, this)) return RefuseWhy(__func__, "Foreign(b, this)");
    Rebind(state_.indices, b);
    state_.dirty |= kDirtyIndices;
    return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    HandOut(state_.indices, out);
    return D3D_OK;
}

// ---- shaders and their constants --------------------------------------------------------------------
HRESULT Device::SetVertexShader(IDirect3DVertexShader9* shader)
{
    auto* vs = static_cast<VertexShader*>(shader);
    if (Foreign(vs, this)) return RefuseWhy(__func__, "Foreign(vs, this)");
    Rebind(state_.vertexShader, vs);
    state_.dirty |= kDirtyShaders;
    return D3D_OK;
}

HRESULT Device::GetVertexShader(IDirect3DVertexShader9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    HandOut(state_.vertexShader, out);
    return D3D_OK;
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* shader)
{
    auto* ps = static_cast<PixelShader*>(shader);
    if (Foreign(ps, this)) return RefuseWhy(__func__, "Foreign(ps, this)");
    Rebind(state_.pixelShader, ps);
    state_.dirty |= kDirtyShaders;
    return D3D_OK;
}

HRESULT Device::GetPixelShader(IDirect3DPixelShader9** out)
{
    if (!out) return RefuseWhy(__func__, "!out");
    HandOut(state_.pixelShader, out);
    return D3D_OK;
}

namespace {

// Copies `count` registers of N components between a register file and the
// caller, refusing ranges outside the file.
template <class Reg, class T>
HRESULT CopyRegisters(Reg& file, UINT start, UINT count, T* out, const T* in)
{
    if ((!out && !in) || start > file.size() || count > file.size() - start)
        return RefuseWhy(__func__, "(!out && !in) || start > file.size() || count > file.size() - start");
    constexpr size_t n = std::tuple_size_v<typename Reg::value_type>;
    for (UINT i = 0; i < count; ++i) {
        if (in)
            std::copy(in + i * n, in + (i + 1) * n, file[start + i].begin());
        else
            std::copy(file[start + i].begin(), file[start + i].end(), out + i * n);
    }
    return D3D_OK;
}

// The same for boolean registers, which store TRUE or FALSE only.
HRESULT CopyRegisters(std::array<BOOL, kMaxShaderConstB>& file, UINT start, UINT count, BOOL* out,
                      const BOOL* in)
{
    if ((!out && !in) || start > file.size() || count > file.size() - start)
        return RefuseWhy(__func__, "(!out && !in) || start > file.size() || count > file.size() - start");
    for (UINT i = 0; i < count; ++i) {
        if (in)
            file[start + i] = in[i] ? TRUE : FALSE;
        else
            out[i] = file[start + i];
    }
    return D3D_OK;
}

// Set*ShaderConstant*: stores the registers and tells the draw path.
template <class Reg, class T>
HRESULT WriteRegisters(DeviceState& s, Reg& file, UINT start, const T* in, UINT count)
{
    const HRESULT hr = CopyRegisters(file, start, count, static_cast<T*>(nullptr), in);
    if (SUCCEEDED(hr)) s.dirty |= kDirtyShaderConstants;
    return hr;
}

template <class Reg, class T>
HRESULT ReadRegisters(Reg& file, UINT start, T* out, UINT count)
{
    return CopyRegisters(file, start, count, out, static_cast<const T*>(nullptr));
}

}  // namespace

HRESULT Device::SetVertexShaderConstantF(UINT start, CONST float* data, UINT count)
{
    return WriteRegisters(state_, state_.vsConstF, start, data, count);
}

HRESULT Device::GetVertexShaderConstantF(UINT start, float* data, UINT count)
{
    return ReadRegisters(state_.vsConstF, start, data, count);
}

HRESULT Device::SetVertexShaderConstantI(UINT start, CONST int* data, UINT count)
{
    return WriteRegisters(state_, state_.vsConstI, start, data, count);
}

HRESULT Device::GetVertexShaderConstantI(UINT start, int* data, UINT count)
{
    return ReadRegisters(state_.vsConstI, start, data, count);
}

HRESULT Device::SetVertexShaderConstantB(UINT start, CONST BOOL* data, UINT count)
{
    return WriteRegisters(state_, state_.vsConstB, start, data, count);
}

HRESULT Device::GetVertexShaderConstantB(UINT start, BOOL* data, UINT count)
{
    return ReadRegisters(state_.vsConstB, start, data, count);
}

HRESULT Device::SetPixelShaderConstantF(UINT start, CONST float* data, UINT count)
{
    return WriteRegisters(state_, state_.psConstF, start, data, count);
}

HRESULT Device::GetPixelShaderConstantF(UINT start, float* data, UINT count)
{
    return ReadRegisters(state_.psConstF, start, data, count);
}

HRESULT Device::SetPixelShaderConstantI(UINT start, CONST int* data, UINT count)
{
    return WriteRegisters(state_, state_.psConstI, start, data, count);
}

HRESULT Device::GetPixelShaderConstantI(UINT start, int* data, UINT count)
{
    return ReadRegisters(state_.psConstI, start, data, count);
}

HRESULT Device::SetPixelShaderConstantB(UINT start, CONST BOOL* data, UINT count)
{
    return WriteRegisters(state_, state_.psConstB, start, data, count);
}

HRESULT Device::GetPixelShaderConstantB(UINT start, BOOL* data, UINT count)
{
    return ReadRegisters(state_.psConstB, start, data, count);
}

}  // namespace qrn::d3d9
