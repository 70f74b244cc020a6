// The test-control interface: injections into the adapter and the devices.
#include <qrn_d3d9_testctl.h>

#include "device.h"
#include "direct3d.h"
#include "gl_cache.h"
#include "refusal.h"

namespace qrn::d3d9::testctl {

void ResetAll() { Overrides() = AdapterOverrides{}; }

void SetMissingCaps(uint32_t missing)
{
    AdapterOverrides& o = Overrides();
    o.removeDevCaps = (missing & kNoHardwareTnL) ? D3DDEVCAPS_HWTRANSFORMANDLIGHT : 0;
    o.addTextureCaps = ((missing & kPow2Only) ? D3DPTEXTURECAPS_POW2 : 0) |
                       ((missing & kSquareOnly) ? D3DPTEXTURECAPS_SQUAREONLY : 0);
    o.removeRasterCaps = ((missing & kNoVertexFog) ? D3DPRASTERCAPS_FOGVERTEX : 0) |
                         ((missing & kNoTableFog) ? D3DPRASTERCAPS_FOGTABLE : 0);
    o.removeVertexProcessingCaps = (missing & kNoTweening) ? D3DVTXPCAPS_TWEENING : 0;
}

void SetShaderVersions(DWORD vertex, DWORD pixel)
{
    Overrides().vertexShaderVersion = vertex;
    Overrides().pixelShaderVersion = pixel;
}

void SetDisplayModes(const D3DDISPLAYMODE* modes, unsigned count)
{
    AdapterOverrides& o = Overrides();
    o.modesGiven = modes != nullptr;
    o.modes.assign(modes, modes ? modes + count : modes);
}

void SetDesktopMode(const D3DDISPLAYMODE* mode)
{
    AdapterOverrides& o = Overrides();
    o.desktopGiven = mode != nullptr;
    if (mode) o.desktop = *mode;
}

void FailFormat(D3DFORMAT format, bool fail)
{
    if (fail)
        Overrides().failingFormats.insert(format);
    else
        Overrides().failingFormats.erase(format);
}

void FailNextAllocations(unsigned count) { Overrides().failAllocations = count; }

unsigned PendingAllocationFailures() { return Overrides().failAllocations; }

void FailNextGlStorage(unsigned count) { Overrides().failGlStorage = count; }

static Device* AsDevice(IDirect3DDevice9* device) { return static_cast<Device*>(device); }

void LoseDeviceAtNextPresent(IDirect3DDevice9* device, unsigned testsStillLost)
{
    if (device) AsDevice(device)->InjectLoss(testsStillLost);
}

void SetReapplyAllState(IDirect3DDevice9* device, bool on)
{
    if (device)
        AsDevice(device)->SetReapplyAllState(on);
    else
        Overrides().reapplyAllState = on;
}

GlCallCounters GetGlCounters(IDirect3DDevice9* device, CounterSpan span)
{
    GlCallCounters out;
    if (!device) return out;
    const GlCache& gl = AsDevice(device)->Gl();
    const GlCounters& c = span == CounterSpan::CurrentFrame ? gl.FrameCounters()
                          : span == CounterSpan::LastFrame  ? gl.LastFrameCounters()
                                                            : gl.TotalCounters();
    out.stateCalls = c.stateCalls;
    out.skippedCalls = c.skippedCalls;
    out.bindCalls = c.bindCalls;
    out.programSwitches = c.programSwitches;
    out.draws = c.draws;
    out.clears = c.clears;
    out.blits = c.blits;
    out.uploads = c.uploads;
    out.uploadBytes = c.uploadBytes;
    out.readbacks = c.readbacks;
    out.presents = c.presents;
    return out;
}

void CaptureNextPresent(IDirect3DDevice9* device)
{
    if (device) AsDevice(device)->RequestCapture();
}

bool TakeCapture(IDirect3DDevice9* device, std::vector<uint32_t>* pixels, int* width, int* height)
{
    if (!device || !pixels || !width || !height) return false;
    return AsDevice(device)->TakeCapture(pixels, width, height);
}

unsigned DefaultPoolResources(IDirect3DDevice9* device)
{
    return device ? AsDevice(device)->DefaultPoolAlive() : 0;
}

const char* LastRefusal() { return qrn::d3d9::LastRefusal(); }

void ClearLastRefusal() { qrn::d3d9::ClearLastRefusal(); }

}  // namespace qrn::d3d9::testctl
