// DirectInput 8 stand-in: a system keyboard and a system mouse read from the
// Win32 stand-in's SDL event stream. Devices of a foreground cooperative level
// can be acquired only while their window has the focus and lose their
// acquisition when it goes (the next poll reports DIERR_INPUTLOST, as on the
// original). An exclusive foreground mouse puts SDL into relative mouse mode,
// which hides the cursor and keeps it in the window.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "dinput.h"
#include "qrn_win32_sdl.h"
#include "qrn_win32_testctl.h"

namespace {

// One-shot failures injected by tests, by call name.
std::mutex g_failMutex;
std::map<std::string, HRESULT> g_failures;

// Whether a failure was injected for call + suffix (then taken and put in
// *hr). Cheap while none is queued: devices ask on every poll.
bool Injected(const char* call, HRESULT* hr, const char* suffix = "")
{
    std::lock_guard<std::mutex> lock(g_failMutex);
    if (g_failures.empty()) return false;
    auto it = g_failures.find(std::string(call) + suffix);
    if (it == g_failures.end()) return false;
    *hr = it->second;
    g_failures.erase(it);
    return true;
}

// The reference counting and the interface query of one COM interface.
template <class Iface, const IID& kIid>
class Unknown : public Iface {
public:
    HRESULT QueryInterface(REFIID riid, void** out) override
    {
        if (!out) return E_POINTER;
        if (riid == kIid || riid == IID_IUnknown) {
            AddRef();
            *out = static_cast<Iface*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    ULONG AddRef() override { return ++m_refs; }

    ULONG Release() override
    {
        ULONG r = --m_refs;
        if (r == 0) delete this;
        return r;
    }

private:
    std::atomic<ULONG> m_refs{1};
};

HRESULT CheckVersion(HINSTANCE instance, DWORD version)
{
    if (!instance) return DIERR_INVALIDPARAM;
    if (version < 0x0800) return DIERR_OLDDIRECTINPUTVERSION;
    if (version > 0x0800) return DIERR_BETADIRECTINPUTVERSION;
    return DI_OK;
}

enum class Kind { Keyboard, Mouse };

// The part of an injected failure's name that picks the device.
const char* KindSuffix(Kind kind) { return kind == Kind::Keyboard ? ".Keyboard" : ".Mouse"; }

class Device;
std::vector<Device*>& LiveDevices()
{
    static std::vector<Device*>* v = new std::vector<Device*>();
    return *v;
}

void FocusChanged(HWND top, bool focused, void*);

void EnsureFocusListener()
{
    static int id = qrn::win32::AddFocusListener(FocusChanged, nullptr);
    (void)id;
}

class Device final : public Unknown<IDirectInputDevice8A, IID_IDirectInputDevice8A> {
public:
    explicit Device(Kind kind) : m_kind(kind)
    {
        LiveDevices().push_back(this);
        EnsureFocusListener();
    }

    ~Device() override
    {
        Unacquire();
        auto& v = LiveDevices();
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }

    HRESULT GetCapabilities(LPDIDEVCAPS caps) override
    {
        if (!caps || caps->dwSize < sizeof(DWORD) * 6) return DIERR_INVALIDPARAM;
        const DWORD size = caps->dwSize;
        std::memset(caps, 0, std::min<size_t>(size, sizeof(DIDEVCAPS)));
        caps->dwSize = size;
        caps->dwFlags = DIDC_ATTACHED;
        if (m_kind == Kind::Keyboard) {
            caps->dwDevType = DI8DEVTYPE_KEYBOARD;
            caps->dwButtons = 128;
        } else {
            caps->dwDevType = DI8DEVTYPE_MOUSE;
            caps->dwAxes = 3;
            caps->dwButtons = m_dataSize == sizeof(DIMOUSESTATE2) ? 8 : 4;
        }
        return DI_OK;
    }

    HRESULT Acquire() override
    {
        HRESULT injected;
        if (Injected("Acquire", &injected, KindSuffix(m_kind))) return injected;
        if (m_dataSize == 0) return DIERR_INVALIDPARAM;
        if (m_acquired) return S_FALSE;
        if (m_flags & DISCL_FOREGROUND) {
            if (!qrn::win32::HasFocus(m_window)) return DIERR_OTHERAPPHASPRIO;
        }
        m_acquired = true;
        m_lost = false;
        if (m_kind == Kind::Mouse) {
            // Only movement after the acquisition counts.
            qrn::win32::MouseTotals(&m_lastX, &m_lastY, &m_lastWheel, nullptr);
            if (Exclusive()) SDL_SetRelativeMouseMode(SDL_TRUE);
        }
        return DI_OK;
    }

    HRESULT Unacquire() override
    {
        if (!m_acquired) return DI_NOEFFECT;
        Drop(false);
        return DI_OK;
    }

    HRESULT GetDeviceState(DWORD cbData, LPVOID data) override
    {
        HRESULT injected;
        if (Injected("GetDeviceState", &injected, KindSuffix(m_kind))) return injected;
        if (!data || m_dataSize == 0 || cbData != m_dataSize) return DIERR_INVALIDPARAM;
        // Reads the pending events first, so that state and focus are current.
        qrn::win32::PumpEvents();
        if (m_acquired && (m_flags & DISCL_FOREGROUND) && !qrn::win32::HasFocus(m_window)) Drop(true);
        if (!m_acquired) {
            if (m_lost) {
                m_lost = false;
                return DIERR_INPUTLOST;
            }
            return DIERR_NOTACQUIRED;
        }
        if (m_kind == Kind::Keyboard) {
            uint8_t keys[256];
            qrn::win32::KeyboardState(keys);
            std::memcpy(data, keys, 256);
            return DI_OK;
        }
        int64_t x = 0, y = 0, wheel = 0;
        uint32_t buttons = 0;
        qrn::win32::MouseTotals(&x, &y, &wheel, &buttons);
        DIMOUSESTATE2 st{};
        st.lX = Clamp(x - m_lastX);
        st.lY = Clamp(y - m_lastY);
        st.lZ = Clamp(wheel - m_lastWheel);
        m_lastX = x;
        m_lastY = y;
        m_lastWheel = wheel;
        const int count = m_dataSize == sizeof(DIMOUSESTATE2) ? 8 : 4;
        for (int b = 0; b < count; ++b) st.rgbButtons[b] = (buttons & (1u << b)) ? 0x80 : 0x00;
        std::memcpy(data, &st, m_dataSize);
        return DI_OK;
    }

    HRESULT GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override
    {
        // No buffer size was ever set: buffered reads are not available.
        return m_acquired ? DIERR_NOTBUFFERED : DIERR_NOTACQUIRED;
    }

    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override
    {
        HRESULT injected;
        if (Injected("SetDataFormat", &injected, KindSuffix(m_kind))) return injected;
        if (!format || format->dwSize != sizeof(DIDATAFORMAT)) return DIERR_INVALIDPARAM;
        if (m_acquired) return DIERR_ACQUIRED;
        const DWORD size = format->dwDataSize;
        if (m_kind == Kind::Keyboard && size != 256) return DIERR_INVALIDPARAM;
        if (m_kind == Kind::Mouse && size != sizeof(DIMOUSESTATE) && size != sizeof(DIMOUSESTATE2))
            return DIERR_INVALIDPARAM;
        m_dataSize = size;
        return DI_OK;
    }

    HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) override
    {
        HRESULT injected;
        if (Injected("SetCooperativeLevel", &injected, KindSuffix(m_kind))) return injected;
        const DWORD excl = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
        const DWORD fore = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
        if ((excl != DISCL_EXCLUSIVE && excl != DISCL_NONEXCLUSIVE) ||
            (fore != DISCL_FOREGROUND && fore != DISCL_BACKGROUND) ||
            (flags & ~DWORD(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND |
                            DISCL_NOWINKEY)))
            return DIERR_INVALIDPARAM;
        if (m_acquired) return DIERR_ACQUIRED;
        // A foreground level needs the program's top-level window.
        if (fore == DISCL_FOREGROUND && (!hwnd || qrn::win32::TopLevel(hwnd) != hwnd)) return E_HANDLE;
        if (hwnd && !qrn::win32::TopLevel(hwnd)) return E_HANDLE;
        // Taking the keyboard exclusively in the background is not allowed.
        if (m_kind == Kind::Keyboard && excl == DISCL_EXCLUSIVE && fore == DISCL_BACKGROUND)
            return DIERR_UNSUPPORTED;
        m_window = hwnd;
        m_flags = flags;
        return DI_OK;
    }

    HRESULT Poll() override { return m_acquired ? DI_NOEFFECT : DIERR_NOTACQUIRED; }

    // Focus of a top-level window changed.
    void OnFocus(HWND top, bool focused)
    {
        if (!focused && m_acquired && (m_flags & DISCL_FOREGROUND) && m_window == top) Drop(true);
    }

private:
    bool Exclusive() const
    {
        return m_kind == Kind::Mouse && (m_flags & DISCL_EXCLUSIVE) && (m_flags & DISCL_FOREGROUND);
    }

    void Drop(bool lost)
    {
        m_acquired = false;
        m_lost = lost;
        if (Exclusive() && SDL_WasInit(SDL_INIT_VIDEO)) SDL_SetRelativeMouseMode(SDL_FALSE);
    }

    static LONG Clamp(int64_t v)
    {
        return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    }

    Kind m_kind;
    DWORD m_dataSize = 0;
    DWORD m_flags = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    HWND m_window = nullptr;
    bool m_acquired = false;
    bool m_lost = false;
    int64_t m_lastX = 0, m_lastY = 0, m_lastWheel = 0;
};

void FocusChanged(HWND top, bool focused, void*)
{
    std::vector<Device*> devices = LiveDevices();
    for (Device* d : devices) d->OnFocus(top, focused);
}

class DirectInput final : public Unknown<IDirectInput8A, IID_IDirectInput8A> {
public:
    HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN outer) override
    {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (outer) return DIERR_NOAGGREGATION;
        Kind kind;
        if (guid == GUID_SysKeyboard)
            kind = Kind::Keyboard;
        else if (guid == GUID_SysMouse)
            kind = Kind::Mouse;
        else
            return DIERR_DEVICENOTREG;
        HRESULT injected;
        if (Injected("CreateDevice", &injected, KindSuffix(kind))) return injected;
        *device = new Device(kind);
        return DI_OK;
    }

