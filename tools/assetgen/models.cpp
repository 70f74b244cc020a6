// The tree and the two bird poses as text .x files, with the tree's bark
// and leaf pictures.
//
// Triangles are built facing outwards and written with the opposite
// winding: the mesh loader recomputes normals from the winding, and the
// engine lights the scene with a sun direction that points away from the
// sun (the terrain's normals point down for the same reason), so inward
// normals give models the same light as the ground. The scene draws with
// culling off, so the winding does not hide any face.
#include "assetgen.h"

#include <algorithm>
#include <cstdio>

namespace assetgen {

namespace {

struct V3 {
    float x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Normalised(V3 a) {
    float l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0f / l) : a;
}

struct Material {
    std::string name;
    float r, g, b, a;
    float power;
    Rgb specular, emissive;
    std::string texture; // empty: none
};

struct Mesh {
    std::vector<V3> pos;
    std::vector<float> u, v;
    struct Face {
        int a, b, c, material;
    };
    std::vector<Face> faces;
    std::vector<Material> materials;

    int Vertex(V3 p, float tu = 0, float tv = 0) {
        pos.push_back(p);
        u.push_back(tu);
        v.push_back(tv);
        return int(pos.size()) - 1;
    }
    // A triangle facing the side `outside` points to.
    void Tri(int a, int b, int c, int m, V3 outside) {
        V3 n = Cross(pos[size_t(b)] - pos[size_t(a)], pos[size_t(c)] - pos[size_t(a)]);
        if (Dot(n, outside) < 0)
            std::swap(b, c);
        faces.push_back({a, b, c, m});
    }
    // A quad a-b-c-d (in order round its edge) facing `outside`.
    void Quad(int a, int b, int c, int d, int m, V3 outside) {
        Tri(a, b, c, m, outside);
        Tri(a, c, d, m, outside);
    }
};

std::string Num(float f) {
    char buf[32];
    if (std::fabs(f) < 5e-7f) // no "-0.000000"
        f = 0.0f;
    std::snprintf(buf, sizeof buf, "%.6f", double(f));
    return buf;
}

Bytes WriteX(const Mesh& m, const char* meshName) {
    std::string s = "xof 0303txt 0032\n\n";
    s += "Mesh " + std::string(meshName) + " {\n";
    s += " " + std::to_string(m.pos.size()) + ";\n";
    for (size_t i = 0; i < m.pos.size(); ++i)
        s += " " + Num(m.pos[i].x) + ";" + Num(m.pos[i].y) + ";" + Num(m.pos[i].z) + ";" + (i + 1 < m.pos.size() ? ",\n" : ";\n");
    s += " " + std::to_string(m.faces.size()) + ";\n";
    for (size_t i = 0; i < m.faces.size(); ++i) {
        const auto& f = m.faces[i];
        // written with the opposite winding (see the top of this file)
        s += " 3;" + std::to_string(f.a) + "," + std::to_string(f.c) + "," + std::to_string(f.b) + ";" +
             (i + 1 < m.faces.size() ? ",\n" : ";\n");
    }
    s += "\n MeshTextureCoords {\n  " + std::to_string(m.pos.size()) + ";\n";
    for (size_t i = 0; i < m.pos.size(); ++i)
        s += "  " + Num(m.u[i]) + ";" + Num(m.v[i]) + ";" + (i + 1 < m.pos.size() ? ",\n" : ";\n");
    s += " }\n\n MeshMaterialList {\n  " + std::to_string(m.materials.size()) + ";\n  " + std::to_string(m.faces.size()) + ";\n";
    for (size_t i = 0; i < m.faces.size(); ++i)
        s += "  " + std::to_string(m.faces[i].material) + (i + 1 < m.faces.size() ? ",\n" : ";\n");
    for (const auto& mat : m.materials) {
        s += "\n  Material " + mat.name + " {\n";
        s += "   " + Num(mat.r) + ";" + Num(mat.g) + ";" + Num(mat.b) + ";" + Num(mat.a) + ";;\n";
        s += "   " + Num(mat.power) + ";\n";
        s += "   " + Num(mat.specular.r) + ";" + Num(mat.specular.g) + ";" + Num(mat.specular.b) + ";;\n";
        s += "   " + Num(mat.emissive.r) + ";" + Num(mat.emissive.g) + ";" + Num(mat.emissive.b) + ";;\n";
        if (!mat.texture.empty())
            s += "\n   TextureFilename {\n    \"" + mat.texture + "\";\n   }\n";
        s += "  }\n";
    }
    s += " }\n}\n";
    return Bytes(s.begin(), s.end());
}

// ---------------------------------------------------------------- tree

// A tapered tube from a to b with `sides` sides, open at both ends.
void Branch(Mesh& m, V3 a, V3 b, float ra, float rb, int sides, int material, float vRepeat) {
    V3 axis = Normalised(b - a);
    V3 side = std::fabs(axis.y) < 0.9f ? Normalised(Cross(axis, V3{0, 1, 0})) : V3{1, 0, 0};
    V3 other = Cross(axis, side);
    int base = int(m.pos.size());
    for (int ring = 0; ring < 2; ++ring) {
        V3 c = ring ? b : a;
        float r = ring ? rb : ra;
        for (int i = 0; i <= sides; ++i) {
            float ang = 6.2831853f * float(i) / float(sides);
            V3 dir = side * std::cos(ang) + other * std::sin(ang);
            m.Vertex(c + dir * r, float(i) / float(sides), ring ? 0.0f : vRepeat);
        }
    }
    for (int i = 0; i < sides; ++i) {
        int a0 = base + i, a1 = base + i + 1, b0 = base + sides + 1 + i, b1 = b0 + 1;
        float ang = 6.2831853f * (float(i) + 0.5f) / float(sides);
        V3 out = side * std::cos(ang) + other * std::sin(ang);
        m.Quad(a0, a1, b1, b0, material, out);
    }
}

Mesh BuildTree() {
    Mesh m;
    m.materials.push_back({"Bark", 0.55f, 0.45f, 0.35f, 1.0f, 4.0f, {0, 0, 0}, {0.12f, 0.1f, 0.08f}, "tr_bark.bmp"});
    m.materials.push_back({"Leaves", 0.85f, 0.95f, 0.8f, 1.0f, 4.0f, {0, 0, 0}, {0.18f, 0.22f, 0.15f}, "tr_leaves.tga"});
    Rng rng(7);

    // Trunk in three pieces, leaning a little, sunk below the ground so that
    // it stands on slopes.
    V3 p0{0, -0.25f, 0}, p1{0.03f, 0.7f, 0.02f}, p2{-0.02f, 1.5f, 0.05f}, p3{0.04f, 2.35f, 0.0f};
    Branch(m, p0, p1, 0.17f, 0.12f, 8, 0, 1.0f);
    Branch(m, p1, p2, 0.12f, 0.09f, 8, 0, 1.0f);
    Branch(m, p2, p3, 0.09f, 0.04f, 6, 0, 1.0f);
    // Boughs.
    for (int i = 0; i < 5; ++i) {
        float ang = 6.2831853f * (float(i) / 5.0f + rng.Range(-0.06f, 0.06f));
        float h = 1.1f + 0.28f * float(i);
        V3 from{0.0f, h, 0.02f};
        float len = 0.65f - 0.07f * float(i);
        V3 to = from + V3{std::cos(ang) * len, 0.35f + 0.1f * rng.Uniform(), std::sin(ang) * len};
        Branch(m, from, to, 0.05f, 0.02f, 5, 0, 0.5f);
    }

    // Crown: leaf cards spread over an egg-shaped shell round the top of the
    // trunk, each turned to face outwards with some random tilt.
    const V3 centre{0.0f, 2.0f, 0.0f};
    const int kCards = 64;
    for (int i = 0; i < kCards; ++i) {
        // spread directions evenly over the sphere (golden-angle spiral)
        float t = (float(i) + 0.5f) / float(kCards);
        float y = 1.0f - 1.75f * t; // skip the lowest part of the sphere
        float rxz = std::sqrt(std::max(0.0f, 1.0f - y * y));
        float ang = float(i) * 2.39996323f;
        V3 dir{rxz * std::cos(ang), y, rxz * std::sin(ang)};
        float shell = rng.Range(0.55f, 0.95f);
        V3 c = centre + V3{dir.x * 1.05f * shell, dir.y * 0.95f * shell, dir.z * 1.05f * shell};
        V3 n = Normalised(dir + V3{rng.Signed() * 0.4f, 0.5f + rng.Signed() * 0.3f, rng.Signed() * 0.4f});
        V3 t1 = Normalised(Cross(n, std::fabs(n.y) < 0.95f ? V3{0, 1, 0} : V3{1, 0, 0}));
        V3 t2 = Cross(n, t1);
        float size = rng.Range(0.42f, 0.6f);
        // each card shows one quarter of the leaf picture
        float u0 = float(i % 2) * 0.5f, v0 = float((i / 2) % 2) * 0.5f;
        int a = m.Vertex(c - t1 * size - t2 * size, u0, v0 + 0.5f);
        int b = m.Vertex(c + t1 * size - t2 * size, u0 + 0.5f, v0 + 0.5f);
        int cc = m.Vertex(c + t1 * size + t2 * size, u0 + 0.5f, v0);
        int d = m.Vertex(c - t1 * size + t2 * size, u0, v0);
        m.Quad(a, b, cc, d, 1, n);
    }
    return m;
}

Image BarkPicture() {
    Image img(64, 128, 3);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            // vertical furrows that wander a little, repeating round the trunk
            float furrow = TileFbm(float(x), float(y) * 0.25f, 64, 8, 3, 61);
            float grain = TileFbm(float(x), float(y), 64, 16, 2, 67);
            float k = 0.75f + 0.35f * furrow + 0.1f * grain;
            img.Set(x, y, Scale(Rgb{0.36f, 0.27f, 0.19f}, k));
        }
    return img;
}

// Leaves as pointed ovals in several greens on a transparent ground. The
// transparent texels carry leaf green too, so filtering leaves no dark rim.
Image LeafPicture() {
    constexpr int S = 256;
    Image img(S, S, 4);
    std::vector<float> alpha(size_t(S) * S, 0.0f);
    std::vector<Rgb> colour(size_t(S) * S, Rgb{0.2f, 0.36f, 0.12f});
    Rng rng(13);
    // Four clusters, one per quarter (each leaf card shows one quarter).
    for (int q = 0; q < 4; ++q) {
        float qx = float(q % 2) * 128.0f + 64.0f, qy = float(q / 2) * 128.0f + 64.0f;
        for (int k = 0; k < 90; ++k) {
            float r = 48.0f * std::sqrt(rng.Uniform());
            float a = rng.Range(0.0f, 6.2831853f);
            float cx = qx + r * std::cos(a), cy = qy + r * std::sin(a);
            float ang = rng.Range(0.0f, 3.14159265f);
            float len = rng.Range(9.0f, 14.0f), wid = len * 0.42f;
            Rgb shade = Mix(Rgb{0.16f, 0.34f, 0.1f}, Rgb{0.42f, 0.62f, 0.2f}, rng.Uniform());
            float ca = std::cos(ang), sa = std::sin(ang);
            for (int y = int(cy - len) - 1; y <= int(cy + len) + 1; ++y)
                for (int x = int(cx - len) - 1; x <= int(cx + len) + 1; ++x) {
                    if (x < 0 || y < 0 || x >= S || y >= S)
                        continue;
                    float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy;
                    float along = (dx * ca + dy * sa) / len, across = (-dx * sa + dy * ca) / wid;
                    // pointed at both ends: the width shrinks towards the tips
                    float w = 1.0f - along * along;
                    if (w <= 0)
                        continue;
                    float edge = 1.0f - (across * across) / (w * w);
                    if (edge <= 0)
                        continue;
                    size_t i = size_t(y) * S + size_t(x);
                    float vein = std::fabs(across) < 0.08f ? 1.15f : 1.0f;
                    float light = 0.85f + 0.3f * (0.5f - 0.5f * along); // lighter towards one tip
                    colour[i] = Scale(shade, light * vein);
                    alpha[i] = std::max(alpha[i], Clamp01(edge * 4.0f));
                }
        }
    }
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            img.Set(x, y, colour[size_t(y) * S + x], alpha[size_t(y) * S + x]);
    return img;
}

// ---------------------------------------------------------------- birds

// One gull facing -z, y up, ten times its flying size (wingspan 12).
// `down` = 0 gives the raised-wing pose, 1 the lowered one; both poses have
// the same vertices and faces in the same order, only positions differ.
Mesh BuildBird(float down) {
    Mesh m;
    m.materials.push_back({"Feathers", 0.95f, 0.95f, 0.93f, 1.0f, 8.0f, {0.1f, 0.1f, 0.1f}, {0.25f, 0.25f, 0.25f}, ""});
    m.materials.push_back({"Wing", 0.62f, 0.66f, 0.7f, 1.0f, 8.0f, {0.05f, 0.05f, 0.05f}, {0.16f, 0.17f, 0.18f}, ""});
    m.materials.push_back({"WingTip", 0.1f, 0.1f, 0.12f, 1.0f, 8.0f, {0, 0, 0}, {0.03f, 0.03f, 0.03f}, ""});
    m.materials.push_back({"Beak", 0.95f, 0.78f, 0.15f, 1.0f, 8.0f, {0, 0, 0}, {0.25f, 0.2f, 0.04f}, ""});

    // Body: rings of eight vertices along z, closed by a point at the beak
    // and a flat tail.
    struct Station {
        float z, y, rx, ry;
    };
    const Station st[] = {{-1.9f, 0.35f, 0.09f, 0.08f}, {-1.72f, 0.38f, 0.26f, 0.27f}, {-1.35f, 0.3f, 0.24f, 0.26f},
                          {-0.8f, 0.08f, 0.46f, 0.44f}, {0.2f, 0.0f, 0.44f, 0.4f},    {1.15f, 0.05f, 0.27f, 0.22f},
                          {1.75f, 0.1f, 0.14f, 0.08f}};
    constexpr int kRing = 8, kStations = 7;
    int beakTip = m.Vertex({0.0f, 0.32f, -2.35f});
    int rings[kStations][kRing];
    for (int s = 0; s < kStations; ++s)
        for (int i = 0; i < kRing; ++i) {
            float a = 6.2831853f * float(i) / kRing;
            rings[s][i] = m.Vertex({std::cos(a) * st[s].rx, st[s].y + std::sin(a) * st[s].ry, st[s].z});
        }
    for (int i = 0; i < kRing; ++i) {
        int j = (i + 1) % kRing;
        float a = 6.2831853f * (float(i) + 0.5f) / kRing;
        V3 radial{std::cos(a), std::sin(a), 0.0f};
        m.Tri(beakTip, rings[0][i], rings[0][j], 3, radial + V3{0, 0, -1});
        for (int s = 0; s + 1 < kStations; ++s)
            m.Quad(rings[s][i], rings[s][j], rings[s + 1][j], rings[s + 1][i], s == 0 ? 3 : 0, radial);
    }
    // Tail: a flat fan behind the last ring, with a little thickness.
    int tl = m.Vertex({-0.55f, 0.1f, 2.6f}), tr = m.Vertex({0.55f, 0.1f, 2.6f}), tm = m.Vertex({0.0f, 0.12f, 2.45f});
    int tlb = m.Vertex({-0.5f, 0.05f, 2.55f}), trb = m.Vertex({0.5f, 0.05f, 2.55f});
    const int* last = rings[kStations - 1];
    // top (ring vertices 1..3 face up) and bottom (5..7)
    m.Quad(last[3], last[1], tr, tl, 0, {0, 1, 0});
    m.Tri(tl, tr, tm, 0, {0, 1, 0.2f});
    m.Quad(last[5], last[7], trb, tlb, 0, {0, -1, 0});
    m.Tri(last[0], last[1], tr, 0, {1, 0, 0});
    m.Tri(last[0], tr, trb, 0, {1, 0, 0.3f});
    m.Tri(last[0], trb, last[7], 0, {1, -0.3f, 0});
    m.Tri(last[4], tl, last[3], 0, {-1, 0, 0});
    m.Tri(last[4], tlb, tl, 0, {-1, 0, 0.3f});
    m.Tri(last[4], last[5], tlb, 0, {-1, -0.3f, 0});
    m.Tri(last[2], last[3], last[1], 0, {0, 1, 0});
    m.Tri(last[6], last[7], last[5], 0, {0, -1, 0});
    m.Tri(tlb, trb, tm, 0, {0, -1, 0.2f});

    // Wings: an airfoil section (leading edge, top, trailing edge, bottom)
    // at five stations from the shoulder to the tip. The inner wing turns
    // about the shoulder, the outer wing about the wrist a little further.
    struct WingStation {
        float x, lead, trail, thick;
    };
    const WingStation ws[] = {{0.3f, -1.05f, 0.55f, 0.16f}, {1.9f, -0.95f, 0.7f, 0.13f}, {3.4f, -0.85f, 0.5f, 0.1f},
                              {4.8f, -0.45f, 0.45f, 0.06f}, {6.1f, 0.15f, 0.35f, 0.02f}};
    constexpr int kWing = 5;
    const float innerUp = 0.22f, innerDown = -0.35f, outerUp = 0.1f, outerDown = -0.3f;
    float inner = Lerp(innerUp, innerDown, down), outer = Lerp(outerUp, outerDown, down);
    for (int side = -1; side <= 1; side += 2) {
        int sec[kWing][4];
        const float shoulderY = 0.22f, wristX = 3.4f;
        for (int s = 0; s < kWing; ++s) {
            const auto& w = ws[s];
            float pts[4][2] = {{w.lead, 0.0f}, {Lerp(w.lead, w.trail, 0.3f), w.thick}, {w.trail, 0.0f}, {Lerp(w.lead, w.trail, 0.3f), -w.thick * 0.4f}};
            for (int k = 0; k < 4; ++k) {
                // rotate about the shoulder, then beyond the wrist about the wrist
                float x = w.x, y = pts[k][1], z = pts[k][0];
                float r = std::min(x, wristX);
                float px = r * std::cos(inner), py = r * std::sin(inner) + y * std::cos(inner);
                px -= y * std::sin(inner);
                if (x > wristX) {
                    float e = x - wristX, a = inner + outer;
                    px += e * std::cos(a);
                    py += e * std::sin(a);
                }
                sec[s][k] = m.Vertex({float(side) * px, shoulderY + py, z - 0.35f});
            }
        }
        for (int s = 0; s + 1 < kWing; ++s) {
            int mat = s >= 3 ? 2 : 1;
            for (int k = 0; k < 4; ++k) {
                int k2 = (k + 1) % 4;
                V3 out = k < 2 ? V3{0, 1, 0} : V3{0, -1, 0};
                if (k == 0 || k == 3)
                    out = out + V3{0, 0, -0.5f};
                m.Quad(sec[s][k], sec[s][k2], sec[s + 1][k2], sec[s + 1][k], mat, out);
            }
        }
        // close the tip
        m.Quad(sec[kWing - 1][0], sec[kWing - 1][1], sec[kWing - 1][2], sec[kWing - 1][3], 2, {float(side), 0, 0});
    }
    return m;
}

} // namespace

void MakeModels(AssetSet& out) {
    out.Add("tree.x", WriteX(BuildTree(), "Tree"));
    out.Add("tr_bark.bmp", EncodeBmp(BarkPicture()));
    out.Add("tr_leaves.tga", EncodeTga(LeafPicture()));
    // The two poses are blended vertex by vertex, so they share one face
    // list: the winding is decided once, on the raised pose.
    Mesh up = BuildBird(0.0f), down = BuildBird(1.0f);
    down.faces = up.faces;
    out.Add("BirdUP.x", WriteX(up, "Bird"));
    out.Add("BirdDOWN.x", WriteX(down, "Bird"));
}

} // namespace assetgen
