// Channels: playing samples on the mixer's channels, and what can be changed or
// asked about a playing sound.
#include "internal.h"

#include <algorithm>
#include <cstdlib>

namespace qrs {

namespace {

constexpr uint32_t kSerialMask = (1u << (31 - kChannelIndexBits)) - 1;

// Runs on the audio thread for every piece of a channel's sound that is mixed:
// counts the bytes (the play position) and keeps the peaks (the levels).
void PositionEffect(int, void* stream, int len, void* udata)
{
    auto* ch = static_cast<Channel*>(udata);
    const auto* p = static_cast<const int16_t*>(stream);
    int left = 0, right = 0;
    for (int i = 0; i + 1 < len / 2; i += 2) {
        left = std::max(left, std::abs(static_cast<int>(p[i])));
        right = std::max(right, std::abs(static_cast<int>(p[i + 1])));
    }
    ch->bytesMixed.fetch_add(static_cast<uint64_t>(len), std::memory_order_relaxed);
    ch->peakLeft.store(left, std::memory_order_relaxed);
    ch->peakRight.store(right, std::memory_order_relaxed);
}

int HandleOf(int index, uint32_t serial) { return static_cast<int>(serial << kChannelIndexBits) | index; }

int EffectiveVolume(const Channel& ch)
{
    if (ch.mute) return 0;
    return ch.absoluteVolume ? ch.volume : ch.volume * S().sfxMasterVolume / 255;
}

bool Playing(int index) { return Mix_Playing(index) != 0; }

// Starts the channel's current sample from the beginning (index already set up).
bool StartChannel(int index, Sample& sample, int loops, bool paused)
{
    Channel& ch = S().channels[static_cast<size_t>(index)];
    if (Playing(index)) Mix_HaltChannel(index);
    Mix_UnregisterAllEffects(index);
    ch.bytesMixed.store(0);
    ch.peakLeft.store(0);
    ch.peakRight.store(0);
    ch.chunkBytes = sample.chunk->alen;
    Mix_RegisterEffect(index, PositionEffect, nullptr, &ch);
    // A sound that starts paused must not be mixed before the pause takes
    // hold: hold the device's lock over both (or, when the device is not
    // known, start it silent).
    const SDL_AudioDeviceID device = paused ? S().device : 0;
    if (device) SDL_LockAudioDevice(device);
    if (paused && !device) Mix_Volume(index, 0);
    else ApplyVolume(index);
    const bool started = Mix_PlayChannel(index, sample.chunk, loops) >= 0;
    if (started && paused) Mix_Pause(index);
    if (device) SDL_UnlockAudioDevice(device);
    if (!started) return Fail<bool>(QRNSOUND_ERR_PLAY, false);
    ApplyPan(index);
    if (paused) ApplyVolume(index);
    return true;
}

int Vary(int value, int range)
{
    if (range <= 0) return value;
    return std::clamp(value + std::rand() % (2 * range + 1) - range, 0, 255);
}

template <class F>
signed char ForChannels(int channel, F f)
{
    State& s = S();
    if (!RequireInit()) return 0;
    if (channel == FSOUND_ALL) {
        for (int i = 0; i < s.numChannels; ++i) f(i);
        return 1;
    }
    const int index = ResolveChannel(channel);
    if (index < 0) return 0;
    f(index);
    return 1;
}

// An absolute volume is not scaled by the master volume.
signed char SetVolume(int channel, int vol, bool absolute)
{
    vol = std::clamp(vol, 0, 255);
    return ForChannels(channel, [vol, absolute](int i) {
        Channel& ch = S().channels[static_cast<size_t>(i)];
        ch.volume = vol;
        ch.absoluteVolume = absolute;
        ApplyVolume(i);
    });
}

Channel* ChannelAt(int channel, int* index = nullptr)
{
    const int i = ResolveChannel(channel);
    if (i < 0) return nullptr;
    if (index) *index = i;
    return &S().channels[static_cast<size_t>(i)];
}

}  // namespace

int ResolveChannel(int channel)
{
    State& s = S();
    if (!s.initialised) return Fail<int>(QRNSOUND_ERR_UNINITIALIZED, -1);
    if (channel < 0) return Fail<int>(QRNSOUND_ERR_INVALID_PARAM, -1);
    const int index = channel & (kMaxChannels - 1);
    if (index >= s.numChannels) return Fail<int>(QRNSOUND_ERR_INVALID_PARAM, -1);
    // A handle (with a serial) refers only to the start it was returned for.
    if (channel >= kMaxChannels &&
        (static_cast<uint32_t>(channel) >> kChannelIndexBits) != s.channels[static_cast<size_t>(index)].serial)
        return Fail<int>(QRNSOUND_ERR_INVALID_PARAM, -1);
    return index;
}

void ApplyVolume(int index)
{
    const int v = EffectiveVolume(S().channels[static_cast<size_t>(index)]);
    Mix_Volume(index, (v * MIX_MAX_VOLUME + 127) / 255);
}

void ApplyPan(int index)
{
    if (!Playing(index)) return;
    const Channel& ch = S().channels[static_cast<size_t>(index)];
    int left = 255, right = 255;
    if (ch.pan != FSOUND_STEREOPAN) {
        // Balance: the far side is turned down, the centre keeps full level.
        const float p = 128.0f + (static_cast<float>(ch.pan) - 128.0f) * S().panSeparation;
        if (p < 128.0f) right = std::clamp(static_cast<int>(p * 2.0f), 0, 255);
        else left = std::clamp(static_cast<int>((255.0f - p) * 2.0f), 0, 255);
    }
    Mix_SetPanning(index, static_cast<Uint8>(left), static_cast<Uint8>(right));
}

void HaltChannelsOfSample(uint32_t id)
{
    State& s = S();
    for (int i = 0; i < s.numChannels; ++i)
        if (s.channels[static_cast<size_t>(i)].sampleId == id && Playing(i)) Mix_HaltChannel(i);
}

int PlaySample(int channel, Sample& sample, bool paused, int loops)
{
    State& s = S();
    int index = -1;
    if (channel == FSOUND_FREE) {
        for (int i = 0; i < s.numChannels && index < 0; ++i)
            if (!s.channels[static_cast<size_t>(i)].reserved && !Playing(i)) index = i;
        if (index < 0) return Fail<int>(QRNSOUND_ERR_CHANNEL_ALLOC, -1);
    } else {
        if (channel < 0 || (channel & (kMaxChannels - 1)) >= s.numChannels)
            return Fail<int>(QRNSOUND_ERR_INVALID_PARAM, -1);
        index = channel & (kMaxChannels - 1);
    }
    if (sample.maxPlaybacks > 0) {
        int count = 0;
        for (int i = 0; i < s.numChannels; ++i)
            if (i != index && s.channels[static_cast<size_t>(i)].sampleId == sample.id && Playing(i)) ++count;
        if (count >= sample.maxPlaybacks) return Fail<int>(QRNSOUND_ERR_CHANNEL_ALLOC, -1);
    }
    Channel& ch = s.channels[static_cast<size_t>(index)];
    s.nextSerial = (s.nextSerial & kSerialMask) ? s.nextSerial : 1;
    ch.serial = s.nextSerial++;
    ch.sampleId = sample.id;
    ch.volume = Vary(sample.defVol, sample.varVol);
    ch.absoluteVolume = false;
    ch.pan = sample.defPan == FSOUND_STEREOPAN ? FSOUND_STEREOPAN : Vary(sample.defPan, sample.varPan);
    ch.priority = sample.defPri;
    ch.mute = false;
    ch.loopMode = loops == 0 ? FSOUND_LOOP_OFF : FSOUND_LOOP_NORMAL;
    if (!StartChannel(index, sample, loops, paused)) return -1;
    return HandleOf(index, ch.serial);
}

}  // namespace qrs

