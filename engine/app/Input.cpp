#include "Input.h"

#include <cstring>

namespace qrn {

namespace {

constexpr unsigned int kKeyCount = 256;
constexpr unsigned int kButtonCount = 4;

bool Fail(const char* text)
{
    MessageBoxA(nullptr, text, "ERROR", MB_ICONERROR);
    return false;
}

template <class T>
void ReleaseAndClear(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

CInput::CInput() = default;

CInput::~CInput()
{
    Release();
}

void CInput::Release()
{
    if (m_pKeyboard) m_pKeyboard->Unacquire();
    if (m_pMouse) m_pMouse->Unacquire();
    ReleaseAndClear(m_pKeyboard);
    ReleaseAndClear(m_pMouse);
    ReleaseAndClear(m_pDirectInput);
}

bool CInput::Init(HWND window)
{
    // A second Init starts over instead of leaking the first set of devices.
    Release();

    void* directInput = nullptr;
    if (FAILED(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  &directInput, nullptr)))
        return Fail("<CInput> DirectInput8Create");
    m_pDirectInput = static_cast<IDirectInput8A*>(directInput);

    if (FAILED(m_pDirectInput->CreateDevice(GUID_SysKeyboard, &m_pKeyboard, nullptr)))
        return Fail("<CInput> CreateDevice - Keyboard");
    if (FAILED(m_pKeyboard->SetDataFormat(&c_dfDIKeyboard))) return Fail("<CInput> SetDataFormat");
    if (FAILED(m_pKeyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY)))
        return Fail("<CInput> SetCooperativeLevel");
    // Not having the focus yet is fine: the first poll fails and acquires again.
    m_pKeyboard->Acquire();

    if (FAILED(m_pDirectInput->CreateDevice(GUID_SysMouse, &m_pMouse, nullptr)))
        return Fail("<CInput> CreateDevice - Mouse");
    if (FAILED(m_pMouse->SetDataFormat(&c_dfDIMouse))) return Fail("<CInput> SetDataFormat");
    if (FAILED(m_pMouse->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND)))
        return Fail("<CInput> SetCooperativeLevel");
    m_pMouse->Acquire();
    return true;
}

void CInput::Update()
{
    if (!m_pDirectInput) return;

    if (m_pKeyboard) {
        if (FAILED(m_pKeyboard->GetDeviceState(sizeof m_KeyboardState, m_KeyboardState))) {
            // Usually the focus was lost; this frame sees no keys.
            m_pKeyboard->Acquire();
            std::memset(m_KeyboardState, 0, sizeof m_KeyboardState);
        }
    }

    if (m_pMouse) {
        m_PrevMouseState = m_MouseState;
        if (FAILED(m_pMouse->GetDeviceState(sizeof m_MouseState, &m_MouseState))) {
            m_pMouse->Acquire();
            std::memset(&m_MouseState, 0, sizeof m_MouseState);
        }
    }
}

bool CInput::IsKeyDown(unsigned int key)
{
    if (!m_pDirectInput || !m_pKeyboard || key >= kKeyCount) return false;
    return (m_KeyboardState[key] & 0x80) != 0;
}

bool CInput::GetMouseMovement(long* dx, long* dy)
{
    if (!m_pDirectInput || !m_pMouse) return false;
    if (dx) *dx = m_MouseState.lX;
    if (dy) *dy = m_MouseState.lY;
    return true;
}

// Button numbers past the four of DIMOUSESTATE read as up.
bool CInput::IsMouseButtonDown(unsigned int button)
{
    if (button >= kButtonCount) return false;
    return m_MouseState.rgbButtons[button] != 0;
}

bool CInput::IsMouseButtonPressed(unsigned int button)
{
    if (button >= kButtonCount) return false;
    return m_MouseState.rgbButtons[button] != 0 && m_PrevMouseState.rgbButtons[button] == 0;
}

bool CInput::IsMouseButtonReleased(unsigned int button)
{
    if (button >= kButtonCount) return false;
    return m_MouseState.rgbButtons[button] == 0 && m_PrevMouseState.rgbButtons[button] != 0;
}

}  // namespace qrn
