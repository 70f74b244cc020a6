// Helpers shared by the sound tests: sound files made on the spot (WAV by
// hand, MP3 through libmp3lame), temporary folders, and a capture of the mixed
// output through SDL's disk audio driver.
#pragma once

#include <lame/lame.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace soundtest {

constexpr int kRate = 44100;

inline std::vector<int16_t> Sine(double seconds, double frequency, int amplitude, int rate = kRate)
{
    std::vector<int16_t> pcm(static_cast<size_t>(seconds * rate));
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2.0 * M_PI * frequency * static_cast<double>(i) / rate)));
    return pcm;
}

inline void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void Put16(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// A 16-bit PCM RIFF WAVE file.
inline std::vector<uint8_t> Wav(const std::vector<int16_t>& pcm, int channels = 1, int rate = kRate)
{
    std::vector<uint8_t> b;
    const uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    Put32(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, static_cast<uint16_t>(channels));
    Put32(b, static_cast<uint32_t>(rate));
    Put32(b, static_cast<uint32_t>(rate * channels * 2));
    Put16(b, static_cast<uint16_t>(channels * 2));
    Put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, dataBytes);
    for (int16_t s : pcm) Put16(b, static_cast<uint16_t>(s));
    return b;
}

// A mono MP3 (CBR) whose first frame carries the encoder's Info header.
inline std::vector<uint8_t> Mp3(const std::vector<int16_t>& pcm, int rate = kRate, int kbps = 128)
{
    lame_global_flags* gf = lame_init();
    lame_set_num_channels(gf, 1);
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_mode(gf, MONO);
    lame_set_brate(gf, kbps);
    lame_set_quality(gf, 5);
    lame_set_bWriteVbrTag(gf, 1);
    lame_init_params(gf);
    std::vector<uint8_t> out(pcm.size() * 5 / 4 + 7200);
    std::vector<int16_t> copy(pcm);
    const int n = lame_encode_buffer(gf, copy.data(), copy.data(), static_cast<int>(copy.size()), out.data(),
                                     static_cast<int>(out.size()));
    const int m = lame_encode_flush(gf, out.data() + n, static_cast<int>(out.size()) - n);
    out.resize(static_cast<size_t>(n + m));
    std::vector<uint8_t> tag(4096);
    const size_t t = lame_get_lametag_frame(gf, tag.data(), tag.size());
    if (t > 0 && t <= out.size()) std::memcpy(out.data(), tag.data(), t);
    lame_close(gf);
    return out;
}

inline std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed)
{
    std::vector<uint8_t> b(n);
    for (auto& v : b) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<uint8_t>(seed >> 24);
    }
    b[0] = 0x42;   // never a frame sync or a known signature at the start
    return b;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct TempDir {
    std::string path;
    TempDir()
    {
        char name[] = "/tmp/qrnsound-test-XXXXXX";
        path = mkdtemp(name) ? name : "/tmp";
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        WriteFile(File(name), bytes);
        return File(name);
    }
};

inline void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// Polls until pred holds or the time runs out; returns the seconds it took,
// or a negative number on time-out.
inline double WaitFor(const std::function<bool()>& pred, double limit)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (pred()) return t;
        if (t > limit) return -1.0;
        Sleep(0.005);
    }
}

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = getenv(name)) {
            m_had = true;
            m_old = old;
        }
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_had) setenv(m_name.c_str(), m_old.c_str(), 1);
        else unsetenv(m_name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name, m_old;
    bool m_had = false;
};

// While alive, the sound library (when it starts its output) mixes into a
// file: 16-bit stereo frames at the mixing rate, in real time.
class DiskOutput {
public:
    explicit DiskOutput(const TempDir& dir)
        : m_path(dir.File("output.raw")), m_driver("SDL_AUDIODRIVER", "disk"), m_file("SDL_DISKAUDIOFILE", m_path.c_str())
    {
    }
    // The interleaved samples written so far (read after the output closed).
    std::vector<int16_t> Samples() const
    {
        const std::vector<uint8_t> bytes = ReadFile(m_path);
        std::vector<int16_t> s(bytes.size() / 2);
        if (!s.empty()) std::memcpy(s.data(), bytes.data(), s.size() * 2);
        return s;
    }

    // Bytes written so far (grows in real time while the output runs).
    uintmax_t Bytes() const
    {
        std::error_code ec;
        const uintmax_t n = std::filesystem::file_size(m_path, ec);
        return ec ? 0 : n;
    }
    // Waits until the output has grown by the given number of stereo frames.
    bool WaitForFrames(uintmax_t frames, double limit = 5.0) const
    {
        const uintmax_t target = Bytes() + frames * 4;
        return WaitFor([&] { return Bytes() >= target; }, limit) >= 0.0;
    }

private:
    std::string m_path;
    ScopedEnv m_driver, m_file;
};

// Frames (stereo pairs) whose left or right sample exceeds the threshold.
struct Span {
    long first = -1, last = -1;
    bool Empty() const { return first < 0; }
    double Seconds() const { return Empty() ? 0.0 : static_cast<double>(last - first + 1) / kRate; }
};

inline Span Audible(const std::vector<int16_t>& s, int threshold = 200)
{
    Span span;
    for (size_t f = 0; f + 1 < s.size(); f += 2) {
        if (std::abs(s[f]) > threshold || std::abs(s[f + 1]) > threshold) {
            if (span.first < 0) span.first = static_cast<long>(f / 2);
            span.last = static_cast<long>(f / 2);
        }
    }
    return span;
}

// Root mean square of the left channel over frames [from, to).
inline double Rms(const std::vector<int16_t>& s, long from, long to)
{
    double sum = 0.0;
    long n = 0;
    for (long f = std::max(0L, from); f < to && static_cast<size_t>(2 * f) < s.size(); ++f, ++n)
        sum += static_cast<double>(s[static_cast<size_t>(2 * f)]) * s[static_cast<size_t>(2 * f)];
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

// RMS of the steady middle of the audible part (the edges are left out).
inline double SteadyRms(const std::vector<int16_t>& s)
{
    const Span span = Audible(s);
    if (span.Empty()) return 0.0;
    const long margin = kRate / 10;
    return Rms(s, span.first + margin, span.last - margin);
}

}  // namespace soundtest
