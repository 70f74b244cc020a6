// The six sounds, synthesised: wind and surf, footsteps in grass, wading,
// a fireball's whoosh, a gull's cry and a knock on wood.
#include "assetgen.h"

#include <algorithm>

namespace assetgen {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kRate = float(kSampleRate);

// Second-order filter in the usual cookbook forms.
class Biquad {
public:
    static Biquad LowPass(float freq, float q) { return Make(freq, q, 0); }
    static Biquad BandPass(float freq, float q) { return Make(freq, q, 1); }
    static Biquad HighPass(float freq, float q) { return Make(freq, q, 2); }
    // Changes the corner frequency, keeping the state (for sweeps).
    void Retune(float freq, float q) {
        Biquad n = Make(freq, q, m_kind);
        m_b0 = n.m_b0, m_b1 = n.m_b1, m_b2 = n.m_b2, m_a1 = n.m_a1, m_a2 = n.m_a2;
    }
    float operator()(float x) {
        float y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
        m_x2 = m_x1, m_x1 = x, m_y2 = m_y1, m_y1 = y;
        return y;
    }

private:
    static Biquad Make(float freq, float q, int kind) {
        Biquad f;
        f.m_kind = kind;
        float w = 2.0f * kPi * std::clamp(freq, 10.0f, kRate * 0.45f) / kRate;
        float alpha = std::sin(w) / (2.0f * q), cw = std::cos(w);
        float a0 = 1.0f + alpha;
        if (kind == 0) {
            f.m_b0 = (1 - cw) * 0.5f, f.m_b1 = 1 - cw, f.m_b2 = (1 - cw) * 0.5f;
        } else if (kind == 1) {
            f.m_b0 = alpha, f.m_b1 = 0, f.m_b2 = -alpha;
        } else {
            f.m_b0 = (1 + cw) * 0.5f, f.m_b1 = -(1 + cw), f.m_b2 = (1 + cw) * 0.5f;
        }
        f.m_b0 /= a0, f.m_b1 /= a0, f.m_b2 /= a0;
        f.m_a1 = -2.0f * cw / a0, f.m_a2 = (1 - alpha) / a0;
        return f;
    }
    int m_kind = 0;
    float m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    float m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

std::vector<float> Silence(float seconds) { return std::vector<float>(size_t(seconds * kRate), 0.0f); }

// Removes any offset and rumble below hearing (the brown noise drifts).
void BlockDc(std::vector<float>& s) {
    Biquad hp = Biquad::HighPass(30, 0.7f);
    for (float& v : s)
        v = hp(v);
}

void Normalise(std::vector<float>& s, float peak) {
    float m = 0;
    for (float v : s)
        m = std::max(m, std::fabs(v));
    if (m > 0)
        for (float& v : s)
            v *= peak / m;
}

// Short fades at both ends so that no sound starts or stops with a click.
void FadeEnds(std::vector<float>& s, float seconds) {
    size_t n = std::min(s.size() / 2, size_t(seconds * kRate));
    for (size_t i = 0; i < n; ++i) {
        float k = float(i) / float(n);
        s[i] *= k;
        s[s.size() - 1 - i] *= k;
    }
}

// ---------------------------------------------------------------- ambient

// Wind and surf, 24 seconds, looping without a seam: every slow envelope
// has a whole number of periods in the loop, and the noise that runs on
// past the end is cross-faded into the start.
std::vector<float> Ambient() {
    const float loop = 24.0f, overlap = 1.5f;
    size_t n = size_t(loop * kRate), extra = size_t(overlap * kRate);
    std::vector<float> s(n + extra);
    Rng rng(501);
    Biquad windLow = Biquad::LowPass(400, 0.7f), windBand = Biquad::BandPass(700, 1.2f);
    Biquad surfLow = Biquad::LowPass(900, 0.6f), hiss = Biquad::HighPass(2500, 0.7f);
    float brown = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float ph = 2.0f * kPi * t / loop;
        float white = rng.Signed();
        brown = brown * 0.995f + white * 0.05f;
        // wind: gusts that swell and fade, with a faint whistle
        float gust = 0.55f + 0.25f * std::sin(ph * 2 + 0.4f) + 0.15f * std::sin(ph * 5 + 1.9f) + 0.05f * std::sin(ph * 11);
        if (i % 64 == 0)
            windBand.Retune(500.0f + 300.0f * gust, 1.5f);
        float wind = (windLow(brown) * 1.4f + windBand(white) * 0.12f) * gust;
        // surf: three waves in the loop, each rising slowly and breaking
        float wavePhase = std::fmod(t / loop * 3.0f, 1.0f);
        int wave = int(t / loop * 3.0f) % 3;
        float strength = wave == 0 ? 1.0f : (wave == 1 ? 0.75f : 0.9f);
        float swell = std::pow(std::sin(kPi * wavePhase), 2.0f) * std::exp(-3.0f * std::max(0.0f, wavePhase - 0.45f));
        if (i % 64 == 0)
            surfLow.Retune(350.0f + 1400.0f * swell, 0.6f);
        float surf = (surfLow(white) * 0.6f + hiss(white) * 0.12f * swell) * swell * strength;
        s[i] = 0.5f * wind + 0.9f * surf;
    }
    BlockDc(s);
    std::vector<float> out(s.begin(), s.begin() + long(n));
    for (size_t i = 0; i < extra; ++i) {
        float k = float(i) / float(extra);
        // equal-power cross-fade: the two noises are unrelated
        out[i] = s[i] * std::sqrt(k) + s[n + i] * std::sqrt(1.0f - k);
    }
    Normalise(out, 0.5f);
    return out;
}

// ---------------------------------------------------------------- footsteps

// One step in grass: a soft heel thud, then a crunch of many tiny blade
// crackles under a band of noise.
void GrassStep(std::vector<float>& s, float start, Rng& rng, float weight) {
    size_t i0 = size_t(start * kRate);
    size_t len = size_t(0.32f * kRate);
    Biquad crunch = Biquad::BandPass(3200.0f + 800.0f * rng.Signed(), 0.9f);
    Biquad thudFilter = Biquad::LowPass(160, 0.8f);
    Biquad body = Biquad::BandPass(900, 0.7f);
    for (size_t k = 0; k < len && i0 + k < s.size(); ++k) {
        float t = float(k) / kRate;
        float white = rng.Signed();
        float thudEnv = std::exp(-t * 40.0f) * std::min(1.0f, t * 400.0f);
        float crunchEnv = std::exp(-std::pow((t - 0.07f) / 0.06f, 2.0f)) + 0.4f * std::exp(-std::pow((t - 0.17f) / 0.05f, 2.0f));
        float crackle = rng.Uniform() < 0.03f ? rng.Signed() * 3.0f : 0.0f;
        s[i0 + k] += weight * (thudFilter(white) * 2.5f * thudEnv + (crunch(white + crackle) * 0.8f + body(white) * 0.25f) * crunchEnv);
    }
}

std::vector<float> WalkGrass() {
    // Two steps in 0.9 seconds; the demo starts the sound again while the
    // walk goes on.
    std::vector<float> s = Silence(0.9f);
    Rng rng(601);
    GrassStep(s, 0.02f, rng, 1.0f);
    GrassStep(s, 0.47f, rng, 0.85f);
    Biquad soften = Biquad::LowPass(7000, 0.7f);
    for (float& v : s)
        v = soften(v);
    BlockDc(s);
    Normalise(s, 0.7f);
    FadeEnds(s, 0.005f);
    return s;
}

// Wading: each step pushes water forward (a low swish), then splashes and
// bubbles (short resonant blips).
std::vector<float> WalkWater() {
    std::vector<float> s = Silence(1.4f);
    Rng rng(701);
    Biquad swish = Biquad::BandPass(500, 0.8f), splash = Biquad::BandPass(1800, 0.7f);
    for (int step = 0; step < 2; ++step) {
        size_t i0 = size_t((0.03f + 0.68f * float(step)) * kRate);
        size_t len = size_t(0.62f * kRate);
        for (size_t k = 0; k < len && i0 + k < s.size(); ++k) {
            float t = float(k) / kRate;
            float white = rng.Signed();
            if (k % 32 == 0)
                swish.Retune(300.0f + 500.0f * t, 1.0f);
            float swishEnv = std::sin(kPi * std::min(1.0f, t / 0.45f)) * (t < 0.45f ? 1.0f : 0.0f);
            float splashEnv = std::exp(-std::pow((t - 0.32f) / 0.07f, 2.0f));
            s[i0 + k] += swish(white) * 0.9f * swishEnv + splash(white) * 0.7f * splashEnv;
        }
        // bubbles: short rising sine blips after the splash
        for (int b = 0; b < 9; ++b) {
            float at = 0.3f + 0.25f * rng.Uniform();
            float f0 = rng.Range(500.0f, 1400.0f);
            float dur = rng.Range(0.015f, 0.04f);
            size_t j0 = i0 + size_t(at * kRate);
            float phase = 0;
            for (size_t k = 0; k < size_t(dur * kRate) && j0 + k < s.size(); ++k) {
                float t = float(k) / kRate;
                phase += 2.0f * kPi * f0 * (1.0f + 3.0f * t / dur * 0.3f) / kRate;
                s[j0 + k] += 0.25f * std::sin(phase) * std::exp(-t / dur * 3.0f) * std::min(1.0f, t * 2000.0f);
            }
        }
    }
    Normalise(s, 0.7f);
    FadeEnds(s, 0.005f);
    return s;
}

// ---------------------------------------------------------------- effects

// A fireball: a roaring band of noise that sweeps up and down as it flies
// past, with crackles of flame.
std::vector<float> Fireball() {
    std::vector<float> s = Silence(1.3f);
    Rng rng(801);
    Biquad band = Biquad::BandPass(300, 1.2f), roar = Biquad::LowPass(180, 0.8f), snap = Biquad::BandPass(2500, 1.5f);
    float brown = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = float(i) / kRate;
        float x = t / 1.3f;
        float env = std::pow(std::sin(kPi * std::pow(x, 0.7f)), 1.5f);
        if (i % 32 == 0)
            band.Retune(250.0f + 2600.0f * std::pow(std::sin(kPi * std::min(1.0f, x * 1.3f)), 2.0f), 1.4f);
        float white = rng.Signed();
        brown = brown * 0.99f + white * 0.1f;
        float crackle = rng.Uniform() < 0.004f * env ? rng.Signed() * 4.0f : 0.0f;
        s[i] = env * (band(white) * 1.0f + roar(brown) * 1.2f) + snap(crackle) * env * 0.5f;
    }
    BlockDc(s);
    Normalise(s, 0.75f);
    FadeEnds(s, 0.01f);
    return s;
}

