// Reference counting of device children.
#include "object.h"
#include "refusal.h"

#include "device.h"

namespace qrn::d3d9 {

ULONG DeviceChild::ExtAddRef()
{
    if (refs_++ == 0 && device_) device_->AddRef();
    return refs_;
}

ULONG DeviceChild::ExtRelease()
{
    if (refs_ == 0) return 0;  // an unbalanced Release: ignore rather than destroy twice
    const ULONG left = --refs_;
    if (left == 0) {
        Device* device = device_;
        MaybeDestroy();  // may delete this
        if (device) device->Release();
    }
    return left;
}

void DeviceChild::BindRelease()
{
    if (binds_ == 0) return;
    if (--binds_ == 0) MaybeDestroy();
}

HRESULT DeviceChild::HandOutDevice(IDirect3DDevice9** out) const
{
    if (!out) return RefuseWhy(__func__, "!out");
    device_->AddRef();
    *out = device_;
    return D3D_OK;
}

void DeviceChild::MaybeDestroy()
{
    if (refs_ == 0 && binds_ == 0 && !owned_) delete this;
}

}  // namespace qrn::d3d9
