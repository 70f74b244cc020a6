// Test control of the Direct3D 9 stand-in. Not part of the product's
// interface: tests use it to inject faults that real hardware shows (a lost
// device, missing capabilities, a given set of display modes, formats that
// fail, video memory running out) and to look at what reached OpenGL.
//
// Adapter-wide settings (capabilities, modes, formats, allocations) apply to
// everything created after the call, in the whole process; ResetAll undoes
// them all.
#pragma once

#include <cstdint>
#include <vector>

#include "d3d9.h"

namespace qrn::d3d9::testctl {

// Capabilities to take away (or restrictions to add), OR-ed together.
enum MissingCaps : uint32_t {
    kNoHardwareTnL = 1u << 0,  // D3DDEVCAPS_HWTRANSFORMANDLIGHT cleared
    kPow2Only = 1u << 1,       // D3DPTEXTURECAPS_POW2 set
    kSquareOnly = 1u << 2,     // D3DPTEXTURECAPS_SQUAREONLY set
    kNoVertexFog = 1u << 3,    // D3DPRASTERCAPS_FOGVERTEX cleared
    kNoTableFog = 1u << 4,     // D3DPRASTERCAPS_FOGTABLE cleared
    kNoTweening = 1u << 5,     // D3DVTXPCAPS_TWEENING cleared
};

// What reached OpenGL (see the device's GL cache).
struct GlCallCounters {
    uint64_t stateCalls = 0;
    uint64_t skippedCalls = 0;
    uint64_t bindCalls = 0;
    uint64_t programSwitches = 0;
    uint64_t draws = 0;
    uint64_t clears = 0;
    uint64_t blits = 0;
    uint64_t uploads = 0;
    uint64_t uploadBytes = 0;
    uint64_t readbacks = 0;
    uint64_t presents = 0;
};
enum class CounterSpan { CurrentFrame, LastFrame, Total };

// Undoes every adapter-wide injection below.
QRN_PLATFORM_API void ResetAll();

// Capabilities reported by GetDeviceCaps (adapter and devices made later).
QRN_PLATFORM_API void SetMissingCaps(uint32_t missing);
// Shader versions reported in the capabilities (D3DVS_VERSION / D3DPS_VERSION
// values; 0 keeps the real one).
QRN_PLATFORM_API void SetShaderVersions(DWORD vertex, DWORD pixel);

// The adapter's X8R8G8B8 display modes as given (null/0 = the real ones).
QRN_PLATFORM_API void SetDisplayModes(const D3DDISPLAYMODE* modes, unsigned count);
// The desktop's display mode as given (null = the real one).
QRN_PLATFORM_API void SetDesktopMode(const D3DDISPLAYMODE* mode);

// CheckDeviceFormat answers D3DERR_NOTAVAILABLE for `format` while `fail`.
QRN_PLATFORM_API void FailFormat(D3DFORMAT format, bool fail);

// The next `count` resource creations (textures, buffers, surfaces) of any
// device fail with D3DERR_OUTOFVIDEOMEMORY (E_OUTOFMEMORY in system memory).
QRN_PLATFORM_API void FailNextAllocations(unsigned count);
QRN_PLATFORM_API unsigned PendingAllocationFailures();

// The next `count` OpenGL storage allocations (texture storage, buffer data)
// fail as if GL had run out of memory. Unlike FailNextAllocations, the
// resource object has been made when its storage fails, so its clean-up runs;
// the creation fails with D3DERR_OUTOFVIDEOMEMORY.
QRN_PLATFORM_API void FailNextGlStorage(unsigned count);

// The next Present of `device` reports D3DERR_DEVICELOST; afterwards
// TestCooperativeLevel reports D3DERR_DEVICELOST `testsStillLost` times, then
// D3DERR_DEVICENOTRESET until Reset succeeds.
QRN_PLATFORM_API void LoseDeviceAtNextPresent(IDirect3DDevice9* device, unsigned testsStillLost = 0);

// When on, the draw path re-applies every GL state on every draw (the GL
// cache trusts nothing). `device` null sets the default of devices made later.
QRN_PLATFORM_API void SetReapplyAllState(IDirect3DDevice9* device, bool on);

QRN_PLATFORM_API GlCallCounters GetGlCounters(IDirect3DDevice9* device, CounterSpan span);

// The next Present of `device` keeps a copy of the window's picture as it
// is handed to the window system (rows top first, 0xAARRGGBB); TakeCapture
// returns it once. False when no capture was made.
QRN_PLATFORM_API void CaptureNextPresent(IDirect3DDevice9* device);
QRN_PLATFORM_API bool TakeCapture(IDirect3DDevice9* device, std::vector<uint32_t>* pixels, int* width,
                                  int* height);

// Live default-pool resources of `device` (those that make Reset fail).
QRN_PLATFORM_API unsigned DefaultPoolResources(IDirect3DDevice9* device);

// Why the last refused call was refused ("Call: argument = value, expected
// limit"), empty when none since ClearLastRefusal. The same line goes to
// stderr when QRN_D3D9_DEBUG=1.
QRN_PLATFORM_API const char* LastRefusal();
QRN_PLATFORM_API void ClearLastRefusal();

}  // namespace qrn::d3d9::testctl
