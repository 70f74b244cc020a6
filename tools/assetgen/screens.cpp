// Title and closing screens: a view of the island itself, drawn by marching
// rays over the height map, with text set in DejaVu through FreeType.
#include "assetgen.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace assetgen {

namespace {

constexpr int W = 640, H = 480;
const char* const kFontDir = "/usr/share/fonts/truetype/dejavu/";

// ---------------------------------------------------------------- landscape

struct View {
    float x, y, z;   // eye
    float yaw;       // radians, 0 looks along +z, positive turns towards +x
    float horizon;   // screen row of the horizon
    float focal;     // pixels
};

float Canopy(float x, float z, float ground) {
    // Tree crowns over the high ground, as lumps on the surface.
    float wood = SmoothStep(42.8f, 43.8f, ground);
    if (wood <= 0)
        return 0;
    float lumps = std::max(0.0f, Fbm(x * 0.45f, z * 0.45f, 3, 401) + 0.3f);
    return wood * lumps * 4.5f;
}

Image Landscape(const Island& island, const View& v) {
    Image img(W, H, 3);
    const float sea = 40.0f;
    const Rgb seaColour{0.12f, 0.3f, 0.45f}, haze = SkyColour(1, 0.02f, 0);
    const float sunX = 0.45f, sunY = 0.8f, sunZ = -0.4f;
    for (int col = 0; col < W; ++col) {
        float dxs = (float(col) + 0.5f - W * 0.5f) / v.focal;
        float ca = std::cos(v.yaw), sa = std::sin(v.yaw);
        // ray direction on the ground plane (unnormalised: z component 1 in
        // camera space, so distance along it is depth)
        float rx = sa + dxs * ca, rz = ca - dxs * sa;
        int top = H; // rows at and below `top` are drawn
        float d = 1.0f;
        while (d < 900.0f && top > 0) {
            float px = v.x + rx * d, pz = v.z + rz * d;
            bool onMap = px >= 0 && pz >= 0 && px < 256.0f && pz < 256.0f;
            float ground = onMap ? island.HeightAt(px, pz) : sea - 10.0f;
            float h = std::max(ground, sea);
            Rgb c;
            if (ground > sea) {
                int tx = std::clamp(int(px / 257.0f * 512.0f), 0, 511), tz = std::clamp(int(pz / 257.0f * 512.0f), 0, 511);
                c = island.colourMap.Get(tx, tz);
                float canopy = Canopy(px, pz, ground);
                h += canopy;
                if (canopy > 0.05f)
                    c = Scale(Rgb{0.13f, 0.27f, 0.09f}, 0.8f + 0.5f * SmoothStep(0.0f, 4.5f, canopy));
                float gx = island.HeightAt(px + 1, pz) + Canopy(px + 1, pz, ground) - island.HeightAt(px - 1, pz) - Canopy(px - 1, pz, ground);
                float gz = island.HeightAt(px, pz + 1) + Canopy(px, pz + 1, ground) - island.HeightAt(px, pz - 1) - Canopy(px, pz - 1, ground);
                float nx = -gx * 0.5f, ny = 1.0f, nz = -gz * 0.5f;
                float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
                float light = std::max(0.0f, (nx * sunX + ny * sunY + nz * sunZ) / nl);
                c = Scale(c, 0.45f + 0.75f * light);
            } else {
                float depth = Clamp01((sea - ground) / 6.0f);
                Rgb floor = onMap ? island.colourMap.Get(std::clamp(int(px / 257.0f * 512.0f), 0, 511),
                                                         std::clamp(int(pz / 257.0f * 512.0f), 0, 511))
                                  : seaColour;
                c = Mix(floor, seaColour, 0.55f + 0.45f * depth);
                float ripple = Fbm(px * 0.6f, pz * 0.15f, 2, 409);
                c = Add(c, Scale(Rgb{0.2f, 0.22f, 0.24f}, std::max(0.0f, ripple) * 0.6f));
            }
            c = Mix(c, haze, Clamp01(d / 700.0f) * 0.85f);
            int row = int(v.horizon - (h - v.y) * v.focal / d);
            row = std::max(row, 0);
            for (int y = row; y < top; ++y)
                if (y < H)
                    img.Set(col, y, c);
            top = std::min(top, row);
            d *= 1.006f;
            d += 0.05f;
        }
        for (int y = 0; y < top; ++y) {
            float dy = (v.horizon - (float(y) + 0.5f)) / v.focal;
            img.Set(col, y, SkyColour(rx, dy, rz));
        }
    }
    return img;
}

// ---------------------------------------------------------------- text

class Fonts {
public:
    ~Fonts() {
        for (auto f : m_faces)
            FT_Done_Face(f);
        if (m_lib)
            FT_Done_FreeType(m_lib);
    }
    bool Init() { return FT_Init_FreeType(&m_lib) == 0; }
    FT_Face Load(const char* file) {
        std::string path = std::string(kFontDir) + file;
        FT_Face face = nullptr;
        if (FT_New_Face(m_lib, path.c_str(), 0, &face) != 0) {
            std::fprintf(stderr, "assetgen: cannot load the font %s (Debian packages fonts-dejavu-core and fonts-dejavu-extra)\n", path.c_str());
            return nullptr;
        }
        m_faces.push_back(face);
        return face;
    }

private:
    FT_Library m_lib = nullptr;
    std::vector<FT_Face> m_faces;
};

// Walks the glyphs of `s` from the pen position `pen` (26.6 fixed point),
// kerning included: each glyph that loads with `loadFlags` is handed to
// `glyph` with the pen where it starts. Returns the pen after the last glyph.
template <class F>
long ForEachGlyph(FT_Face face, int px, const std::string& s, FT_Int32 loadFlags, long pen, F&& glyph) {
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(px));
    FT_UInt prev = 0;
    for (unsigned char ch : s) {
        FT_UInt g = FT_Get_Char_Index(face, ch);
        if (prev && FT_HAS_KERNING(face)) {
            FT_Vector k;
            FT_Get_Kerning(face, prev, g, FT_KERNING_DEFAULT, &k);
            pen += k.x;
        }
        prev = g;
        if (FT_Load_Glyph(face, g, loadFlags) != 0)
            continue;
        glyph(pen);
        pen += face->glyph->advance.x;
    }
    return pen;
}