    HRESULT GetDeviceStatus(REFGUID guid) override
    {
        return guid == GUID_SysKeyboard || guid == GUID_SysMouse ? DI_OK : DIERR_DEVICENOTREG;
    }

    HRESULT Initialize(HINSTANCE instance, DWORD version) override { return CheckVersion(instance, version); }
};

}  // namespace

extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE instance, DWORD version, REFIID riid, LPVOID* out,
                                             LPUNKNOWN outer)
{
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    HRESULT injected;
    if (Injected("DirectInput8Create", &injected)) return injected;
    if (HRESULT hr = CheckVersion(instance, version); FAILED(hr)) return hr;
    if (outer) return DIERR_NOAGGREGATION;
    if (!(riid == IID_IDirectInput8A)) return DIERR_NOINTERFACE;
    *out = static_cast<IDirectInput8A*>(new DirectInput());
    return DI_OK;
}

namespace qrn::win32::testctl {

void FailDirectInputCall(const char* call, HRESULT hr)
{
    if (!call) return;
    std::lock_guard<std::mutex> lock(g_failMutex);
    g_failures[call] = hr;
}

void ClearDirectInputFailures()
{
    std::lock_guard<std::mutex> lock(g_failMutex);
    g_failures.clear();
}

}  // namespace qrn::win32::testctl
