#include "decoders.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <jpeglib.h>
#include <mpg123.h>
#include <stb_image.h>

namespace assettest {

std::optional<Bytes> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return std::nullopt;
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint64_t Fnv1a(const Bytes& data) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint8_t b : data)
        h = (h ^ b) * 0x100000001B3ull;
    return h;
}

// ---------------------------------------------------------------- pictures

namespace {
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
void OnJpegError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }

std::optional<Picture> DecodeJpeg(const Bytes& data) {
    jpeg_decompress_struct cinfo;
    JpegError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnJpegError;
    Picture pic;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return std::nullopt;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), (unsigned long)data.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    pic.width = int(cinfo.output_width);
    pic.height = int(cinfo.output_height);
    pic.channels = cinfo.num_components;
    pic.rgba.resize(size_t(pic.width) * pic.height * 4);
    std::vector<uint8_t> row(size_t(pic.width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        int y = int(cinfo.output_scanline);
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&cinfo, &r, 1);
        for (int x = 0; x < pic.width; ++x) {
            uint8_t* p = &pic.rgba[(size_t(y) * pic.width + x) * 4];
            p[0] = row[size_t(x) * 3], p[1] = row[size_t(x) * 3 + 1], p[2] = row[size_t(x) * 3 + 2], p[3] = 255;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pic;
}
} // namespace

std::optional<Picture> DecodePicture(const std::string& name, const Bytes& data) {
    if (name.size() > 4 && name.substr(name.size() - 4) == ".jpg")
        return DecodeJpeg(data);
    Picture pic;
    int w = 0, h = 0, c = 0;
    stbi_uc* px = stbi_load_from_memory(data.data(), int(data.size()), &w, &h, &c, 4);
    if (!px)
        return std::nullopt;
    pic.width = w, pic.height = h, pic.channels = c;
    pic.rgba.assign(px, px + size_t(w) * h * 4);
    stbi_image_free(px);
    return pic;
}

// ---------------------------------------------------------------- sound