// A gull: three calls, each a harmonic tone whose pitch leaps up and falls
// away, with a nasal edge from a band of boosted harmonics.
std::vector<float> Seagull() {
    std::vector<float> s = Silence(1.6f);
    Rng rng(901);
    const float starts[] = {0.02f, 0.42f, 0.78f};
    const float lengths[] = {0.34f, 0.3f, 0.55f};
    for (int c = 0; c < 3; ++c) {
        size_t i0 = size_t(starts[c] * kRate);
        size_t len = size_t(lengths[c] * kRate);
        float phase = 0, flutter = 0;
        float base = c == 2 ? 850.0f : 980.0f;
        for (size_t k = 0; k < len && i0 + k < s.size(); ++k) {
            float t = float(k) / float(len);
            // quick rise, then a long fall ("kee-ow")
            float pitch = base * (t < 0.2f ? 0.75f + 0.5f * SmoothStep(0.0f, 0.2f, t) : 1.25f - 0.6f * SmoothStep(0.2f, 1.0f, t));
            pitch *= 1.0f + 0.01f * std::sin(2.0f * kPi * 30.0f * float(k) / kRate);
            phase += 2.0f * kPi * pitch / kRate;
            if (phase > 2.0f * kPi * 64)
                phase -= 2.0f * kPi * 64;
            float v = 0;
            for (int h = 1; h <= 7; ++h) {
                float hf = pitch * float(h);
                // formant near 2.5 kHz
                float gain = 1.0f / float(h) + 0.9f * std::exp(-std::pow((hf - 2500.0f) / 900.0f, 2.0f));
                v += gain * std::sin(phase * float(h));
            }
            float env = SmoothStep(0.0f, 0.08f, t) * (1.0f - SmoothStep(0.7f, 1.0f, t));
            // a raspy edge: the loudness flutters quickly but smoothly
            flutter += (rng.Signed() - flutter) * 0.03f;
            float rough = 1.0f + 0.6f * flutter;
            s[i0 + k] += v * env * rough * (c == 2 ? 1.0f : 0.8f);
        }
    }
    Normalise(s, 0.7f);
    FadeEnds(s, 0.005f);
    return s;
}

