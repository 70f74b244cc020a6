// Header readers for the sound files the library decodes. Each reads only
// what the container declares, checks every offset against the file's own
// length, and gives an upper bound of the frames the decoder will produce.
#include "soundfile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace qrs {

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint64_t Le64(const uint8_t* p) { return Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32; }
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t Be32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
uint64_t Be64(const uint8_t* p) { return static_cast<uint64_t>(Be32(p)) << 32 | Be32(p + 4); }

// Whether n bytes from pos lie inside the file.
bool Has(const Bytes& b, size_t pos, uint64_t n) { return pos <= b.size() && n <= b.size() - pos; }

bool Tag(const Bytes& b, size_t pos, const char* tag)
{
    const size_t n = std::strlen(tag);
    return Has(b, pos, n) && std::memcmp(&b[pos], tag, n) == 0;
}

// ---- WAV

// Frames that bytes of wave data in the given encoding decode to (an upper
// bound); 0 for encodings the decoder does not read.
uint64_t WaveFrames(uint16_t encoding, uint32_t channels, uint32_t blockAlign, uint32_t bits, uint64_t bytes)
{
    switch (encoding) {
    case 1: case 3: case 6: case 7: {   // integer PCM, float, A-law, mu-law
        const uint64_t frameBytes = std::max<uint64_t>(1, std::min<uint64_t>(blockAlign, channels * ((bits + 7) / 8)));
        return bytes / frameBytes;
    }
    case 2: case 0x11: {   // MS and IMA ADPCM: two frames a byte of each channel, two more in each block header
        const uint64_t blocks = (bytes + blockAlign - 1) / blockAlign;
        return blocks * (2 + uint64_t{blockAlign} * 2 / channels);
    }
    default: return 0;
    }
}

bool ReadWave(const Bytes& b, SoundFileInfo& info)
{
    info.format = SoundFormat::Wave;
    uint16_t encoding = 0, blockAlign = 0, bits = 0;
    bool haveFormat = false;
    size_t pos = 12;
    while (Has(b, pos, 8)) {
        const uint32_t size = Le32(&b[pos + 4]);
        const size_t body = pos + 8;
        if (!Has(b, body, size)) return false;   // a chunk runs past the end: cut off
        if (Tag(b, pos, "fmt ")) {
            // The decoder keeps the first format chunk: a second could differ.
            if (haveFormat || size < 16) return false;
            encoding = Le16(&b[body]);
            info.channels = Le16(&b[body + 2]);
            info.rate = Le32(&b[body + 4]);
            blockAlign = Le16(&b[body + 12]);
            bits = Le16(&b[body + 14]);
            if (encoding == 0xfffe) {   // extensible: the encoding is the first word of the sub-format
                if (size < 40) return false;
                encoding = Le16(&b[body + 24]);
            }
            haveFormat = true;
        } else if (Tag(b, pos, "data")) {
            if (!haveFormat || blockAlign == 0 || info.channels == 0) return false;
            info.frames = WaveFrames(encoding, info.channels, blockAlign, bits, size);
            return info.frames > 0;
        }
        pos = body + size + (size & 1);
    }
    return false;   // no data chunk
}

// ---- AIFF / AIFC

// An 80-bit extended-precision rate as an integer; 0 for a negative,
// unnormalised or fractional value, the largest value for a huge one.
uint32_t ExtendedRate(const uint8_t* p)
{
    const int exponent = (p[0] & 0x7f) << 8 | p[1];
    const uint64_t mantissa = Be64(p + 2);
    if ((p[0] & 0x80) || !(mantissa >> 63)) return 0;
    const int shift = 16383 + 63 - exponent;
    if (shift < 0) return std::numeric_limits<uint32_t>::max();
    if (shift > 63) return 0;
    return static_cast<uint32_t>(std::min<uint64_t>(mantissa >> shift, std::numeric_limits<uint32_t>::max()));
}

