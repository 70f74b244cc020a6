// Saves the picture the device has just drawn (before it is presented) as a
// PNG file.
#pragma once

namespace viewer {

// Reads the colour buffer the device draws into and writes it to file,
// top row first. False when nothing could be read or written.
bool SaveScreenshot(const char* file);

}  // namespace viewer