// A knock on wood: two raps, each a click that rings the wood's few
// resonances, which die away fast.
std::vector<float> Knock() {
    std::vector<float> s = Silence(0.6f);
    Rng rng(1001);
    struct Mode {
        float freq, decay, amp;
    };
    const Mode modes[] = {{180, 28, 1.0f}, {420, 40, 0.7f}, {735, 55, 0.5f}, {1210, 70, 0.35f}, {1850, 90, 0.2f}};
    const float raps[] = {0.01f, 0.2f};
    Biquad dull = Biquad::LowPass(3500, 0.7f); // the knuckle on wood is not a sharp click
    for (int r = 0; r < 2; ++r) {
        size_t i0 = size_t(raps[r] * kRate);
        float weight = r == 0 ? 1.0f : 0.8f;
        for (size_t k = 0; k + i0 < s.size(); ++k) {
            float t = float(k) / kRate;
            float v = 0;
            for (const auto& m : modes)
                v += m.amp * std::sin(2.0f * kPi * m.freq * t * (1.0f + 0.01f * float(r))) * std::exp(-t * m.decay);
            float click = dull(t < 0.003f ? rng.Signed() * (1.0f - t / 0.003f) : 0.0f);
            s[i0 + k] += weight * (v * std::min(1.0f, t * 3000.0f) + click * 1.5f);
        }
    }
    Normalise(s, 0.8f);
    FadeEnds(s, 0.004f);
    return s;
}

} // namespace

void MakeSounds(AssetSet& out) {
    out.Add("ambient.mp3", EncodeMp3(Ambient(), 96));
    out.Add("walkgrass.wav", EncodeWav(WalkGrass()));
    out.Add("walkwater.mp3", EncodeMp3(WalkWater(), 96));
    out.Add("fireball.wav", EncodeWav(Fireball()));
    out.Add("seagull.wav", EncodeWav(Seagull()));
    out.Add("knock.wav", EncodeWav(Knock()));
}

} // namespace assetgen
