// Sound files that no real game ships but a hostile or broken one might: each
// declares a rate, a length or a format that makes a decoder allocate
// gigabytes or never finish. Written by code so that tests, the fuzzer's
// seed corpus and measurements share them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sound_test_support.h"

namespace soundtest {

// A RIFF WAVE file with any fmt fields; fmtExtra follows the 16 common bytes
// (with its size word when not empty).
inline std::vector<uint8_t> RawWav(uint16_t formatTag, int channels, uint32_t rate, uint16_t blockAlign,
                                   uint16_t bits, const std::vector<uint8_t>& fmtExtra,
                                   const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> fmt;
    Put16(fmt, formatTag);
    Put16(fmt, static_cast<uint16_t>(channels));
    Put32(fmt, rate);
    Put32(fmt, rate * blockAlign);
    Put16(fmt, blockAlign);
    Put16(fmt, bits);
    if (!fmtExtra.empty()) {
        Put16(fmt, static_cast<uint16_t>(fmtExtra.size()));
        fmt.insert(fmt.end(), fmtExtra.begin(), fmtExtra.end());
    }
    std::vector<uint8_t> b{'R', 'I', 'F', 'F'};
    Put32(b, static_cast<uint32_t>(4 + 8 + fmt.size() + 8 + data.size() + (data.size() & 1)));
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, static_cast<uint32_t>(fmt.size()));
    b.insert(b.end(), fmt.begin(), fmt.end());
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() & 1) b.push_back(0);
    return b;
}

// IMA ADPCM (4 bits a sample), mono, blocks of blockAlign bytes of silence.
inline std::vector<uint8_t> ImaAdpcmWav(uint32_t rate, uint16_t blockAlign, int blocks)
{
    std::vector<uint8_t> extra;
    Put16(extra, static_cast<uint16_t>((blockAlign - 4) * 2 + 1));   // samples a block
    std::vector<uint8_t> data(static_cast<size_t>(blockAlign) * static_cast<size_t>(blocks), 0);
    return RawWav(0x11, 1, rate, blockAlign, 4, extra, data);
}

inline void PutBe32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A 16-bit AIFF file (big-endian samples; the rate as an 80-bit float).
inline std::vector<uint8_t> Aiff(const std::vector<int16_t>& pcm, int channels, uint32_t rate)
{
    std::vector<uint8_t> b{'F', 'O', 'R', 'M'};
    const uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    PutBe32(b, 4 + 26 + 16 + dataBytes);
    b.insert(b.end(), {'A', 'I', 'F', 'F', 'C', 'O', 'M', 'M', 0, 0, 0, 18, 0, static_cast<uint8_t>(channels)});
    PutBe32(b, static_cast<uint32_t>(pcm.size() / static_cast<size_t>(channels)));
    b.insert(b.end(), {0, 16});
    int bits = 0;
    while (bits < 32 && (rate >> bits)) ++bits;
    const uint16_t exponent = static_cast<uint16_t>(16383 + bits - 1);
    b.insert(b.end(), {static_cast<uint8_t>(exponent >> 8), static_cast<uint8_t>(exponent)});
    PutBe32(b, rate << (32 - bits));
    PutBe32(b, 0);
    b.insert(b.end(), {'S', 'S', 'N', 'D'});
    PutBe32(b, 8 + dataBytes);
    PutBe32(b, 0);
    PutBe32(b, 0);
    for (int16_t v : pcm) {
        b.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
        b.push_back(static_cast<uint8_t>(v));
    }
    return b;
}

// A Creative voice file: one block of 8-bit mono sound at the rate its time
// constant gives, then the given extra blocks.
inline std::vector<uint8_t> Voc(const std::vector<int16_t>& pcm, uint32_t rate, const std::vector<uint8_t>& extra = {})
{
    const std::string magic = "Creative Voice File\x1a";
    std::vector<uint8_t> b(magic.begin(), magic.end());
    b.insert(b.end(), {0x1a, 0, 0x0a, 0x01, 0x29, 0x11});
    const uint32_t size = static_cast<uint32_t>(pcm.size() + 2);
    b.insert(b.end(), {1, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), static_cast<uint8_t>(size >> 16),
                       static_cast<uint8_t>(256 - 1000000 / rate), 0});
    for (int16_t v : pcm) b.push_back(static_cast<uint8_t>((v >> 8) + 128));
    b.insert(b.end(), extra.begin(), extra.end());
    b.push_back(0);
    return b;
}

// A standard MIDI file (format 0) of the given track events.
inline std::vector<uint8_t> Midi(uint16_t division, const std::vector<uint8_t>& events)
{
    std::vector<uint8_t> b{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
    b.push_back(static_cast<uint8_t>(division >> 8));
    b.push_back(static_cast<uint8_t>(division));
    b.insert(b.end(), {'M', 'T', 'r', 'k'});
    const uint32_t n = static_cast<uint32_t>(events.size());
    b.insert(b.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                       static_cast<uint8_t>(n)});
    b.insert(b.end(), events.begin(), events.end());
    return b;
}

