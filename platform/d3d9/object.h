// Reference counting shared by every object a device hands out.
//
// An object has two counts: references its users hold (AddRef/Release) and
// bindings the device holds (a texture set on a stage, a buffer set as a
// stream, a surface set as render target ...). While users hold references,
// the object holds a reference on its device, so a device lives as long as
// anything made from it is in use. A binding does not keep the device alive,
// which breaks the cycle device -> bound object -> device. The object is
// destroyed when both counts are zero, unless the device owns it (its own
// swap chain and depth-stencil surface), in which case the device destroys it.
#pragma once

#include <d3d9.h>

namespace qrn::d3d9 {

class Device;

class DeviceChild {
public:
    explicit DeviceChild(Device* device, bool ownedByDevice = false)
        : device_(device), owned_(ownedByDevice)
    {
    }
    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;
    virtual ~DeviceChild() = default;

    ULONG ExtAddRef();
    ULONG ExtRelease();
    void BindRef() { ++binds_; }
    void BindRelease();

    ULONG ExtRefs() const { return refs_; }
    // The device that made the object (its GL names belong to that device's context).
    const Device* Owner() const { return device_; }
    bool OwnedByDevice() const { return owned_; }

    // What every object's GetDevice answers: the device, with a reference.
    HRESULT HandOutDevice(IDirect3DDevice9** out) const;

protected:
    Device* device_;

private:
    void MaybeDestroy();

    ULONG refs_ = 0;
    ULONG binds_ = 0;
    bool owned_;
};

// AddRef/Release for an interface whose object is a DeviceChild.
#define QRN_D3D9_REFCOUNT_METHODS                       \
    ULONG AddRef() override { return ExtAddRef(); }     \
    ULONG Release() override { return ExtRelease(); }

// True for an object that another device made: its GL names mean nothing in
// `device`'s context, so the device refuses to bind or copy it.
inline bool Foreign(const DeviceChild* object, const Device* device)
{
    return object && object->Owner() != device;
}

// The answer of QueryInterface: `iface` (the object seen as the interface
// asked for) with a reference when `matches` or IUnknown is asked for,
// E_NOINTERFACE otherwise.
inline HRESULT AnswerQuery(REFIID riid, void** ppv, IUnknown* iface, bool matches)
{
    if (!ppv) return E_POINTER;
    if (!matches && !(riid == IID_IUnknown)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    iface->AddRef();
    *ppv = iface;
    return S_OK;
}

}  // namespace qrn::d3d9