// Bytes of one sample in an AIFC compression type; 0 for types not read.
uint32_t AifcSampleBytes(const uint8_t* type, uint32_t bits)
{
    const auto is = [type](const char* t) { return std::memcmp(type, t, 4) == 0; };
    if (is("NONE") || is("twos") || is("sowt") || is("raw ")) return (bits + 7) / 8;
    if (is("fl32") || is("FL32")) return 4;
    if (is("fl64") || is("FL64")) return 8;
    if (is("ulaw") || is("ULAW") || is("alaw") || is("ALAW")) return 1;
    return 0;
}

bool ReadAiff(const Bytes& b, SoundFileInfo& info)
{
    info.format = SoundFormat::Aiff;
    const bool aifc = Tag(b, 8, "AIFC");
    uint32_t declaredFrames = 0, frameBytes = 0;
    uint64_t soundBytes = 0;
    bool haveCommon = false, haveSound = false;
    size_t pos = 12;
    while (Has(b, pos, 8)) {
        const uint32_t size = Be32(&b[pos + 4]);
        const size_t body = pos + 8;
        if (!Has(b, body, size)) return false;
        // The decoder stops at the first common and sound chunks, so a second
        // one would let it read a format other than the one checked here.
        if (Tag(b, pos, "COMM")) {
            if (haveCommon || size < (aifc ? 22u : 18u)) return false;
            info.channels = Be16(&b[body]);
            declaredFrames = Be32(&b[body + 2]);
            const uint32_t bits = Be16(&b[body + 6]);
            info.rate = ExtendedRate(&b[body + 8]);
            frameBytes = info.channels * (aifc ? AifcSampleBytes(&b[body + 18], bits) : (bits + 7) / 8);
            haveCommon = true;
        } else if (Tag(b, pos, "SSND")) {
            if (haveSound || size < 8 || Be32(&b[body]) > size - 8) return false;
            soundBytes = size - 8 - Be32(&b[body]);   // after the offset and block size words and the offset
            haveSound = true;
        }
        pos = body + size + (size & 1);
    }
    if (!haveCommon || !haveSound || frameBytes == 0) return false;
    // The declared frames must be in the file; the decoder reads no more
    // than the sound chunk holds.
    info.frames = soundBytes / frameBytes;
    return declaredFrames > 0 && declaredFrames <= info.frames;
}

// ---- VOC

