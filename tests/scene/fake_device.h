// A render device that draws nothing and records what it was asked: each
// call appends one line to a log, and the objects it makes record theirs in
// the same log. Creation and loading can be made to fail, to reach the
// failure paths of the scene objects.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "RenderDevice.h"
#include "RenderDeviceObjects.h"

namespace fake {

class Device;

struct Log {
    std::vector<std::string> lines;
    void Add(const std::string& s) { lines.push_back(s); }
    int Count(const std::string& s) const {
        int n = 0;
        for (const auto& l : lines) n += (l == s);
        return n;
    }
    int CountPrefix(const std::string& p) const {
        int n = 0;
        for (const auto& l : lines) n += (l.rfind(p, 0) == 0);
        return n;
    }
    int IndexOf(const std::string& s) const {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == s) return static_cast<int>(i);
        return -1;
    }
};

// Every object unregisters itself from the device when deleted, as the real
// ones do; the device counts how many are alive.
class Tracked {
public:
    explicit Tracked(Device* d);
    virtual ~Tracked();
    Device* dev;
    int id;
};

class Material : public qrn::IMaterial, public Tracked {
public:
    using Tracked::Tracked;
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}
    void SetAmbient(float r, float g, float b, float a) override { ambient = {r, g, b, a}; }
    void SetDiffuse(float r, float g, float b, float a) override { diffuse = {r, g, b, a}; }
    void SetEmissive(float, float, float, float) override {}
    void SetSpecular(float, float, float, float) override {}
    void SetColorSource(bool, bool, bool, bool) override {}
    void SetPower(float) override {}
    bool Apply() override;
    std::vector<float> ambient{0, 0, 0, 0}, diffuse{0, 0, 0, 0};
};

class VertexBuffer : public qrn::IVertexBuffer, public Tracked {
public:
    using Tracked::Tracked;
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}
    void Apply(unsigned stream) override;
    bool SetData(const void* vertices, unsigned count, int format) override;
    unsigned GetVertexCount() override { return count; }
    unsigned GetTriangleCount() override { return count / 3; }
    int GetVertexFormat() override { return format; }
    std::vector<float> data;  // the uploaded vertices as floats
    unsigned count = 0;
    int format = -1;
};

class IndexBuffer : public qrn::IIndexBuffer, public Tracked {
public:
    using Tracked::Tracked;
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}
    bool SetData(const std::uint16_t* indices, unsigned count) override;
    void Apply() override;
    unsigned GetIndexCount() override { return static_cast<unsigned>(data.size()); }
    unsigned GetTriangleCount() override { return static_cast<unsigned>(data.size() / 3); }
    std::vector<std::uint16_t> data;
};

class Texture : public qrn::ITexture, public Tracked {
public:
    using Tracked::Tracked;
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}
    bool HasAlpha() override { return false; }
    bool SetRenderTarget(qrn::IRenderTarget*) override { return false; }
    bool LoadFromFile(const char* file, bool alpha) override;
    bool Apply(unsigned stage, unsigned set, int colorOp, int alphaOp) override;
    void SetFilter(int, int, int) override {}
    void SetAddressMode(int u, int v) override { addressU = u, addressV = v; }
    std::string file;
    int addressU = 0, addressV = 0;
};

// Two poses drawn blended; records each draw's tween factor.
class TweenMesh : public qrn::ITweenMesh, public Tracked {
public:
    using Tracked::Tracked;
    void OnDeviceLost() override {}
    void OnDeviceReset() override {}
    bool Render(float factor, bool opaque, bool transparent) override;
    bool RenderFirst(bool, bool) override { return true; }
    bool RenderSecond(bool, bool) override { return true; }
    bool LoadFromFiles(const char* first, const char* second) override;
    std::vector<float> factors;
};

class Device : public qrn::IRenderDevice {
public:
    Log log;
    bool verbose = false;  // also log SetTexturing, SetPointSize and SetWorldMatrix
    bool rendering = false;
    bool beginFails = false;
    bool drawFails = false;
    std::set<int> failCreate;              // object kinds whose creation gives null
    int failCreateAfter = -1;              // creations allowed before all fail (-1: no limit)
    std::set<std::string> missingFiles;    // files whose load fails
    bool vertexUploadFails = false;
    bool indexUploadFails = false;
    int alive = 0;
    int nextId = 0;
    qrn::SLight lastLight{};
    std::vector<std::vector<std::uint8_t>> userDraws;  // vertices of each DrawUserPrimitives
    std::vector<qrn::Matrix4x4> worlds;                // every SetWorldMatrix, in order