int TextWidth(FT_Face face, int px, const std::string& s) {
    return int(ForEachGlyph(face, px, s, FT_LOAD_DEFAULT, 0, [](long) {}) >> 6);
}

// Draws `s` with its baseline at y, blending `colour` by the glyph coverage.
void DrawText(Image& img, FT_Face face, int px, int x, int y, const std::string& s, Rgb colour, float opacity = 1.0f) {
    ForEachGlyph(face, px, s, FT_LOAD_RENDER, long(x) << 6, [&](long pen) {
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        int gx = int(pen >> 6) + slot->bitmap_left, gy = y - slot->bitmap_top;
        for (unsigned r = 0; r < bm.rows; ++r)
            for (unsigned c = 0; c < bm.width; ++c) {
                int tx = gx + int(c), ty = gy + int(r);
                if (tx < 0 || ty < 0 || tx >= img.width || ty >= img.height)
                    continue;
                float a = bm.buffer[r * unsigned(bm.pitch) + c] / 255.0f * opacity;
                if (a > 0)
                    img.Set(tx, ty, Mix(img.Get(tx, ty), colour, a));
            }
    });
}

void ShadowedText(Image& img, FT_Face face, int px, int x, int y, const std::string& s, Rgb colour) {
    int off = std::max(1, px / 18);
    DrawText(img, face, px, x + off, y + off, s, {0, 0, 0}, 0.6f);
    DrawText(img, face, px, x, y, s, colour);
}

void Centred(Image& img, FT_Face face, int px, int y, const std::string& s, Rgb colour) {
    ShadowedText(img, face, px, (W - TextWidth(face, px, s)) / 2, y, s, colour);
}