bool ReadVoc(const Bytes& b, SoundFileInfo& info)
{
    info.format = SoundFormat::Voc;
    if (!Has(b, 0, 26)) return false;
    size_t pos = Le16(&b[20]);
    if (pos < 26) return false;
    // The decoder gives up (and loses what it read) when the format changes
    // between blocks: every block must share the first one's.
    uint32_t frameBytes = 0;
    const auto sameFormat = [&](uint32_t rate, uint32_t channels, uint32_t bytes) {
        if (rate < kMinSoundRate || rate > kMaxSoundRate) return false;
        if (!info.rate) info.rate = rate;
        if (!frameBytes && bytes) {
            info.channels = channels;
            frameBytes = bytes;
        }
        return rate == info.rate && (!bytes || (channels == info.channels && bytes == frameBytes));
    };
    uint32_t extendedRate = 0, extendedChannels = 0;   // an extended block sets the next sound block's format
    uint64_t frames = 0;
    while (pos < b.size() && b[pos] != 0) {   // block type 0 ends the file
        if (!Has(b, pos, 4)) return false;
        const uint8_t type = b[pos];
        const uint32_t size = b[pos + 1] | b[pos + 2] << 8 | static_cast<uint32_t>(b[pos + 3]) << 16;
        const size_t body = pos + 4;
        if (!Has(b, body, size)) return false;
        // Blocks of a fixed size must have it: the decoder reads the fields it
        // expects whatever the size says, loses its place and writes past its
        // buffer.
        static constexpr int kFixedSize[10] = {-1, -1, -1, 3, 2, -1, 2, 0, 4, -1};
        if (type > 9 || (kFixedSize[type] >= 0 && size != static_cast<uint32_t>(kFixedSize[type]))) return false;
        switch (type) {
        case 1: {   // sound data: time constant, codec (0: 8-bit, 4: 16-bit)
            if (size < 2 || (b[body + 1] != 0 && b[body + 1] != 4)) return false;
            const uint32_t channels = extendedRate ? extendedChannels : 1;
            const uint32_t rate = extendedRate ? extendedRate : 1000000u / (256u - b[body]);
            extendedRate = 0;
            if (!sameFormat(rate, channels, channels * (b[body + 1] == 4 ? 2 : 1))) return false;
            frames += (size - 2) / frameBytes;
            break;
        }
        case 2:   // more data in the format of the block before
            if (!frameBytes) return false;
            frames += size / frameBytes;
            break;
        case 3:   // silence: frames - 1, time constant
            if (size < 3 || !sameFormat(1000000u / (256u - b[body + 2]), 0, 0)) return false;
            frames += Le16(&b[body]) + 1u;
            break;
        case 8:   // extended: time constant over the channels, packing, mode
            if (size < 4) return false;
            extendedChannels = b[body + 3] + 1u;
            extendedRate = 256000000u / (extendedChannels * (65536u - Le16(&b[body])));
            break;
        case 9: {   // sound data: rate, bits, channels, codec
            if (size < 12) return false;
            const uint32_t bits = b[body + 4], channels = b[body + 5];
            if ((bits != 8 && bits != 16) || channels == 0) return false;
            if (!sameFormat(Le32(&b[body]), channels, channels * bits / 8)) return false;
            frames += (size - 12) / frameBytes;
            break;
        }
        default: break;   // markers, text, repeats
        }
        pos = body + size;
    }
    // Nothing may follow the end block: the decoder reads on past it into a
    // buffer sized for the blocks before.
    if (pos < b.size() && pos + 1 != b.size()) return false;
    info.frames = frames;
    return frames > 0 && frameBytes > 0;
}

// ---- MP3

struct MpegFrame {
    uint32_t rate = 0, channels = 0, samples = 0, bytes = 0;
};

bool MpegHeader(const uint8_t* h, MpegFrame& f)
{
    if (h[0] != 0xff || (h[1] & 0xe0) != 0xe0) return false;
    const int version = (h[1] >> 3) & 3;   // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = 4 - ((h[1] >> 1) & 3);
    const int bitrateIndex = h[2] >> 4, rateIndex = (h[2] >> 2) & 3;
    // Free-format frames (bit rate 0) have no computable length and are not counted.
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    static constexpr uint16_t kKbps[5][15] = {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},   // MPEG-1 layer I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},      // MPEG-1 layer II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},       // MPEG-1 layer III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},      // MPEG-2 layer I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},           // MPEG-2 layers II, III
    };
    static constexpr uint32_t kRates[3] = {44100, 48000, 32000};
    const bool mpeg1 = version == 3;
    const uint32_t bitrate = 1000u * kKbps[mpeg1 ? layer - 1 : (layer == 1 ? 3 : 4)][bitrateIndex];
    const uint32_t padding = (h[2] >> 1) & 1;
    f.rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    f.channels = (h[3] >> 6) == 3 ? 1 : 2;
    if (layer == 1) {
        f.samples = 384;
        f.bytes = (12 * bitrate / f.rate + padding) * 4;
    } else {
        f.samples = layer == 3 && !mpeg1 ? 576 : 1152;
        f.bytes = (f.samples / 8) * bitrate / f.rate + padding;
    }
    return true;
}

// Where the audio starts after any ID3v2 tags; SIZE_MAX when a tag runs past the end.
size_t Id3End(const Bytes& b)
{
    size_t pos = 0;
    while (Tag(b, pos, "ID3") && Has(b, pos, 10)) {
        const uint8_t* t = &b[pos];
        const size_t size = (t[6] & 0x7f) << 21 | (t[7] & 0x7f) << 14 | (t[8] & 0x7f) << 7 | (t[9] & 0x7f);
        pos += 10 + size + ((t[5] & 0x10) ? 10 : 0);
        if (pos > b.size()) return SIZE_MAX;
    }
    return pos;
}