using namespace qrs;

extern "C" {

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sptr) { return FSOUND_PlaySoundEx(channel, sptr, nullptr, 0); }

int FSOUND_PlaySoundEx(int channel, FSOUND_SAMPLE* sptr, FSOUND_DSPUNIT* dsp, signed char startpaused)
{
    if (!RequireInit()) return -1;
    Sample* sample = FindSample(sptr);
    if (!sample) return -1;
    // No DSP units exist, so no unit can be given.
    if (dsp) return Fail<int>(QRNSOUND_ERR_INVALID_PARAM, -1);
    const int loops = (sample->mode & FSOUND_LOOP_NORMAL) ? -1 : 0;
    return PlaySample(channel, *sample, startpaused != 0, loops);
}

signed char FSOUND_StopSound(int channel)
{
    return ForChannels(channel, [](int i) {
        if (Playing(i)) Mix_HaltChannel(i);
    });
}

signed char FSOUND_SetFrequency(int channel, int freq)
{
    Channel* ch = ChannelAt(channel);
    if (!ch) return 0;
    const Sample* sample = SampleById(ch->sampleId);
    if (sample && freq == sample->rate) return 1;
    // The mixer plays each chunk at one rate; use FSOUND_Sample_SetDefaults instead.
    return Fail(QRNSOUND_ERR_UNSUPPORTED);
}

