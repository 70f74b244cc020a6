// What a sound file declares, read from its headers before any decoder sees
// it: the container, the rate, the channel count and, where the headers say,
// the number of frames it decodes to. Files are checked against limits that
// no real sound reaches, so that a decoder is never asked to produce
// gigabytes or to run for ever.
#pragma once

#include <cstdint>
#include <vector>

namespace qrs {

enum class SoundFormat { Unknown, Wave, Aiff, Voc, Mp3, Vorbis, Opus, Flac };

struct SoundFileInfo {
    SoundFormat format = SoundFormat::Unknown;
    uint32_t rate = 0;       // frames a second
    uint32_t channels = 0;
    uint64_t frames = 0;     // at most this many frames decoded; 0 when the headers do not say
};

// The declared rate must lie in this range; the mixer converts from and to
// up to eight channels.
constexpr uint32_t kMinSoundRate = 1000;
constexpr uint32_t kMaxSoundRate = 384000;
constexpr uint32_t kMaxSoundChannels = 8;

// Samples and streams are decoded whole into 16-bit stereo at the output
// rate. Ten minutes of that (106 MB at 44.1 kHz) is far beyond any sound
// effect or ambient loop, and long pieces of music are played as songs.
constexpr uint64_t kMaxSampleSeconds = 600;
// Songs are played from their file, not decoded whole; an hour still
// refuses files whose timing only a hostile writer would choose.
constexpr double kMaxSongSeconds = 3600.0;

// Bytes of 16-bit stereo that frames at rate become at the output rate.
uint64_t DecodedBytes(uint64_t frames, uint32_t rate, uint32_t outputRate);
// The most bytes a sample may decode to at the output rate.
uint64_t MaxSampleBytes(uint32_t outputRate);

// Reads the headers of a sampled sound file (WAV, AIFF/AIFC, VOC, MP3, Ogg
// Vorbis, Ogg Opus, FLAC). False for anything else, for headers that are
// malformed or run past the end of the file, and for a cut-off WAV or MP3.
bool ReadSampleFile(const std::vector<uint8_t>& bytes, SoundFileInfo& info);

// Reads a sampled sound file's headers and checks that it may be decoded for
// output at outputRate: a rate and channel count in range, a decoded size
// within MaxSampleBytes and a conversion that SDL's 32-bit sizes can hold.
bool CheckSampleFile(const std::vector<uint8_t>& bytes, uint32_t outputRate, SoundFileInfo& info);

// The most memory that decoding and converting a checked file may hold at
// once. The headers of compressed files do not always give their length, so
// this also bounds a decoder that produces more than its headers promise.
uint64_t DecodeBufferLimit(const SoundFileInfo& info, uint32_t outputRate);

// Whether the bytes are a standard MIDI file (bare or in a RIFF RMID file).
bool IsMidiFile(const std::vector<uint8_t>& bytes);
// Playing time of a standard MIDI file in seconds, from its tempo map and
// the last event of its longest track; negative for a malformed file.
double MidiSeconds(const std::vector<uint8_t>& bytes);

}  // namespace qrs