    bool InitFullscreen(HWND, qrn::SCREENRESOLUTION, int) override { return true; }
    bool InitWindowed(HWND, HWND, int) override { return true; }
    bool AddRenderWindow(HWND) override { return true; }
    bool SelectRenderWindow(unsigned) override { return true; }
    bool ResetRenderWindows() override { return true; }
    bool IsWindowed() override { return true; }
    bool IsWireframe() override { return false; }
    bool IsTexturingEnabled() override { return true; }
    bool IsHardwareVertexProcessing() override { return true; }
    bool IsRendering() override { return rendering; }
    bool CanRenderToTexture() override { return false; }
    bool BeginRendering(bool, bool, bool) override {
        log.Add("BeginRendering");
        if (beginFails) return false;
        rendering = true;
        return true;
    }
    void Clear(bool, bool, bool) override {}
    void EndRendering(bool present) override {
        log.Add(present ? "EndRendering present" : "EndRendering");
        rendering = false;
    }
    void SetAdditiveBlending(bool e, bool m) override { log.Add(Fmt("SetAdditiveBlending", e, m)); }
    void SetColorWrite(bool) override {}
    void SetDepthBufferMode(int m) override { log.Add(Fmt("SetDepthBufferMode", m)); }
    void SetWireframe(bool) override {}
    void SetTexturing(bool e) override {
        if (verbose) log.Add(Fmt("SetTexturing", e));
    }
    void SetLight(unsigned i, const qrn::SLight* l) override {
        log.Add(Fmt("SetLight", i));
        if (l) lastLight = *l;
    }
    void SetFog(std::uint32_t, float) override {}
    void SetAmbientLight(float, float, float) override {}
    void SetCullMode(int m) override { log.Add(Fmt("SetCullMode", m)); }
    void SetClearColor(std::uint8_t, std::uint8_t, std::uint8_t) override {}
    void SetPrimitiveType(int) override {}
    void SetProjection(bool, float, float, float) override {}
    void SetWorldMatrix(const qrn::Matrix4x4* m) override {
        if (verbose) log.Add("SetWorldMatrix");
        worlds.push_back(m ? *m : qrn::Matrix4x4());
    }
    void SetViewMatrix(const qrn::Matrix4x4*) override {}
    void SetPointSize(float size) override {
        if (verbose) log.Add(Fmt("SetPointSize", size));
    }
    bool Draw() override { return !drawFails; }
    bool DrawIndexed() override {
        log.Add("DrawIndexed");
        return !drawFails;
    }
    bool DrawUserPrimitives(const void* v, unsigned count, int format) override {
        log.Add(Fmt("DrawUserPrimitives", count, format));
        const auto* b = static_cast<const std::uint8_t*>(v);
        userDraws.emplace_back(b, b + count * Stride(format));
        return !drawFails;
    }
    bool DrawIndexedUserPrimitives(const void*, unsigned, int, const std::uint16_t*, unsigned) override {
        return !drawFails;
    }
    qrn::IRenderDeviceObject* CreateObject(int type) override {
        log.Add(Fmt("CreateObject", type));
        if (failCreate.count(type)) return nullptr;
        if (failCreateAfter == 0) return nullptr;
        if (failCreateAfter > 0) --failCreateAfter;
        switch (type) {
            case qrn::OBJECTTYPE_MATERIAL: return new Material(this);
            case qrn::OBJECTTYPE_TEXTURE: return new Texture(this);
            case qrn::OBJECTTYPE_VERTEXBUFFER: return new VertexBuffer(this);
            case qrn::OBJECTTYPE_INDEXBUFFER: return new IndexBuffer(this);
            case qrn::OBJECTTYPE_TWEENMESH: return new TweenMesh(this);
            default: return nullptr;
        }
    }

    // Bytes per vertex of a drawable VERTEXFORMAT.
    static unsigned Stride(int format) {
        static const unsigned strides[] = {12, 16, 24, 32, 20, 24, 32, 40, 28};
        return format >= 0 && format < 9 ? strides[format] : 0;
    }

    template <typename... A>
    static std::string Fmt(const char* name, A... args) {
        std::ostringstream s;
        s << name;
        ((s << ' ' << args), ...);
        return s.str();
    }
};

inline Tracked::Tracked(Device* d) : dev(d), id(d->nextId++) { ++d->alive; }
inline Tracked::~Tracked() { --dev->alive; }

inline bool Material::Apply() {
    dev->log.Add("Material.Apply");
    return true;
}
inline void VertexBuffer::Apply(unsigned stream) { dev->log.Add(Device::Fmt("VertexBuffer.Apply", stream)); }
inline bool VertexBuffer::SetData(const void* v, unsigned n, int f) {
    if (dev->vertexUploadFails) return false;
    const unsigned stride = f == qrn::VERTEXFORMAT_XYZ_NORMAL_TEX2 ? 40 : 24;
    const auto* p = static_cast<const float*>(v);
    data.assign(p, p + n * stride / 4);
    count = n;
    format = f;
    return true;
}
inline bool IndexBuffer::SetData(const std::uint16_t* idx, unsigned n) {
    if (dev->indexUploadFails) return false;
    data.assign(idx, idx + n);
    return true;
}
inline void IndexBuffer::Apply() { dev->log.Add("IndexBuffer.Apply"); }
inline bool Texture::LoadFromFile(const char* f, bool) {
    file = f ? f : "";
    dev->log.Add("LoadFromFile " + file);
    return !dev->missingFiles.count(file);
}
inline bool TweenMesh::Render(float factor, bool, bool) {
    dev->log.Add("TweenMesh.Render");
    factors.push_back(factor);
    return !dev->drawFails;
}
inline bool TweenMesh::LoadFromFiles(const char* first, const char* second) {
    dev->log.Add(std::string("LoadFromFiles ") + first + " " + second);
    return !dev->missingFiles.count(first) && !dev->missingFiles.count(second);
}
inline bool Texture::Apply(unsigned stage, unsigned set, int colorOp, int alphaOp) {
    dev->log.Add(Device::Fmt("Texture.Apply", file, stage, set, colorOp, alphaOp));
    return true;
}

}  // namespace fake
