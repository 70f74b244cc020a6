// Helpers shared by the tests that draw through a real render device (device
// objects, scene pixels): a small hidden window, reading render target 0 back,
// and small files in a private temporary folder.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <string>
#include <vector>

namespace d3dtest {

// A hidden WS_POPUP window of a class with a black brush (registered on first
// use) at 0, 0, client size w x h; null on failure.
HWND CreateTestWindow(const char* className, const char* title, int w, int h);

// Render target 0 as 0xAARRGGBB pixels, rows top to bottom; empty when it
// cannot be read. width and height (optional) receive its size.
std::vector<uint32_t> ReadRenderTarget(IDirect3DDevice9* device, unsigned* width, unsigned* height);

// name inside a folder made once per test program.
std::string TempPath(const std::string& name);
// Writers of files in that folder; they return the path. Pixels are
// 0xAARRGGBB, rows top to bottom.
std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes);
std::string WriteBmp(const std::string& name, int w, int h, const std::vector<uint32_t>& px);
std::string WriteTga(const std::string& name, int w, int h, const std::vector<uint32_t>& px);

}  // namespace d3dtest