void DarkPanel(Image& img, int x0, int y0, int x1, int y1, float alpha) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            // rounded corners of radius 10
            int cx = std::clamp(x, x0 + 10, x1 - 11), cy = std::clamp(y, y0 + 10, y1 - 11);
            float dist = std::sqrt(float((x - cx) * (x - cx) + (y - cy) * (y - cy)));
            float a = alpha * Clamp01(10.5f - dist);
            img.Set(x, y, Mix(img.Get(x, y), Rgb{0.02f, 0.05f, 0.08f}, a));
        }
}

} // namespace

bool MakeScreens(AssetSet& out, const Island& island, Image* titleCopy) {
    Fonts fonts;
    if (!fonts.Init())
        return false;
    FT_Face serifBold = fonts.Load("DejaVuSerif-Bold.ttf");
    FT_Face serifItalic = fonts.Load("DejaVuSerif-Italic.ttf");
    FT_Face sans = fonts.Load("DejaVuSans.ttf");
    FT_Face sansBold = fonts.Load("DejaVuSans-Bold.ttf");
    if (!serifBold || !serifItalic || !sans || !sansBold)
        return false;

    const Rgb white{1, 1, 1}, pale{0.88f, 0.93f, 1.0f}, gold{1.0f, 0.86f, 0.5f};

    // Title: the island seen from the sea in the south, and the controls.
    {
        Image img = Landscape(island, {146.0f, 46.0f, 262.0f, 3.3f, 175.0f, 420.0f});
        Centred(img, serifBold, 72, 92, "Brackwood", white);
        Centred(img, serifItalic, 22, 126, "a walk over the island", pale);
        struct Line {
            const char* keys;
            const char* action;
        };
        const Line lines[] = {
            {"Arrows or W A S D", "walk, or wade"},  {"N", "evening light"},
            {"Mouse", "look around"},                {"F  /  G", "more  /  less fog"},
            {"Space", "throw a fireball"},           {"F1  /  F2", "wireframe  /  textures"},
            {"R", "rain on or off"},                 {"F3", "closing screen"},
            {"B", "boxes round trees"},              {"Escape twice", "quit"},
        };
        const int lineHeight = 21, top = 330;
        DarkPanel(img, 20, top - 24, 620, top + lineHeight * 5 - 6, 0.6f);
        for (int i = 0; i < 10; ++i) {
            int y = top + (i / 2) * lineHeight;
            int x = i % 2 ? 352 : 38;
            ShadowedText(img, sansBold, 14, x, y, lines[i].keys, gold);
            ShadowedText(img, sans, 14, x + (i % 2 ? 108 : 160), y, lines[i].action, white);
        }
        Centred(img, sansBold, 18, 458, "Press Space to begin", white);
        out.Add("title.jpg", EncodeJpeg(img, 90));
        if (titleCopy)
            *titleCopy = img;
    }

    // Closing screen: the island from the north-west in evening light.
    {
        Image img = Landscape(island, {-40.0f, 50.0f, -20.0f, 0.78f, 205.0f, 420.0f});
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                Rgb c = img.Get(x, y);
                float k = 0.75f + 0.25f * float(y) / H;
                img.Set(x, y, {c.r * 1.05f * k, c.g * 0.8f * k, c.b * 0.62f * k});
            }
        Centred(img, serifBold, 44, 120, "Thank you for walking", white);
        Centred(img, serifItalic, 22, 156, "on Brackwood", pale);
        DarkPanel(img, 100, 250, 540, 400, 0.55f);
        const char* lines[] = {"An island walk on the Quarnel engine", "Island, sky, trees, birds and sounds made from code",
                               "Text set in DejaVu"};
        for (int i = 0; i < 3; ++i)
            Centred(img, sans, 16, 285 + i * 26, lines[i], white);
        Centred(img, sansBold, 16, 380, "Escape: leave     F3: back to the island", gold);
        out.Add("credits.jpg", EncodeJpeg(img, 90));
    }
    return true;
}

} // namespace assetgen