// A short MIDI song: four quarter notes at 120 beats a minute (2 s).
inline std::vector<uint8_t> ShortMidi()
{
    return Midi(96, {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 64, 0x00, 0x90, 62, 100, 0x60, 0x80, 62, 64,
                     0x00, 0x90, 64, 100, 0x60, 0x80, 64, 64, 0x00, 0x90, 65, 100, 0x60, 0x80, 65, 64,
                     0x00, 0xff, 0x2f, 0x00});
}

// One note, then the longest delta time a MIDI file can hold at the slowest
// tempo and one tick a quarter note: about 140 years of silence in 50 bytes.
inline std::vector<uint8_t> EndlessMidi()
{
    return Midi(1, {0x00, 0xff, 0x03, 0x04, 'l', 'o', 'n', 'g',   // track name
                    0x00, 0xff, 0x51, 0x03, 0xff, 0xff, 0xff,     // tempo: 16.7 s a quarter note
                    0x00, 0x90, 60, 100,                          // note on
                    0xff, 0xff, 0xff, 0x7f, 0x80, 60, 64,         // 2^28 - 1 ticks later: note off
                    0x00, 0xff, 0x2f, 0x00});
}

// A FLAC file of constant (silent) 16-bit mono frames of blockSize samples
// each: a dozen bytes a frame. totalFrames is what the stream information
// declares (0: not given).
inline std::vector<uint8_t> SilentFlac(uint32_t rate, uint16_t blockSize, int blocks, uint64_t totalFrames)
{
    const auto crc8 = [](const uint8_t* p, size_t n) {
        uint8_t c = 0;
        for (size_t i = 0; i < n; ++i) {
            c ^= p[i];
            for (int k = 0; k < 8; ++k) c = static_cast<uint8_t>(c & 0x80 ? (c << 1) ^ 0x07 : c << 1);
        }
        return c;
    };
    const auto crc16 = [](const uint8_t* p, size_t n) {
        uint16_t c = 0;
        for (size_t i = 0; i < n; ++i) {
            c ^= static_cast<uint16_t>(p[i] << 8);
            for (int k = 0; k < 8; ++k) c = static_cast<uint16_t>(c & 0x8000 ? (c << 1) ^ 0x8005 : c << 1);
        }
        return c;
    };
    std::vector<uint8_t> b{'f', 'L', 'a', 'C', 0x80, 0, 0, 34};
    b.insert(b.end(), {static_cast<uint8_t>(blockSize >> 8), static_cast<uint8_t>(blockSize),
                       static_cast<uint8_t>(blockSize >> 8), static_cast<uint8_t>(blockSize), 0, 0, 0, 0, 0, 0});
    const uint64_t info = static_cast<uint64_t>(rate) << 44 | uint64_t{15} << 36 | (totalFrames & 0xfffffffffull);
    for (int i = 7; i >= 0; --i) b.push_back(static_cast<uint8_t>(info >> (8 * i)));
    b.insert(b.end(), 16, 0);   // no MD5 signature
    for (int n = 0; n < blocks && n < 2048; ++n) {
        const size_t start = b.size();
        b.insert(b.end(), {0xff, 0xf8, 0x70, 0x08});
        if (n < 128) {   // the frame number, UTF-8 coded
            b.push_back(static_cast<uint8_t>(n));
        } else {
            b.push_back(static_cast<uint8_t>(0xc0 | n >> 6));
            b.push_back(static_cast<uint8_t>(0x80 | (n & 0x3f)));
        }
        b.insert(b.end(), {static_cast<uint8_t>((blockSize - 1) >> 8), static_cast<uint8_t>(blockSize - 1)});
        b.push_back(crc8(&b[start], b.size() - start));
        b.insert(b.end(), {0x00, 0x00, 0x00});   // constant subframe: 0
        const uint16_t c = crc16(&b[start], b.size() - start);
        b.insert(b.end(), {static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)});
    }
    return b;
}

struct HostileSound {
    const char* name;
    std::vector<uint8_t> bytes;
};

// The files that crashed, hung or bloated the sample loader.
inline std::vector<HostileSound> HostileSounds()
{
    std::vector<HostileSound> files;
    // 1 MB of 16-bit mono PCM declared at 2 Hz, and at 1 Hz.
    files.push_back({"pcm-2hz.wav", Wav(std::vector<int16_t>(512 * 1024, 1000), 1, 2)});
    files.push_back({"pcm-1hz.wav", Wav(std::vector<int16_t>(512 * 1024, 1000), 1, 1)});
    // 4 KB of IMA ADPCM at 1 Hz: over two hours of sound.
    files.push_back({"adpcm-1hz.wav", ImaAdpcmWav(1, 1024, 4)});
    // 200 KB of 16-bit stereo at 2 Hz.
    files.push_back({"stereo-2hz.wav", Wav(std::vector<int16_t>(100 * 1024, 1000), 2, 2)});
    files.push_back({"endless.mid", EndlessMidi()});
    return files;
}

}  // namespace soundtest
