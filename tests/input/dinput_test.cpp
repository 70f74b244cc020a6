// The DirectInput stand-in's own contract, below the input object.
#include <vector>

#include "app/Input.h"
#include "input_fixture.h"

namespace testctl = qrn::win32::testctl;

namespace {

IDirectInput8A* Create()
{
    void* out = nullptr;
    if (FAILED(DirectInput8Create(GetModuleHandleA(nullptr), 0x0800, IID_IDirectInput8A, &out, nullptr)))
        return nullptr;
    return static_cast<IDirectInput8A*>(out);
}

}  // namespace

TEST_F(InputTest, CreateChecksItsArguments)
{
    void* out = reinterpret_cast<void*>(1);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    EXPECT_EQ(DirectInput8Create(inst, 0x0700, IID_IDirectInput8A, &out, nullptr), DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(inst, 0x0900, IID_IDirectInput8A, &out, nullptr), DIERR_BETADIRECTINPUTVERSION);
    EXPECT_EQ(DirectInput8Create(inst, 0x0800, GUID_SysMouse, &out, nullptr), DIERR_NOINTERFACE);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(DirectInput8Create(inst, 0x0800, IID_IDirectInput8A, nullptr, nullptr), DIERR_INVALIDPARAM);

    IDirectInput8A* di = Create();
    ASSERT_NE(di, nullptr);
    IDirectInputDevice8A* dev = reinterpret_cast<IDirectInputDevice8A*>(1);
    EXPECT_EQ(di->CreateDevice(IID_IDirectInput8A, &dev, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(dev, nullptr);
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(di->GetDeviceStatus(GUID_SysMouse), DI_OK);

    void* again = nullptr;
    EXPECT_EQ(di->QueryInterface(IID_IDirectInput8A, &again), S_OK);
    EXPECT_EQ(again, di);
    EXPECT_EQ(di->QueryInterface(GUID_SysMouse, &again), E_NOINTERFACE);
    // Every object answers IUnknown with itself, with a reference.
    EXPECT_EQ(di->QueryInterface(IID_IUnknown, &again), S_OK);
    EXPECT_EQ(again, di);
    EXPECT_EQ(di->Release(), 2u);
    IDirectInputDevice8A* kb = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &kb, nullptr), DI_OK);
    EXPECT_EQ(kb->QueryInterface(IID_IUnknown, &again), S_OK);
    EXPECT_EQ(again, kb);
    EXPECT_EQ(kb->Release(), 1u);
    EXPECT_EQ(kb->Release(), 0u);
    EXPECT_EQ(di->Release(), 1u);
    EXPECT_EQ(di->Release(), 0u);
}