signed char FSOUND_SetVolume(int channel, int vol) { return SetVolume(channel, vol, false); }

signed char FSOUND_SetVolumeAbsolute(int channel, int vol) { return SetVolume(channel, vol, true); }

signed char FSOUND_SetPan(int channel, int pan)
{
    if (pan != FSOUND_STEREOPAN && (pan < 0 || pan > 255)) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    return ForChannels(channel, [pan](int i) {
        S().channels[static_cast<size_t>(i)].pan = pan;
        ApplyPan(i);
    });
}

signed char FSOUND_SetSurround(int channel, signed char surround)
{
    if (!ChannelAt(channel)) return 0;
    return surround ? Fail(QRNSOUND_ERR_UNSUPPORTED) : 1;
}

signed char FSOUND_SetMute(int channel, signed char mute)
{
    return ForChannels(channel, [mute](int i) {
        S().channels[static_cast<size_t>(i)].mute = mute != 0;
        ApplyVolume(i);
    });
}

signed char FSOUND_SetPriority(int channel, int priority)
{
    if (priority < 0 || priority > 255) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    return ForChannels(channel, [priority](int i) { S().channels[static_cast<size_t>(i)].priority = priority; });
}

signed char FSOUND_SetReserved(int channel, signed char reserved)
{
    // A reserved channel is never picked for FSOUND_FREE.
    return ForChannels(channel, [reserved](int i) { S().channels[static_cast<size_t>(i)].reserved = reserved != 0; });
}

signed char FSOUND_SetPaused(int channel, signed char paused)
{
    return ForChannels(channel, [paused](int i) {
        if (paused) Mix_Pause(i);
        else Mix_Resume(i);
    });
}

signed char FSOUND_SetLoopMode(int channel, unsigned int loopmode)
{
    Channel* ch = ChannelAt(channel);
    if (!ch) return 0;
    const unsigned int wanted = (loopmode & FSOUND_LOOP_NORMAL) ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF;
    if (wanted == ch->loopMode) return 1;
    // The mixer fixes the loop count when a sound starts: set the sample's mode instead.
    return Fail(QRNSOUND_ERR_UNSUPPORTED);
}

signed char FSOUND_SetCurrentPosition(int channel, unsigned int offset)
{
    int index = -1;
    Channel* ch = ChannelAt(channel, &index);
    if (!ch) return 0;
    Sample* sample = SampleById(ch->sampleId);
    if (!sample || !Playing(index)) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    // The mixer can only start a chunk from its beginning.
    if (offset != 0) return Fail(QRNSOUND_ERR_UNSUPPORTED);
    const bool paused = Mix_Paused(index) != 0;
    return StartChannel(index, *sample, ch->loopMode == FSOUND_LOOP_NORMAL ? -1 : 0, paused) ? 1 : 0;
}

signed char FSOUND_IsPlaying(int channel)
{
    if (!S().initialised || channel < 0) return 0;
    const int index = ResolveChannel(channel);
    return index >= 0 && Playing(index) ? 1 : 0;
}