// An MP3 whose first frame carries a Xing/Info header records the byte length
// of the whole stream; a file shorter than that is cut off.
bool Mp3Complete(const Bytes& b, size_t pos, const MpegFrame& f)
{
    const uint8_t* h = &b[pos];
    const bool mpeg1 = (h[1] & 0x18) == 0x18;
    const size_t side = mpeg1 ? (f.channels == 1 ? 17 : 32) : (f.channels == 1 ? 9 : 17);
    const size_t tagPos = pos + 4 + side;
    if (!Tag(b, tagPos, "Xing") && !Tag(b, tagPos, "Info")) return true;
    if (!Has(b, tagPos, 16)) return true;
    const uint32_t flags = Be32(&b[tagPos + 4]);
    if (!(flags & 2)) return true;
    const size_t bytesAt = tagPos + 8 + ((flags & 1) ? 4 : 0);
    if (!Has(b, bytesAt, 4)) return false;
    const uint32_t streamBytes = Be32(&b[bytesAt]);
    return streamBytes == 0 || b.size() - pos >= streamBytes;
}

// Tags at the end of an MP3: an ID3v1 tag (128 bytes from "TAG"), before
// it a Lyrics3 tag (from "LYRICSBEGIN" to "LYRICSEND", or with a six-digit
// size before "LYRICS200") and an APE tag (a 32-byte "APETAGEX" footer that
// gives its size). The decoder reads the ID3v1 text first and loses it when
// a tag before turns out damaged, so a damaged one is refused here.
bool EndTagsWellFormed(const Bytes& b, size_t start)
{
    size_t end = b.size();
    if (end - start >= 128 && Tag(b, end - 128, "TAG")) end -= 128;
    if (end - start >= 9 && Tag(b, end - 9, "LYRICSEND")) {
        const size_t from = end - 9 - start > 5100 ? end - 9 - 5100 : start;
        size_t p = from;
        while (p + 11 <= end - 9 && !Tag(b, p, "LYRICSBEGIN")) ++p;
        if (p + 11 > end - 9) return false;
        end = p;
    } else if (end - start >= 9 && Tag(b, end - 9, "LYRICS200")) {
        if (end - start < 15 + 11) return false;
        size_t size = 0;
        for (size_t i = end - 15; i < end - 9; ++i) {
            if (b[i] < '0' || b[i] > '9') return false;
            size = size * 10 + (b[i] - '0');
        }
        if (size > end - 15 - start || !Tag(b, end - 15 - size, "LYRICSBEGIN")) return false;
        end -= 15 + size;
    }
    if (end - start >= 32 && Tag(b, end - 32, "APETAGEX")) {
        const uint32_t size = Le32(&b[end - 32 + 12]);   // with the footer, without a header
        if (size < 32 || size > end - start) return false;
    }
    return true;
}

bool ReadMp3(const Bytes& b, SoundFileInfo& info)
{
    info.format = SoundFormat::Mp3;
    const size_t start = Id3End(b);
    if (start == SIZE_MAX) return false;   // the tag alone is longer than the file
    // After a tag the decoder skips padding before the first frame; without
    // one the file must start with a frame.
    const size_t searchEnd = start == 0 ? 1 : start + 65536;
    MpegFrame f;
    size_t first = start;
    while (first < searchEnd && Has(b, first, 4) && !MpegHeader(&b[first], f)) ++first;
    if (first >= searchEnd || !Has(b, first, 4)) return false;
    if (!Mp3Complete(b, first, f) || !EndTagsWellFormed(b, first)) return false;
    info.rate = f.rate;
    info.channels = f.channels;
    // Every frame header from the first on counts, also those the decoder
    // would find by resynchronising after damaged data: an upper bound.
    uint64_t frames = 0;
    MpegFrame next;
    for (size_t pos = first; Has(b, pos, 4);) {
        if (MpegHeader(&b[pos], next)) {
            // A frame at a lower rate than the first is resampled up.
            frames += next.samples * uint64_t{f.rate} / std::min(f.rate, next.rate);
            pos += std::max<uint32_t>(next.bytes, 4);
        } else {
            ++pos;
        }
    }
    info.frames = frames;
    return true;
}