TEST_F(InputTest, DeviceRulesFollowTheOriginal)
{
    IDirectInput8A* di = Create();
    ASSERT_NE(di, nullptr);
    IDirectInputDevice8A* kb = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &kb, nullptr), DI_OK);
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    uint8_t keys[256];

    // No data format yet.
    EXPECT_EQ(kb->Acquire(), DIERR_INVALIDPARAM);
    EXPECT_EQ(kb->GetDeviceState(256, keys), DIERR_INVALIDPARAM);
    EXPECT_EQ(kb->SetDataFormat(&c_dfDIMouse), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
    EXPECT_EQ(kb->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    ASSERT_EQ(kb->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse2), DI_OK);

    // Cooperative levels.
    EXPECT_EQ(kb->SetCooperativeLevel(m_main, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(kb->SetCooperativeLevel(m_main, DISCL_NONEXCLUSIVE), DIERR_INVALIDPARAM);
    EXPECT_EQ(kb->SetCooperativeLevel(m_main, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_UNSUPPORTED);
    EXPECT_EQ(kb->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), E_HANDLE);
    ASSERT_EQ(kb->SetCooperativeLevel(m_main, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY), DI_OK);
    ASSERT_EQ(mouse->SetCooperativeLevel(m_main, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);

    // Not acquired: polls fail; acquired: a second Acquire is a no-op, and
    // the format cannot change.
    EXPECT_EQ(kb->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
    ASSERT_EQ(kb->Acquire(), DI_OK);
    EXPECT_EQ(kb->Acquire(), S_FALSE);
    EXPECT_EQ(kb->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(kb->GetDeviceState(255, keys), DIERR_INVALIDPARAM);
    EXPECT_EQ(kb->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(kb->GetDeviceState(256, keys), DI_OK);

    // The eight-button mouse state with the wheel.
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    Button(SDL_BUTTON_X2, true);
    Wheel(2);
    Motion(1, 2);
    DIMOUSESTATE2 st{};
    ASSERT_EQ(mouse->GetDeviceState(sizeof st, &st), DI_OK);
    EXPECT_EQ(st.rgbButtons[4], 0x80);
    EXPECT_EQ(st.rgbButtons[0], 0x00);
    EXPECT_EQ(st.lZ, 2 * WHEEL_DELTA);
    EXPECT_EQ(st.lX, 1);
    EXPECT_EQ(st.lY, 2);
    Button(SDL_BUTTON_X2, false);
    DIDEVCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(mouse->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwButtons, 8u);
    EXPECT_EQ(caps.dwDevType & 0xFF, DWORD(DI8DEVTYPE_MOUSE));

    // Focus lost: the first poll reports the loss, later ones that the device
    // is not acquired; in the background it cannot be acquired.
    testctl::SimulateFocus(m_main, false);
    EXPECT_EQ(kb->GetDeviceState(256, keys), DIERR_INPUTLOST);
    EXPECT_EQ(kb->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(mouse->GetDeviceState(sizeof st, &st), DIERR_INPUTLOST);
    EXPECT_EQ(kb->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(kb->Unacquire(), DI_NOEFFECT);
    testctl::SimulateFocus(m_main, true);
    EXPECT_EQ(kb->Acquire(), DI_OK);
    EXPECT_EQ(kb->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(kb->Unacquire(), DI_OK);

    // A background device is not touched by the focus.
    ASSERT_EQ(kb->SetCooperativeLevel(m_main, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    testctl::SimulateFocus(m_main, false);
    EXPECT_EQ(kb->Acquire(), DI_OK);
    EXPECT_EQ(kb->GetDeviceState(256, keys), DI_OK);
    testctl::SimulateFocus(m_main, true);

    EXPECT_EQ(kb->AddRef(), 2u);
    EXPECT_EQ(kb->Release(), 1u);
    EXPECT_EQ(kb->Release(), 0u);
    EXPECT_EQ(mouse->Release(), 0u);
    EXPECT_EQ(di->Release(), 0u);
}

// Keys pressed on the SDL side read down at their DirectInput scan code, and
// only there: named keys, the letter row by key name, and every scan code
// the table knows.
TEST_F(InputTest, EachKeyReadsDownAtItsScanCodeAndNowhereElse)
{
    using namespace qrn::win32;
    qrn::CInput input;
    ASSERT_TRUE(input.Init(m_main));
    auto downKeys = [&] {
        std::vector<unsigned> down;
        for (unsigned k = 0; k < 256; ++k)
            if (input.IsKeyDown(k)) down.push_back(k);
        return down;
    };
    auto press = [&](SDL_Scancode sc) {
        Key(sc, true);
        input.Update();
        const std::vector<unsigned> down = downKeys();
        Key(sc, false);
        input.Update();
        return down;
    };
    using Keys = std::vector<unsigned>;
    EXPECT_EQ(press(SDL_SCANCODE_ESCAPE), Keys{DIK_ESCAPE});
    EXPECT_EQ(press(SDL_SCANCODE_0), Keys{DIK_0});
    EXPECT_EQ(press(SDL_SCANCODE_9), Keys{DIK_9});
    EXPECT_EQ(press(SDL_SCANCODE_F11), Keys{DIK_F11});
    EXPECT_EQ(press(SDL_SCANCODE_KP_ENTER), Keys{DIK_NUMPADENTER});
    EXPECT_EQ(press(SDL_SCANCODE_RALT), Keys{DIK_RMENU});
    EXPECT_EQ(press(SDL_SCANCODE_DELETE), Keys{DIK_DELETE});
    const unsigned qwerty[] = {DIK_Q, DIK_W, DIK_E, DIK_R, DIK_T, DIK_Y, DIK_U, DIK_I, DIK_O, DIK_P};
    const char* row = "QWERTYUIOP";
    for (int i = 0; i < 10; ++i) {
        const char name[2] = {row[i], 0};
        EXPECT_EQ(press(SDL_GetScancodeFromName(name)), Keys{qwerty[i]}) << name;
    }
    EXPECT_EQ(DikFromScancode(-1), 0);
    EXPECT_EQ(DikFromScancode(SDL_NUM_SCANCODES), 0);
    for (int dik = 1; dik < 256; ++dik) {
        const int sc = ScancodeFromDik(uint8_t(dik));
        if (sc) {
            EXPECT_EQ(press(SDL_Scancode(sc)), Keys{unsigned(dik)}) << "scan code " << dik;
        }
    }
}
