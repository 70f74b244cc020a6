// The input object: keyboard and mouse through DirectInput 8, polled once per
// active frame. Internal to the library; programs see it as IInput.
#pragma once

#include <dinput.h>

#include "../include/Input.h"

namespace qrn {

class CInput : public IInput {
public:
    CInput();
    ~CInput() override;

    CInput(const CInput&) = delete;
    CInput& operator=(const CInput&) = delete;

    bool Init(HWND window) override;
    void Update() override;
    bool IsKeyDown(unsigned int key) override;
    bool GetMouseMovement(long* dx, long* dy) override;
    bool IsMouseButtonDown(unsigned int button) override;
    bool IsMouseButtonPressed(unsigned int button) override;
    bool IsMouseButtonReleased(unsigned int button) override;

private:
    void Release();

    IDirectInput8A* m_pDirectInput = nullptr;
    IDirectInputDevice8A* m_pKeyboard = nullptr;
    IDirectInputDevice8A* m_pMouse = nullptr;
    unsigned char m_KeyboardState[256]{};
    DIMOUSESTATE m_MouseState{};
    DIMOUSESTATE m_PrevMouseState{};
};

}  // namespace qrn