// ---- Ogg Vorbis / Ogg Opus

bool ReadOgg(const Bytes& b, SoundFileInfo& info)
{
    if (!Has(b, 0, 27) || !Has(b, 27, b[26])) return false;
    const size_t packet = 27 + b[26];
    if (Tag(b, packet, "\x01vorbis") && Has(b, packet, 30)) {
        info.format = SoundFormat::Vorbis;
        if (Le32(&b[packet + 7]) != 0) return false;   // version
        info.channels = b[packet + 11];
        info.rate = Le32(&b[packet + 12]);
    } else if (Tag(b, packet, "OpusHead") && Has(b, packet, 19)) {
        info.format = SoundFormat::Opus;
        info.channels = b[packet + 9];
        info.rate = 48000;   // Opus always decodes at 48 kHz
    } else {
        return false;
    }
    // The length is the granule position of the last page that has one.
    for (size_t pos = b.size() >= 27 ? b.size() - 27 : 0; pos > 0; --pos) {
        if (b[pos] == 'O' && Tag(b, pos, "OggS") && Le64(&b[pos + 6]) != ~0ull) {
            info.frames = Le64(&b[pos + 6]);
            break;
        }
    }
    return true;
}

// ---- FLAC

// A Vorbis comment block: vendor string, then a count of strings, each with
// its length; all within the block. An empty comment is refused too: the
// decoder hands it on as a null string, which the tag reader behind it
// measures with strlen.
bool VorbisCommentFits(const Bytes& b, size_t pos, size_t end)
{
    if (pos + 4 > end) return false;
    pos += 4 + static_cast<uint64_t>(Le32(&b[pos]));
    if (pos + 4 > end) return false;
    uint32_t count = Le32(&b[pos]);
    pos += 4;
    for (; count > 0; --count) {
        if (pos + 4 > end) return false;
        const uint32_t length = Le32(&b[pos]);
        if (length == 0) return false;
        pos += 4 + static_cast<uint64_t>(length);
        if (pos > end) return false;
    }
    return true;
}

bool ReadFlac(const Bytes& b, SoundFileInfo& info)
{
    info.format = SoundFormat::Flac;
    // The first metadata block must be the stream information.
    if (!Has(b, 4, 4 + 34) || (b[4] & 0x7f) != 0 || (Be32(&b[4]) & 0xffffff) != 34) return false;
    const uint8_t* s = &b[8];
    const uint32_t minBlock = Be16(s), maxBlock = Be16(s + 2);
    const uint32_t bits = ((s[12] & 1) << 4 | s[13] >> 4) + 1u;
    if (maxBlock < 16 || minBlock > maxBlock || bits < 4) return false;
    info.rate = static_cast<uint32_t>(s[10]) << 12 | s[11] << 4 | s[12] >> 4;
    info.channels = ((s[12] >> 1) & 7) + 1u;
    info.frames = static_cast<uint64_t>(s[13] & 0x0f) << 32 | Be32(s + 14);   // 0: not given
    // The decoder gives up (and loses what it allocated) on a damaged block
    // list: each block must have a valid type and lie in the file, up to the
    // one marked last, and the tags it reads must be well formed.
    for (size_t pos = 4;;) {
        if (!Has(b, pos, 4)) return false;
        const bool last = b[pos] & 0x80;
        const uint8_t type = b[pos] & 0x7f;
        const uint32_t size = Be32(&b[pos]) & 0xffffff;
        const size_t body = pos + 4;
        if (type == 127 || (type == 0 && pos != 4) || !Has(b, body, size)) return false;
        if (type == 4 && !VorbisCommentFits(b, body, body + size)) return false;
        pos = body + size;
        if (last) break;
    }
    return true;
}

