// Windows of the Win32 stand-in (being written).
#include "qrn_win32_sdl.h"

namespace qrn::win32 {

SDL_Window* SdlWindow(HWND)
{
    return nullptr;
}

}  // namespace qrn::win32
