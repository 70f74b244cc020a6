#include "SoundLibrary.h"

#include <dlfcn.h>
#include <link.h>

#include <climits>
#include <cstdlib>
#include <new>
#include <type_traits>

namespace qrnsu {

namespace {

// Argument bytes of a standard-call function on 32-bit Windows: every
// argument takes at least 4 bytes, pointers exactly 4.
template <class T>
constexpr unsigned ArgumentBytes32()
{
    if constexpr (std::is_pointer_v<T>) return 4;
    else return static_cast<unsigned>((sizeof(T) + 3) / 4 * 4);
}

template <class F>
struct StdcallBytes;
template <class R, class... A>
struct StdcallBytes<R(A...)> {
    static constexpr unsigned value = (0u + ... + ArgumentBytes32<A>());
};

// GetProcAddress hands out every function under one type; the table knows
// each one's real type (going through void(*)() says so to the compiler).
template <class T>
T ProcAs(FARPROC proc)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

#define QRN_SOUND_NAME(ret, name, params) #name,
const char* const kSoundFunctionNames[kSoundFunctionCount] = {QRNSOUND_FUNCTIONS(QRN_SOUND_NAME)};
#undef QRN_SOUND_NAME

#define QRN_SOUND_BYTES(ret, name, params) StdcallBytes<ret params>::value,
const unsigned kSoundFunctionArgumentBytes[kSoundFunctionCount] = {QRNSOUND_FUNCTIONS(QRN_SOUND_BYTES)};
#undef QRN_SOUND_BYTES

static_assert(sizeof(SSoundLibrary) == sizeof(HMODULE) + kSoundFunctionCount * sizeof(void (*)()),
              "one pointer per function after the module handle");

std::string DecoratedName(const char* name, unsigned argumentBytes)
{
    return "_" + std::string(name) + "@" + std::to_string(argumentBytes);
}

std::string ExportedName(size_t slot)
{
#if defined(_WIN32) && !defined(_WIN64)
    return DecoratedName(kSoundFunctionNames[slot], kSoundFunctionArgumentBytes[slot]);
#else
    return kSoundFunctionNames[slot];
#endif
}

SSoundLibrary* LoadSoundLibrary(const char* fileName)
{
    auto* library = new (std::nothrow) SSoundLibrary{};
    if (!library) return nullptr;
    library->hModule = fileName ? LoadLibraryA(fileName) : nullptr;
    if (!library->hModule) {
        delete library;
        return nullptr;
    }
    bool complete = true;
    size_t slot = 0;
#define QRN_SOUND_RESOLVE(ret, name, params)                                                     \
    library->name = ProcAs<ret(WINAPI*) params>(                                                 \
        GetProcAddress(library->hModule, ExportedName(slot++).c_str()));                        \
    complete = complete && library->name != nullptr;
    QRNSOUND_FUNCTIONS(QRN_SOUND_RESOLVE)
#undef QRN_SOUND_RESOLVE
    if (!complete) {
        // A library that lacks even one function is not used at all.
        FreeLibrary(library->hModule);
        delete library;
        return nullptr;
    }
    return library;
}

void FreeSoundLibrary(SSoundLibrary* library)
{
    if (!library) return;
    if (library->hModule) FreeLibrary(library->hModule);
    delete library;
}

std::string EngineFolder()
{
    // The object that contains this very function: libQuarnel.so, or the
    // program when the engine is linked into it.
    Dl_info info{};
    link_map* map = nullptr;
    std::string path;
    if (dladdr1(reinterpret_cast<void*>(&EngineFolder), &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) &&
        map && map->l_name && map->l_name[0]) {
        path = map->l_name;
    } else {
        char exe[PATH_MAX];
        const DWORD n = GetModuleFileNameA(nullptr, exe, sizeof(exe));
        if (n == 0) return {};
        path.assign(exe, n);
    }
    if (char* real = realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string SoundLibraryPath()
{
    const std::string folder = EngineFolder();
    return folder.empty() ? std::string() : folder + QRNSOUND_LIBRARY_FILE;
}

}  // namespace qrnsu
