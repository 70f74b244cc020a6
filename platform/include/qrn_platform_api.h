// Marks the stand-in functions (Win32, DirectInput, Direct3D 9, D3DX9) that
// libQuarnel.so exports to programs built on it; everything else is hidden.
#pragma once

#define QRN_PLATFORM_API __attribute__((visibility("default")))
