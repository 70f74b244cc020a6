// Polled keyboard and mouse state, read once per frame. The application base
// class creates the one implementation and hands it to the derived class as
// m_pInput. The virtual slot order is part of the library's binary interface.
#pragma once

#include <windows.h>

namespace qrn {

class IInput {
public:
    virtual ~IInput() = default;

    // Creates and configures the keyboard and mouse for the application's main
    // window; false (after showing a message) if that fails.
    virtual bool Init(HWND window) = 0;
    // Polls both devices; called at the start of every active frame.
    virtual void Update() = 0;
    // Whether a key is down; key is a DirectInput scan code (DIK_*, 0...255).
    virtual bool IsKeyDown(unsigned int key) = 0;
    // Relative mouse movement since the previous poll; false (and nothing
    // written) when there is no mouse.
    virtual bool GetMouseMovement(long* dx, long* dy) = 0;
    // Mouse buttons 0...3 (left, right, middle, fourth).
    virtual bool IsMouseButtonDown(unsigned int button) = 0;
    // Went down / went up between the previous poll and the last one.
    virtual bool IsMouseButtonPressed(unsigned int button) = 0;
    virtual bool IsMouseButtonReleased(unsigned int button) = 0;
};

}  // namespace qrn