int FSOUND_GetFrequency(int channel)
{
    Channel* ch = ChannelAt(channel);
    const Sample* sample = ch ? SampleById(ch->sampleId) : nullptr;
    return sample ? sample->rate : 0;
}

int FSOUND_GetVolume(int channel)
{
    Channel* ch = ChannelAt(channel);
    return ch ? ch->volume : 0;
}

int FSOUND_GetAmplitude(int channel)
{
    int index = -1;
    Channel* ch = ChannelAt(channel, &index);
    if (!ch || !Playing(index) || Mix_Paused(index)) return 0;
    const int peak = std::max(ch->peakLeft.load(), ch->peakRight.load());
    return std::min(255, peak * EffectiveVolume(*ch) / 32767);
}

int FSOUND_GetPan(int channel)
{
    Channel* ch = ChannelAt(channel);
    return ch ? ch->pan : 0;
}

signed char FSOUND_GetSurround(int channel)
{
    (void)ChannelAt(channel);   // records the error for a bad handle
    return 0;                   // surround is never on
}

signed char FSOUND_GetMute(int channel)
{
    Channel* ch = ChannelAt(channel);
    return ch && ch->mute ? 1 : 0;
}

int FSOUND_GetPriority(int channel)
{
    Channel* ch = ChannelAt(channel);
    return ch ? ch->priority : 0;
}

signed char FSOUND_GetReserved(int channel)
{
    Channel* ch = ChannelAt(channel);
    return ch && ch->reserved ? 1 : 0;
}

signed char FSOUND_GetPaused(int channel)
{
    int index = -1;
    if (!ChannelAt(channel, &index)) return 0;
    return Playing(index) && Mix_Paused(index) ? 1 : 0;
}

unsigned int FSOUND_GetLoopMode(int channel)
{
    Channel* ch = ChannelAt(channel);
    return ch ? ch->loopMode : 0;
}

unsigned int FSOUND_GetCurrentPosition(int channel)
{
    Channel* ch = ChannelAt(channel);
    const Sample* sample = ch ? SampleById(ch->sampleId) : nullptr;
    if (!sample || ch->chunkBytes < 4) return 0;
    // Bytes mixed so far, in output frames, folded into one pass of the sound.
    uint64_t frames = ch->bytesMixed.load() / 4;
    const uint64_t length = ch->chunkBytes / 4;
    frames = ch->loopMode == FSOUND_LOOP_NORMAL ? frames % length : std::min(frames, length);
    return static_cast<unsigned int>(frames * static_cast<uint64_t>(sample->rate) / static_cast<uint64_t>(S().rate));
}

FSOUND_SAMPLE* FSOUND_GetCurrentSample(int channel)
{
    Channel* ch = ChannelAt(channel);
    const Sample* sample = ch ? SampleById(ch->sampleId) : nullptr;
    return sample ? HandleOf(*sample) : nullptr;
}

signed char FSOUND_GetCurrentLevels(int channel, float* l, float* r)
{
    int index = -1;
    Channel* ch = ChannelAt(channel, &index);
    if (!ch) return 0;
    const bool audible = Playing(index) && !Mix_Paused(index);
    const float scale = audible ? static_cast<float>(EffectiveVolume(*ch)) / (255.0f * 32767.0f) : 0.0f;
    if (l) *l = std::min(1.0f, static_cast<float>(ch->peakLeft.load()) * scale);
    if (r) *r = std::min(1.0f, static_cast<float>(ch->peakRight.load()) * scale);
    return 1;
}

int FSOUND_GetNumSubChannels(int channel)
{
    // Every sound plays on one channel; none has sub-channels.
    return ChannelAt(channel) ? 0 : -1;
}

int FSOUND_GetSubChannel(int channel, int subchannel)
{
    if (!ChannelAt(channel)) return -1;
    return subchannel == 0 ? channel : Fail<int>(QRNSOUND_ERR_INVALID_PARAM, -1);
}

}  // extern "C"
