// MessageBoxA on SDL2's message boxes. Where no dialog can be shown (no video
// driver that has dialogs, no display, or the headless setting) it never
// blocks: caption and text go to stderr and the default button is the answer.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <strings.h>

#include "qrn_win32_sdl.h"
#include "qrn_win32_testctl.h"
#include "windows.h"

namespace {

std::mutex g_mutex;
std::deque<int> g_answers;
std::deque<qrn::win32::testctl::MessageBoxRecord> g_log;
bool g_headless = false;
// Calls are recorded only once a test has used the message box controls, so a
// program that shows many boxes keeps nothing; even then only the newest
// kMessageBoxLogLimit records are kept.
bool g_recording = false;

// Caller holds g_mutex.
void Record(const qrn::win32::testctl::MessageBoxRecord& rec)
{
    if (!g_recording) return;
    if (g_log.size() >= qrn::win32::testctl::kMessageBoxLogLimit) g_log.pop_front();
    g_log.push_back(rec);
}

struct Button {
    int id;
    const char* label;
};

// The buttons of a box type, left to right.
std::vector<Button> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "Yes"}, {IDNO, "No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}};
    case MB_CANCELTRYCONTINUE:
        return {{IDCANCEL, "Cancel"}, {IDTRYAGAIN, "Try Again"}, {IDCONTINUE, "Continue"}};
    default: return {{IDOK, "OK"}};
    }
}

int DefaultButton(UINT type)
{
    std::vector<Button> buttons = ButtonsOf(type);
    size_t index = (type & MB_DEFMASK) >> 8;
    if (index >= buttons.size()) index = 0;
    return buttons[index].id;
}

// The answer when a dialog is closed without a button: Cancel where there is
// one, OK for a lone OK button, otherwise the default.
int CloseAnswer(UINT type)
{
    std::vector<Button> buttons = ButtonsOf(type);
    for (const Button& b : buttons)
        if (b.id == IDCANCEL) return IDCANCEL;
    if (buttons.size() == 1) return buttons[0].id;
    return DefaultButton(type);
}

// QRN_MESSAGEBOX: "stderr" (or "default") prints and answers the default
// button; "ok", "cancel", "yes", "no", ... or a number prints and answers that.
// Returns 0 when the variable does not decide.
int AnswerFromEnvironment(UINT type)
{
    const char* v = std::getenv("QRN_MESSAGEBOX");
    if (!v || !*v) return 0;
    static const struct {
        const char* name;
        int id;
    } names[] = {{"ok", IDOK},         {"cancel", IDCANCEL}, {"abort", IDABORT},
                 {"retry", IDRETRY},   {"ignore", IDIGNORE}, {"yes", IDYES},
                 {"no", IDNO},         {"tryagain", IDTRYAGAIN}, {"continue", IDCONTINUE}};
    for (const auto& n : names)
        if (strcasecmp(v, n.name) == 0) return n.id;
    char* end = nullptr;
    long id = std::strtol(v, &end, 10);
    if (end && *end == '\0' && id > 0 && id < 100) return int(id);
    return DefaultButton(type);
}

// Whether SDL can put a dialog on screen at all.
bool DialogsPossible()
{
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
    if (!driver) driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (strcasecmp(driver, "offscreen") == 0 || strcasecmp(driver, "dummy") == 0 ||
                   strcasecmp(driver, "evdev") == 0))
        return false;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display && *display) || (wayland && *wayland);
}

void PrintBox(const char* caption, const char* text, int answer)
{
    std::fprintf(stderr, "[message box] %s: %s (answer %d)\n", caption, text, answer);
    std::fflush(stderr);
}

}  // namespace

extern "C" int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    const char* t = text ? text : "";
    const char* c = caption ? caption : "Error";  // the original's caption for null
    qrn::win32::testctl::MessageBoxRecord rec;
    rec.text = t;
    rec.caption = c;
    rec.type = type;

    bool headless = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_answers.empty()) {
            rec.answer = g_answers.front();
            g_answers.pop_front();
            Record(rec);
            return rec.answer;
        }
        headless = g_headless;
    }

    int answer = AnswerFromEnvironment(type);
    if (answer == 0 && !headless && DialogsPossible()) {
        std::vector<Button> buttons = ButtonsOf(type);
        std::vector<SDL_MessageBoxButtonData> data;
        const int def = DefaultButton(type);
        const int esc = CloseAnswer(type);
        for (const Button& b : buttons) {
            Uint32 flags = 0;
            if (b.id == def) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            if (b.id == esc) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            data.push_back({flags, b.id, b.label});
        }
        Uint32 icon = SDL_MESSAGEBOX_INFORMATION;
        switch (type & MB_ICONMASK) {
        case MB_ICONERROR: icon = SDL_MESSAGEBOX_ERROR; break;
        case MB_ICONWARNING: icon = SDL_MESSAGEBOX_WARNING; break;
        default: break;
        }
        SDL_MessageBoxData box{};
        box.flags = icon | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
        box.window = owner ? qrn::win32::SdlWindow(owner) : nullptr;
        box.title = c;
        box.message = t;
        box.numbuttons = int(data.size());
        box.buttons = data.data();
        int pressed = -1;
        if (SDL_ShowMessageBox(&box, &pressed) == 0) {
            rec.shown = true;
            answer = pressed >= 0 ? pressed : esc;
        }
    }
    if (!rec.shown) {
        if (answer == 0) answer = DefaultButton(type);
        PrintBox(c, t, answer);
    }
    rec.answer = answer;
    std::lock_guard<std::mutex> lock(g_mutex);
    Record(rec);
    return answer;
}

namespace qrn::win32::testctl {

void QueueMessageBoxAnswer(int answer)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_recording = true;
    g_answers.push_back(answer);
}

void ClearMessageBoxAnswers()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_recording = true;
    g_answers.clear();
}

size_t PendingMessageBoxAnswers()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_recording = true;
    return g_answers.size();
}

void SetMessageBoxHeadless(bool headless)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_recording = true;
    g_headless = headless;
}

std::vector<MessageBoxRecord> MessageBoxLog()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_recording = true;
    return {g_log.begin(), g_log.end()};
}

void ClearMessageBoxLog()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_recording = true;
    g_log.clear();
}

}  // namespace qrn::win32::testctl