// ---- MIDI

// A variable-length quantity; false when it runs past end or over four bytes.
bool ReadVarLen(const Bytes& b, size_t& pos, size_t end, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (pos >= end) return false;
        const uint8_t c = b[pos++];
        value = value << 7 | (c & 0x7f);
        if (!(c & 0x80)) return true;
    }
    return false;
}

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

// Walks one track's events; returns false for a malformed track. lastTick
// is the tick of its last event.
bool ReadMidiTrack(const Bytes& b, size_t pos, size_t end, uint64_t& lastTick, std::vector<TempoChange>& tempos)
{
    uint64_t tick = 0;
    uint8_t status = 0;
    while (pos < end) {
        uint32_t delta = 0;
        if (!ReadVarLen(b, pos, end, delta)) return false;
        tick += delta;
        lastTick = std::max(lastTick, tick);
        if (pos >= end) return false;
        uint8_t byte = b[pos];
        if (byte == 0xff) {   // meta event: type, length, data
            if (pos + 2 > end) return false;
            const uint8_t type = b[pos + 1];
            pos += 2;
            uint32_t length = 0;
            if (!ReadVarLen(b, pos, end, length) || length > end - pos) return false;
            if (type == 0x51 && length == 3) {
                const uint32_t tempo = static_cast<uint32_t>(b[pos] << 16 | b[pos + 1] << 8 | b[pos + 2]);
                if (tempo == 0) return false;
                tempos.push_back({tick, tempo});
            }
            if (type == 0x2f) return true;   // end of track
            pos += length;
        } else if (byte == 0xf0 || byte == 0xf7) {   // system exclusive: length, data
            ++pos;
            uint32_t length = 0;
            if (!ReadVarLen(b, pos, end, length) || length > end - pos) return false;
            pos += length;
        } else {
            if (byte & 0x80) {
                if (byte > 0xef) return false;   // no other system messages in a file
                status = byte;
                ++pos;
            } else if (!status) {
                return false;   // running status without a status before
            }
            const size_t data = (status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0 ? 1 : 2;
            if (data > end - pos) return false;
            pos += data;
        }
    }
    return true;
}

}  // namespace

uint64_t DecodedBytes(uint64_t frames, uint32_t rate, uint32_t outputRate)
{
    if (rate == 0 || frames >= (1ull << 40)) return std::numeric_limits<uint64_t>::max();
    return (frames * outputRate + rate - 1) / rate * 4;
}

uint64_t MaxSampleBytes(uint32_t outputRate) { return kMaxSampleSeconds * outputRate * 4; }

namespace {

// SDL converts a whole sound in one buffer of float samples, at least stereo,
// sized for the rate ratio rounded up and doubled, and keeps that size in an
// int. Half of INT_MAX leaves room for the rounding.
constexpr uint64_t kMaxConverterBytes = 1ull << 30;

uint64_t ConverterBytes(const SoundFileInfo& info, uint32_t outputRate)
{
    const uint64_t ratio = (outputRate + info.rate - 1) / info.rate;
    return info.frames * std::max<uint64_t>(info.channels, 2) * 8 * ratio;
}

}  // namespace

bool ReadSampleFile(const std::vector<uint8_t>& b, SoundFileInfo& info)
{
    info = SoundFileInfo{};
    if (Tag(b, 0, "RIFF") && Tag(b, 8, "WAVE")) return ReadWave(b, info);
    if (Tag(b, 0, "FORM") && (Tag(b, 8, "AIFF") || Tag(b, 8, "AIFC"))) return ReadAiff(b, info);
    if (Tag(b, 0, "Creative Voice File\x1a")) return ReadVoc(b, info);
    if (Tag(b, 0, "OggS")) return ReadOgg(b, info);
    if (Tag(b, 0, "fLaC")) return ReadFlac(b, info);
    // Anything else must be MPEG audio; songs and unknown data never reach
    // the decoders from here.
    return ReadMp3(b, info);
}