double Sound::Rms() const {
    double sum = 0;
    for (float s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
}

double Sound::Peak() const {
    double m = 0;
    for (float s : samples)
        m = std::max(m, double(std::fabs(s)));
    return m;
}

namespace {
uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
} // namespace

std::optional<Sound> DecodeWav(const Bytes& d) {
    if (d.size() < 12 || std::memcmp(d.data(), "RIFF", 4) != 0 || std::memcmp(d.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    Sound s;
    int bits = 0;
    size_t pos = 12;
    while (pos + 8 <= d.size()) {
        uint32_t size = Le32(&d[pos + 4]);
        const uint8_t* body = &d[pos + 8];
        if (pos + 8 + size > d.size())
            return std::nullopt;
        if (std::memcmp(&d[pos], "fmt ", 4) == 0 && size >= 16) {
            if (Le16(body) != 1)
                return std::nullopt; // not PCM
            s.channels = Le16(body + 2);
            s.rate = int(Le32(body + 4));
            bits = Le16(body + 14);
        } else if (std::memcmp(&d[pos], "data", 4) == 0) {
            if (bits != 16 || s.channels < 1)
                return std::nullopt;
            size_t frames = size / (2u * unsigned(s.channels));
            for (size_t i = 0; i < frames; ++i)
                s.samples.push_back(float(int16_t(Le16(body + i * 2 * unsigned(s.channels)))) / 32768.0f);
            return s;
        }
        pos += 8 + size + (size & 1);
    }
    return std::nullopt;
}

std::optional<Sound> DecodeMp3(const Bytes& data) {
    mpg123_init();
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h)
        return std::nullopt;
    mpg123_param(h, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    mpg123_format_none(h);
    for (long rate : {22050L, 44100L, 48000L})
        mpg123_format(h, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    Sound s;
    if (mpg123_open_feed(h) != MPG123_OK) {
        mpg123_delete(h);
        return std::nullopt;
    }
    std::vector<unsigned char> out(1 << 16);
    size_t got = 0;
    int rc = mpg123_decode(h, data.data(), data.size(), out.data(), out.size(), &got);
    for (;;) {
        if (rc == MPG123_NEW_FORMAT) {
            long rate = 0;
            int enc = 0;
            mpg123_getformat(h, &rate, &s.channels, &enc);
            s.rate = int(rate);
        }
        for (size_t i = 0; s.channels > 0 && i + 1 < got; i += 2 * size_t(s.channels))
            s.samples.push_back(float(int16_t(out[i] | out[i + 1] << 8)) / 32768.0f);
        if (rc == MPG123_ERR || rc == MPG123_NEED_MORE || rc == MPG123_DONE)
            break;
        rc = mpg123_decode(h, nullptr, 0, out.data(), out.size(), &got);
    }
    mpg123_delete(h);
    if (rc == MPG123_ERR || s.rate == 0)
        return std::nullopt;
    return s;
}

// ---------------------------------------------------------------- .x text

namespace {
class XTokens {
public:
    explicit XTokens(const std::string& text) : m_text(text) {}
    // Next token: a word or number, a quoted string (without quotes), or
    // a single brace. Separators ; and , are skipped like white space.
    bool Next(std::string& tok) {
        while (m_pos < m_text.size() && (std::isspace((unsigned char)m_text[m_pos]) || m_text[m_pos] == ';' || m_text[m_pos] == ','))
            ++m_pos;
        if (m_pos >= m_text.size())
            return false;
        char c = m_text[m_pos];
        if (c == '{' || c == '}') {
            tok.assign(1, c);
            ++m_pos;
            return true;
        }
        if (c == '"') {
            size_t end = m_text.find('"', m_pos + 1);
            if (end == std::string::npos)
                return false;
            tok = m_text.substr(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
            return true;
        }
        size_t start = m_pos;
        while (m_pos < m_text.size() && !std::isspace((unsigned char)m_text[m_pos]) && !std::strchr(";,{}\"", m_text[m_pos]))
            ++m_pos;
        tok = m_text.substr(start, m_pos - start);
        return true;
    }
    bool Number(double& v) {
        std::string t;
        if (!Next(t))
            return false;
        char* end = nullptr;
        v = std::strtod(t.c_str(), &end);
        return end && *end == 0 && !t.empty();
    }
    bool Expect(const char* want) {
        std::string t;
        return Next(t) && t == want;
    }

private:
    std::string m_text;
    size_t m_pos = 0;
};
} // namespace

std::optional<XMesh> ParseX(const std::string& text, std::string* error) {
    auto fail = [&](const char* what) -> std::optional<XMesh> {
        if (error)
            *error = what;
        return std::nullopt;
    };
    if (text.compare(0, 16, "xof 0303txt 0032") != 0)
        return fail("no text .x header");
    XTokens t(text.substr(16));
    std::string tok;
    while (t.Next(tok) && tok != "Mesh") {
    }
    if (tok != "Mesh")
        return fail("no Mesh");
    t.Next(tok); // name
    if (tok != "{" && !t.Expect("{"))
        return fail("Mesh without a body");
    XMesh m;
    double v = 0;
    if (!t.Number(v) || v < 1)
        return fail("bad vertex count");
    size_t nv = size_t(v);
    for (size_t i = 0; i < nv * 3; ++i) {
        if (!t.Number(v))
            return fail("bad vertex");
        m.positions.push_back(float(v));
    }
    if (!t.Number(v) || v < 1)
        return fail("bad face count");
    size_t nf = size_t(v);
    for (size_t f = 0; f < nf; ++f) {
        double count = 0;
        if (!t.Number(count) || count < 3)
            return fail("bad face");
        std::vector<uint32_t> face;
        for (int k = 0; k < int(count); ++k) {
            if (!t.Number(v) || v < 0 || v >= double(nv))
                return fail("face index out of range");
            face.push_back(uint32_t(v));
        }
        m.faces.push_back(face);
    }
    // Child objects: read the material list, skip the others.
    int depth = 0;
    while (t.Next(tok)) {
        if (tok == "{")
            ++depth;
        else if (tok == "}") {
            if (--depth < 0)
                break;
        } else if (tok == "MeshMaterialList" && depth == 0) {
            if (!t.Expect("{"))
                return fail("MeshMaterialList without a body");
            double nm = 0, ni = 0;
            if (!t.Number(nm) || !t.Number(ni))
                return fail("bad material list counts");
            for (size_t i = 0; i < size_t(ni); ++i) {
                if (!t.Number(v) || v < 0 || v >= nm)
                    return fail("material index out of range");
                m.faceMaterials.push_back(uint32_t(v));
            }
            for (size_t i = 0; i < size_t(nm); ++i) {
                if (!t.Expect("Material"))
                    return fail("expected a Material");
                t.Next(tok); // name
                if (!t.Expect("{"))
                    return fail("Material without a body");
                XMaterial mat;
                double rest[7];
                for (float& c : mat.diffuse)
                    if (!t.Number(v))
                        return fail("bad material colour");
                    else
                        c = float(v);
                for (double& r : rest)
                    if (!t.Number(r))
                        return fail("bad material values");
                t.Next(tok);
                if (tok == "TextureFilename") {
                    if (!t.Expect("{") || !t.Next(mat.texture) || !t.Expect("}") || !t.Expect("}"))
                        return fail("bad TextureFilename");
                } else if (tok != "}") {
                    return fail("unexpected data in a Material");
                }
                m.materials.push_back(mat);
            }
            if (!t.Expect("}"))
                return fail("MeshMaterialList not closed");
        }
    }
    return m;
}

// ---------------------------------------------------------------- particle file

std::vector<ParticleSection> ParseParticleFile(const std::string& text) {
    // Reads as the demo does: a word as the key, the rest of the line as the
    // value; sections run up to "end" or the end of the text.
    std::istringstream in(text);
    std::vector<ParticleSection> sections;
    while (in.good()) {
        ParticleSection s;
        for (;;) {
            std::string key, rest;
            if (!(in >> key))
                break;
            std::getline(in, rest);
            size_t eq = rest.find('=');
            std::string value = eq == std::string::npos ? rest : rest.substr(eq + 1);
            if (key == "end") {
                s.ended = true;
                break;
            }
            if (key == "particlesystem") {
                std::istringstream words(value);
                words >> s.name;
            }
            s.values[key] = value;
            if (!in.good())
                break;
        }
        sections.push_back(s);
    }
    return sections;
}

} // namespace assettest
