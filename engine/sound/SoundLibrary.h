// Run-time binding of the sound library: the module and a table of its 225
// functions, resolved by name, all or nothing.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "qrnsound_types.h"

namespace qrnsu {

// One record per loaded instance: the module handle, then one pointer per
// function of the library in table order.
struct SSoundLibrary {
    HMODULE hModule;
#define QRN_SOUND_SLOT(ret, name, params) ret(WINAPI* name) params;
    QRNSOUND_FUNCTIONS(QRN_SOUND_SLOT)
#undef QRN_SOUND_SLOT
};

constexpr size_t kSoundFunctionCount = QRNSOUND_FUNCTION_COUNT;

// Loads the library file and resolves all of its functions. Null when the
// file cannot be loaded or lacks any one of the functions (the module is then
// released again).
SSoundLibrary* LoadSoundLibrary(const char* fileName);
// Releases the module (if any) and the record.
void FreeSoundLibrary(SSoundLibrary* library);

// The function names in table order.
extern const char* const kSoundFunctionNames[kSoundFunctionCount];
// The bytes each function's arguments take on the 32-bit standard-call
// convention, in table order.
extern const unsigned kSoundFunctionArgumentBytes[kSoundFunctionCount];
// The exported name of a function as the platform spells it: decorated
// ("_FSOUND_Init@12") where standard-call names are decorated (32-bit
// Windows), the plain name elsewhere.
std::string DecoratedName(const char* name, unsigned argumentBytes);
std::string ExportedName(size_t slot);

// The folder that holds the engine library (the program itself when the
// engine is linked statically), with a trailing slash; empty if unknown.
std::string EngineFolder();
// The sound library's file in the engine's folder. The working directory is
// never searched, so no file placed there can run code in the program.
std::string SoundLibraryPath();

}  // namespace qrnsu
