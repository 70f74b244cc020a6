// Shared state of the sound library. Everything runs on the caller's thread
// except the mixer's channel effect, which runs on the audio thread and only
// touches the atomics of a Channel.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "qrnsound.h"

namespace qrs {

// The mixer's output format: signed 16-bit native-endian stereo, at the rate
// FSOUND_Init was given (State::rate). Samples in another format are
// converted to it once, when loaded.
constexpr SDL_AudioFormat kOutputFormat = AUDIO_S16SYS;
constexpr int kOutputChannels = 2;

// Every loaded sample keeps its PCM in its own format (pcm, fmt/channels/rate)
// and a playable copy in the output format (out). When the two formats agree,
// the chunk plays pcm directly and out stays empty.
struct Sample {
    uint32_t id = 0;
    std::string name;
    std::vector<uint8_t> pcm;
    SDL_AudioFormat fmt = AUDIO_S16SYS;
    int channels = 2;
    int rate = 44100;
    std::vector<uint8_t> out;
    Mix_Chunk* chunk = nullptr;   // over pcm or out, never owns the bytes
    unsigned int mode = FSOUND_LOOP_OFF;
    int loopStart = 0;
    int loopEnd = 0;
    int defVol = 255;
    int defPan = 128;
    int defPri = 128;
    int varFreq = 0, varVol = 0, varPan = 0;
    float minDist = 1.0f, maxDist = 1000000000.0f;
    int maxPlaybacks = 0;
    int slot = -1;                // managed index, -1 for unmanaged
    bool locked = false;

    int FrameBytes() const { return SDL_AUDIO_BITSIZE(fmt) / 8 * channels; }
    unsigned int Frames() const { return static_cast<unsigned int>(pcm.size() / FrameBytes()); }
};

struct Channel {
    // Written by the audio thread (the position effect).
    std::atomic<uint64_t> bytesMixed{0};
    std::atomic<int> peakLeft{0};
    std::atomic<int> peakRight{0};
    // Caller's thread only.
    uint32_t serial = 0;          // changes with every start on this channel
    uint32_t sampleId = 0;
    uint32_t chunkBytes = 0;
    int volume = 255;
    bool absoluteVolume = false;
    int pan = 128;
    bool mute = false;
    bool reserved = false;
    int priority = 128;
    unsigned int loopMode = FSOUND_LOOP_OFF;
};

struct FileCallbacks {
    FSOUND_OPENCALLBACK open = nullptr;
    FSOUND_CLOSECALLBACK close = nullptr;
    FSOUND_READCALLBACK read = nullptr;
    FSOUND_SEEKCALLBACK seek = nullptr;
    FSOUND_TELLCALLBACK tell = nullptr;
};

struct State {
    bool initialised = false;
    int error = QRNSOUND_ERR_NONE;
    // Settings made before FSOUND_Init.
    int requestedOutput = -1;
    int driver = 0;
    int mixer = 0;
    int bufferMs = 50;
    unsigned int speakerMode = 0;
    // Set by FSOUND_Init.
    int output = FSOUND_OUTPUT_NOSOUND;
    SDL_AudioDeviceID device = 0;   // the mixer's device, 0 if it could not be told apart
    int rate = 0;
    int numChannels = 0;
    int sfxMasterVolume = 255;
    float panSeparation = 1.0f;
    FileCallbacks files;
    std::unique_ptr<Channel[]> channels;
    std::map<uint32_t, std::unique_ptr<Sample>> samples;
    std::vector<uint32_t> slots;   // managed samples by index
    uint32_t nextSampleId = 1;     // never reused, so stale handles never alias
    uint32_t nextSerial = 1;
    uint64_t bytesAllocated = 0;
    uint64_t maxBytesAllocated = 0;
    std::vector<std::string> driverNames;
};

State& S();

// Records err as the last error and returns the given failure value.
template <class T>
T Fail(int err, T value)
{
    S().error = err;
    return value;
}
inline signed char Fail(int err) { return Fail<signed char>(err, 0); }

// Handles of samples, streams and songs are ids, not addresses: a stale
// handle never reaches memory. The entry of handle's id in map; null, with
// the invalid-parameter error, for 0, an id past 32 bits or an unknown id.
template <class Map>
typename Map::mapped_type* FindHandle(Map& map, const void* handle)
{
    const uintptr_t id = reinterpret_cast<uintptr_t>(handle);
    auto it = id == 0 || id > 0xffffffffu ? map.end() : map.find(static_cast<uint32_t>(id));
    if (it == map.end()) return Fail<typename Map::mapped_type*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
    return &it->second;
}

// Checks that the library is initialised (else records the error).
bool RequireInit();

Sample* FindSample(FSOUND_SAMPLE* handle);
// The sample of an id, or null (no error recorded): for channels and streams
// whose sample may have been freed.
Sample* SampleById(uint32_t id);
FSOUND_SAMPLE* HandleOf(const Sample& sample);
void FreeSample(uint32_t id);
void FreeAllSamples();
// Rebuilds the playable chunk after the PCM or its rate changed.
bool RebuildChunk(Sample& sample);
// Reads the bytes of a file (through the user's file callbacks if set).
bool ReadFileBytes(const char* name, int offset, int length, std::vector<uint8_t>& bytes);
// Loads a sample from memory; the bytes are a complete sound file or raw PCM.
Sample* LoadSampleBytes(int index, const std::string& name, std::vector<uint8_t>& bytes,
                        unsigned int mode);

// Channels: a handle is the channel index with a serial in the upper bits.
constexpr int kChannelIndexBits = 12;
constexpr int kMaxChannels = 1 << kChannelIndexBits;
// The channel index a handle or plain index refers to, or -1.
int ResolveChannel(int channel);
void ApplyVolume(int index);
void ApplyPan(int index);
void HaltChannelsOfSample(uint32_t id);
int PlaySample(int channel, Sample& sample, bool paused, int loops);

// Music (whole-song playback through the mixer's music stream).
void CloseAllMusic();
void CloseAllStreams();

constexpr int kMaxManagedSamples = 1024;

}  // namespace qrs
