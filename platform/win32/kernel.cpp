// Kernel services of the Win32 stand-in: dynamic libraries, module handles,
// clocks, the debugger output and the thread's last error.
#include <dlfcn.h>
#include <link.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "qrn_win32_testctl.h"
#include "windows.h"

namespace {

thread_local DWORD t_lastError = 0;

uint64_t MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

uint64_t MonotonicMs()
{
    return MonotonicNs() / 1000000ull;
}

// Added to the system milliseconds; set by the test control so that the
// counter can be put anywhere, e.g. just before the wrap.
std::atomic<uint32_t> g_tickOffset{0};

std::string ExecutablePath()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

std::string ExecutableDir()
{
    const std::string path = ExecutablePath();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool EndsWithDll(const std::string& s)
{
    if (s.size() < 4) return false;
    std::string tail = s.substr(s.size() - 4);
    for (char& c : tail) c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".dll";
}

std::mutex g_debugMutex;
std::function<void(const char*)> g_debugCapture;

bool TracerAttached()
{
    // A debugger shows up as a tracer in /proc; the answer is cached for a
    // second so that per-frame output costs no file read each time.
    static std::atomic<uint64_t> checkedAt{0};
    static std::atomic<bool> attached{false};
    uint64_t now = MonotonicMs() + 1;
    uint64_t last = checkedAt.load(std::memory_order_relaxed);
    if (last != 0 && now - last < 1000) return attached.load(std::memory_order_relaxed);
    bool found = false;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            if (std::strncmp(line, "TracerPid:", 10) == 0) {
                found = std::atol(line + 10) != 0;
                break;
            }
        }
        std::fclose(f);
    }
    attached.store(found, std::memory_order_relaxed);
    checkedAt.store(now, std::memory_order_relaxed);
    return found;
}

}  // namespace

extern "C" {

DWORD WINAPI GetLastError(void)
{
    return t_lastError;
}

void WINAPI SetLastError(DWORD error)
{
    t_lastError = error;
}

// ---- modules -------------------------------------------------------------------

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    if (!moduleName) {
        // The running program: a handle that GetProcAddress can search.
        static void* self = dlopen(nullptr, RTLD_NOW);
        return reinterpret_cast<HMODULE>(self);
    }
    void* h = dlopen(moduleName, RTLD_NOW | RTLD_NOLOAD);
    if (!h) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    dlclose(h);  // a module handle holds no reference
    return reinterpret_cast<HMODULE>(h);
}

HMODULE WINAPI LoadLibraryA(LPCSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string name(fileName);
    std::vector<std::string> candidates{name};
    if (EndsWithDll(name)) {
        std::string base = name.substr(0, name.size() - 4);
        candidates.push_back(base + ".so");
        size_t slash = base.rfind('/');
        if (slash == std::string::npos)
            candidates.push_back("lib" + base + ".so");
        else
            candidates.push_back(base.substr(0, slash + 1) + "lib" + base.substr(slash + 1) + ".so");
    }
    // Like the original, the program's own folder is searched before the
    // system's library path.
    const std::string exeDir = ExecutableDir();
    for (const std::string& c : candidates) {
        if (c.find('/') == std::string::npos && !exeDir.empty()) {
            if (void* h = dlopen((exeDir + c).c_str(), RTLD_NOW | RTLD_LOCAL))
                return reinterpret_cast<HMODULE>(h);
        }
        if (void* h = dlopen(c.c_str(), RTLD_NOW | RTLD_LOCAL)) return reinterpret_cast<HMODULE>(h);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName)
{
    if (!module || !procName || IS_INTRESOURCE(procName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* sym = dlsym(reinterpret_cast<void*>(module), procName);
    if (!sym) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC fn = nullptr;
    static_assert(sizeof fn == sizeof sym);
    std::memcpy(&fn, &sym, sizeof fn);
    return fn;
}

BOOL WINAPI FreeLibrary(HMODULE module)
{
    if (!module) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return dlclose(reinterpret_cast<void*>(module)) == 0 ? TRUE : FALSE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    if (!fileName || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path;
    if (!module || reinterpret_cast<void*>(module) == reinterpret_cast<void*>(GetModuleHandleA(nullptr))) {
        path = ExecutablePath();
    } else {
        link_map* map = nullptr;
        if (dlinfo(reinterpret_cast<void*>(module), RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name)
            path = map->l_name;
    }
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        fileName[0] = '\0';
        return 0;
    }
    size_t n = path.size() < size - 1 ? path.size() : size - 1;
    std::memcpy(fileName, path.data(), n);
    fileName[n] = '\0';
    return DWORD(n);
}

// ---- time ----------------------------------------------------------------------------

DWORD WINAPI timeGetTime(void)
{
    return DWORD(uint32_t(MonotonicMs()) + g_tickOffset.load(std::memory_order_relaxed));
}

DWORD WINAPI GetTickCount(void)
{
    return timeGetTime();
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (!count) return FALSE;
    count->QuadPart = LONGLONG(MonotonicNs());
    return TRUE;
}

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency) return FALSE;
    frequency->QuadPart = 1000000000LL;
    return TRUE;
}

void WINAPI Sleep(DWORD milliseconds)
{
    if (milliseconds == INFINITE) milliseconds = 0x7FFFFFFF;
    timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

// ---- debugger -----------------------------------------------------------------------------

BOOL WINAPI IsDebuggerPresent(void)
{
    return TracerAttached() ? TRUE : FALSE;
}

void WINAPI OutputDebugStringA(LPCSTR text)
{
    if (!text) return;
    std::function<void(const char*)> capture;
    {
        std::lock_guard<std::mutex> lock(g_debugMutex);
        capture = g_debugCapture;
    }
    if (capture) {
        capture(text);
        return;
    }
    // Without a debugger the text goes nowhere, as on the original; setting
    // QRN_DEBUG_OUTPUT sends it to stderr instead.
    static const bool toStderr = std::getenv("QRN_DEBUG_OUTPUT") != nullptr;
    if (toStderr || TracerAttached()) {
        std::fputs(text, stderr);
        std::fflush(stderr);
    }
}

}  // extern "C"

namespace qrn::win32::testctl {

void SetTickCount(uint32_t value)
{
    g_tickOffset.store(value - uint32_t(MonotonicMs()), std::memory_order_relaxed);
}

void ResetTickCount()
{
    g_tickOffset.store(0, std::memory_order_relaxed);
}

void SetDebugOutputCapture(std::function<void(const char*)> capture)
{
    std::lock_guard<std::mutex> lock(g_debugMutex);
    g_debugCapture = std::move(capture);
}

}  // namespace qrn::win32::testctl