bool CheckSampleFile(const std::vector<uint8_t>& bytes, uint32_t outputRate, SoundFileInfo& info)
{
    if (!ReadSampleFile(bytes, info)) return false;
    if (info.rate < kMinSoundRate || info.rate > kMaxSoundRate) return false;
    if (info.channels == 0 || info.channels > kMaxSoundChannels) return false;
    if (info.frames >= (1ull << 40)) return false;
    return DecodedBytes(info.frames, info.rate, outputRate) <= MaxSampleBytes(outputRate) &&
           ConverterBytes(info, outputRate) <= kMaxConverterBytes;
}

uint64_t DecodeBufferLimit(const SoundFileInfo& info, uint32_t outputRate)
{
    // Compressed files decode to the output format in pieces that are then
    // copied into one buffer: both copies of the largest sample, with room to
    // spare, and whatever the conversion of a checked file needs on top.
    return 3 * MaxSampleBytes(outputRate) + ConverterBytes(info, outputRate);
}

bool IsMidiFile(const std::vector<uint8_t>& b)
{
    return Tag(b, 0, "MThd") || (Tag(b, 0, "RIFF") && Tag(b, 8, "RMID"));
}

double MidiSeconds(const std::vector<uint8_t>& b)
{
    size_t pos = 0;
    if (Tag(b, 0, "RIFF")) {   // RMID: the MIDI file is the data chunk
        for (pos = 12; Has(b, pos, 8) && !Tag(b, pos, "data");) {
            const uint32_t size = Le32(&b[pos + 4]);
            pos += 8 + size + (size & 1);
        }
        pos += 8;
    }
    if (!Tag(b, pos, "MThd") || !Has(b, pos, 14)) return -1.0;
    const uint32_t headerSize = Be32(&b[pos + 4]);
    const uint32_t tracks = Be16(&b[pos + 10]);
    const uint16_t division = Be16(&b[pos + 12]);
    if (headerSize < 6 || !Has(b, pos + 8, headerSize)) return -1.0;
    pos += 8 + headerSize;
    uint64_t lastTick = 0;
    std::vector<TempoChange> tempos;
    for (uint32_t found = 0; found < tracks && Has(b, pos, 8);) {
        const uint32_t size = Be32(&b[pos + 4]);
        const size_t body = pos + 8;
        if (!Has(b, body, size)) return -1.0;
        if (Tag(b, pos, "MTrk")) {
            if (!ReadMidiTrack(b, body, body + size, lastTick, tempos)) return -1.0;
            ++found;
        }
        pos = body + size;   // other chunks are skipped
    }
    if (division & 0x8000) {   // frames a second and ticks a frame
        const int fps = -static_cast<int8_t>(division >> 8);
        const int ticksPerFrame = division & 0xff;
        if (fps <= 0 || ticksPerFrame == 0) return -1.0;
        return static_cast<double>(lastTick) / (fps * ticksPerFrame);
    }
    if (division == 0) return -1.0;
    // Ticks to seconds through the tempo map (tracks share one), 120 beats a
    // minute until the first change.
    std::stable_sort(tempos.begin(), tempos.end(), [](const TempoChange& a, const TempoChange& c) { return a.tick < c.tick; });
    double seconds = 0.0;
    uint64_t tick = 0;
    uint32_t tempo = 500000;
    for (const TempoChange& change : tempos) {
        if (change.tick >= lastTick) break;
        seconds += static_cast<double>(change.tick - tick) * tempo / division / 1e6;
        tick = change.tick;
        tempo = change.microsPerQuarter;
    }
    return seconds + static_cast<double>(lastTick - tick) * tempo / division / 1e6;
}

}  // namespace qrs
