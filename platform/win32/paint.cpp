// Painting of top-level windows before a device draws into them: the class
// background brush, then the black (or grey, white) static rectangles of the
// child windows, through SDL's window surface (no GL context is involved).
// Once a device owns the picture, nothing is painted here any more.
#include <algorithm>

#include "win32_internal.h"

namespace qrn::win32::detail {

namespace {

// Stock brushes are handles in a small reserved range.
constexpr uintptr_t kStockBase = 0x7F00;

struct Fill {
    bool paint;
    uint32_t rgb;
};

Fill ChildFill(const Window* w)
{
    if (w->cls && w->cls->system && w->cls->key == "static") {
        switch (w->style & SS_TYPEMASK) {
        case SS_BLACKRECT: return {true, 0x000000};
        case SS_GRAYRECT: return {true, SysColorRgb(COLOR_BACKGROUND)};
        case SS_WHITERECT: return {true, SysColorRgb(COLOR_WINDOW)};
        case SS_BLACKFRAME: return {false, 0};
        default: return {true, SysColorRgb(COLOR_BTNFACE)};
        }
    }
    if (w->cls && w->cls->wc.hbrBackground) return {true, BrushRgb(w->cls->wc.hbrBackground, 0)};
    return {false, 0};
}

void FillRect(SDL_Surface* s, const RECT& r, uint32_t rgb)
{
    SDL_Rect rc{int(r.left), int(r.top), int(r.right - r.left), int(r.bottom - r.top)};
    if (rc.w <= 0 || rc.h <= 0) return;
    SDL_FillRect(s, &rc, SDL_MapRGB(s->format, Uint8(rgb >> 16), Uint8(rgb >> 8), Uint8(rgb)));
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

// Children are drawn bottom of the z-order first; each is clipped to its parent.
void PaintChildren(SDL_Surface* s, const Window* parent, const RECT& clip)
{
    for (auto it = parent->children.rbegin(); it != parent->children.rend(); ++it) {
        const Window* c = Find(*it);
        if (!c || !c->visible) continue;
        RECT r{};
        if (!qrn::win32::RectInTopLevel(c->handle, &r)) continue;
        RECT visible = Intersect(r, clip);
        Fill f = ChildFill(c);
        if (f.paint) FillRect(s, visible, f.rgb);
        PaintChildren(s, c, visible);
    }
}

}  // namespace

uint32_t SysColorRgb(int index)
{
    // The default colours of the standard light theme, 0x00RRGGBB.
    static const uint32_t colors[] = {
        0xC8C8C8,  // COLOR_SCROLLBAR
        0x000000,  // COLOR_BACKGROUND
        0x99B4D1,  // COLOR_ACTIVECAPTION
        0xBFCDDB,  // COLOR_INACTIVECAPTION
        0xF0F0F0,  // COLOR_MENU
        0xFFFFFF,  // COLOR_WINDOW
        0x646464,  // COLOR_WINDOWFRAME
        0x000000,  // COLOR_MENUTEXT
        0x000000,  // COLOR_WINDOWTEXT
        0x000000,  // COLOR_CAPTIONTEXT
        0xB4B4B4,  // COLOR_ACTIVEBORDER
        0xF4F7FC,  // COLOR_INACTIVEBORDER
        0xABABAB,  // COLOR_APPWORKSPACE
        0x3399FF,  // COLOR_HIGHLIGHT
        0xFFFFFF,  // COLOR_HIGHLIGHTTEXT
        0xF0F0F0,  // COLOR_BTNFACE
        0xA0A0A0,  // COLOR_BTNSHADOW
        0x6D6D6D,  // COLOR_GRAYTEXT
        0x000000,  // COLOR_BTNTEXT
        0x434E54,  // COLOR_INACTIVECAPTIONTEXT
        0xFFFFFF,  // COLOR_BTNHIGHLIGHT
        0x696969,  // COLOR_3DDKSHADOW
        0xE3E3E3,  // COLOR_3DLIGHT
        0x000000,  // COLOR_INFOTEXT
        0xFFFFE1,  // COLOR_INFOBK
        0x000000,  // (unused)
        0x0066CC,  // COLOR_HOTLIGHT
        0xB9D1EA,  // COLOR_GRADIENTACTIVECAPTION
        0xD7E4F2,  // COLOR_GRADIENTINACTIVECAPTION
        0x3399FF,  // COLOR_MENUHILIGHT
        0xF0F0F0,  // COLOR_MENUBAR
    };
    if (index < 0 || index >= int(sizeof colors / sizeof colors[0])) return 0;
    return colors[index];
}

uint32_t BrushRgb(HBRUSH brush, uint32_t fallback)
{
    const uintptr_t v = reinterpret_cast<uintptr_t>(brush);
    if (v >= 1 && v <= 31) return SysColorRgb(int(v) - 1);  // system colour index + 1
    if (v >= kStockBase && v <= kStockBase + NULL_BRUSH) {
        static const uint32_t stock[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000, 0x000000};
        return stock[v - kStockBase];
    }
    return fallback;
}

void PaintIfNeeded(HWND top)
{
    Window* w = Find(top);
    if (!w || !w->sdl || !w->visible || w->deviceOwns || !w->dirty) return;
    if (w->placement == SIZE_MINIMIZED) return;
    w->dirty = false;
    // Whoever brought video up, the window surface must be a plain one: the
    // accelerated kind would put a renderer and GL context of its own on the
    // window that a device draws into later.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_Surface* s = SDL_GetWindowSurface(w->sdl);
    if (!s) return;
    const uint32_t bg = BrushRgb(w->cls ? w->cls->wc.hbrBackground : nullptr, 0);
    RECT all{0, 0, s->w, s->h};
    FillRect(s, all, bg);
    PaintChildren(s, w, all);
    SDL_UpdateWindowSurface(w->sdl);
}

}  // namespace qrn::win32::detail

using namespace qrn::win32::detail;

extern "C" {

DWORD WINAPI GetSysColor(int index)
{
    const uint32_t rgb = SysColorRgb(index);
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

HANDLE WINAPI GetStockObject(int index)
{
    if (index < WHITE_BRUSH || index > NULL_BRUSH) return nullptr;
    return reinterpret_cast<HANDLE>(kStockBase + uintptr_t(index));
}

}  // extern "C"
