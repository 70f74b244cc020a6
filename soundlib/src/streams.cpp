// Streams: here a stream is a whole sample decoded at open time and played on a
// channel, so that files play the same whichever way they are opened.
// Callbacks, sync points, tags and network streams are not offered.
#include "internal.h"

namespace qrs {

namespace {

struct Stream {
    uint32_t sampleId = 0;
    int channel = -1;
    int loopCount = -1;   // -1: loop for ever when the mode loops
};

std::map<uint32_t, Stream>& Streams()
{
    static auto* streams = new std::map<uint32_t, Stream>;
    return *streams;
}
uint32_t g_nextStreamId = 1;

Stream* FindStream(FSOUND_STREAM* handle)
{
    return FindHandle(Streams(), handle);
}

FSOUND_SAMPLE* SampleHandle(uint32_t id) { return reinterpret_cast<FSOUND_SAMPLE*>(static_cast<uintptr_t>(id)); }

}  // namespace

void CloseAllStreams() { Streams().clear(); }

}  // namespace qrs

using namespace qrs;

extern "C" {

signed char FSOUND_Stream_SetBufferSize(int ms)
{
    // Streams are decoded whole, so there is no buffer to size.
    return ms >= 0 ? 1 : Fail(QRNSOUND_ERR_INVALID_PARAM);
}

FSOUND_STREAM* FSOUND_Stream_Open(const char* name_or_data, unsigned int mode, int offset, int length)
{
    FSOUND_SAMPLE* handle = FSOUND_Sample_Load(FSOUND_UNMANAGED, name_or_data, mode, offset, length);
    if (!handle) return nullptr;
    const uint32_t id = g_nextStreamId++;
    Streams()[id].sampleId = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
    return reinterpret_cast<FSOUND_STREAM*>(static_cast<uintptr_t>(id));
}

FSOUND_STREAM* FSOUND_Stream_Create(FSOUND_STREAMCALLBACK, int, unsigned int, int, void*)
{
    return Fail<FSOUND_STREAM*>(QRNSOUND_ERR_UNSUPPORTED, nullptr);
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    Stream* st = FindStream(stream);
    if (!st) return 0;
    if (S().initialised) FSOUND_Sample_Free(SampleHandle(st->sampleId));
    Streams().erase(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(stream)));
    return 1;
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream) { return FSOUND_Stream_PlayEx(channel, stream, nullptr, 0); }

int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM* stream, FSOUND_DSPUNIT* dsp, signed char startpaused)
{
    if (!RequireInit()) return -1;
    Stream* st = FindStream(stream);
    Sample* sample = st ? SampleById(st->sampleId) : nullptr;
    if (!sample) return Fail<int>(QRNSOUND_ERR_INVALID_PARAM, -1);
    if (dsp) return Fail<int>(QRNSOUND_ERR_INVALID_PARAM, -1);
    int loops = 0;
    if (sample->mode & FSOUND_LOOP_NORMAL) loops = st->loopCount >= 0 ? st->loopCount : -1;
    st->channel = PlaySample(channel, *sample, startpaused != 0, loops);
    return st->channel;
}

signed char FSOUND_Stream_Stop(FSOUND_STREAM* stream)
{
    Stream* st = FindStream(stream);
    if (!st) return 0;
    if (st->channel >= 0 && FSOUND_IsPlaying(st->channel)) FSOUND_StopSound(st->channel);
    return 1;
}

signed char FSOUND_Stream_SetPosition(FSOUND_STREAM* stream, unsigned int position)
{
    Stream* st = FindStream(stream);
    if (!st) return 0;
    if (position != 0) return Fail(QRNSOUND_ERR_UNSUPPORTED);
    return st->channel >= 0 && FSOUND_IsPlaying(st->channel) ? FSOUND_SetCurrentPosition(st->channel, 0) : 1;
}

unsigned int FSOUND_Stream_GetPosition(FSOUND_STREAM* stream)
{
    Stream* st = FindStream(stream);
    Sample* sample = st ? SampleById(st->sampleId) : nullptr;
    if (!sample || st->channel < 0) return 0;
    return FSOUND_GetCurrentPosition(st->channel) * static_cast<unsigned int>(sample->FrameBytes());
}

signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms)
{
    return ms == 0 ? FSOUND_Stream_SetPosition(stream, 0) : (FindStream(stream) ? Fail(QRNSOUND_ERR_UNSUPPORTED) : 0);
}

int FSOUND_Stream_GetTime(FSOUND_STREAM* stream)
{
    Stream* st = FindStream(stream);
    Sample* sample = st ? SampleById(st->sampleId) : nullptr;
    if (!sample || st->channel < 0) return 0;
    return static_cast<int>(static_cast<uint64_t>(FSOUND_GetCurrentPosition(st->channel)) * 1000 /
                            static_cast<uint64_t>(sample->rate));
}

int FSOUND_Stream_GetLength(FSOUND_STREAM* stream)
{
    Stream* st = FindStream(stream);
    Sample* sample = st ? SampleById(st->sampleId) : nullptr;
    return sample ? static_cast<int>(sample->pcm.size()) : 0;
}

int FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream)
{
    Stream* st = FindStream(stream);
    Sample* sample = st ? SampleById(st->sampleId) : nullptr;
    return sample ? static_cast<int>(static_cast<uint64_t>(sample->Frames()) * 1000 / static_cast<uint64_t>(sample->rate)) : 0;
}

signed char FSOUND_Stream_SetMode(FSOUND_STREAM* stream, unsigned int mode)
{
    Stream* st = FindStream(stream);
    return st ? FSOUND_Sample_SetMode(SampleHandle(st->sampleId), mode) : 0;
}

unsigned int FSOUND_Stream_GetMode(FSOUND_STREAM* stream)
{
    Stream* st = FindStream(stream);
    return st ? FSOUND_Sample_GetMode(SampleHandle(st->sampleId)) : 0;
}

signed char FSOUND_Stream_SetLoopPoints(FSOUND_STREAM* stream, unsigned int loopstartpcm, unsigned int loopendpcm)
{
    Stream* st = FindStream(stream);
    return st ? FSOUND_Sample_SetLoopPoints(SampleHandle(st->sampleId), static_cast<int>(loopstartpcm),
                                            static_cast<int>(loopendpcm))
              : 0;
}

signed char FSOUND_Stream_SetLoopCount(FSOUND_STREAM* stream, int count)
{
    Stream* st = FindStream(stream);
    if (!st) return 0;
    st->loopCount = count < 0 ? -1 : count;
    return 1;
}

int FSOUND_Stream_GetOpenState(FSOUND_STREAM* stream)
{
    // Opening is synchronous: an open stream is always ready.
    return FindStream(stream) ? 0 : -1;
}

FSOUND_SAMPLE* FSOUND_Stream_GetSample(FSOUND_STREAM* stream)
{
    Stream* st = FindStream(stream);
    return st && SampleById(st->sampleId) ? SampleHandle(st->sampleId) : nullptr;
}

FSOUND_DSPUNIT* FSOUND_Stream_CreateDSP(FSOUND_STREAM*, FSOUND_DSPCALLBACK, int, void*)
{
    return Fail<FSOUND_DSPUNIT*>(QRNSOUND_ERR_UNSUPPORTED, nullptr);
}

signed char FSOUND_Stream_SetEndCallback(FSOUND_STREAM*, FSOUND_STREAMCALLBACK, void*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FSOUND_Stream_SetSyncCallback(FSOUND_STREAM*, FSOUND_STREAMCALLBACK, void*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }

FSOUND_SYNCPOINT* FSOUND_Stream_AddSyncPoint(FSOUND_STREAM*, unsigned int, const char*)
{
    return Fail<FSOUND_SYNCPOINT*>(QRNSOUND_ERR_UNSUPPORTED, nullptr);
}

signed char FSOUND_Stream_DeleteSyncPoint(FSOUND_SYNCPOINT*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }

int FSOUND_Stream_GetNumSyncPoints(FSOUND_STREAM* stream)
{
    return FindStream(stream) ? 0 : -1;   // sync points are never added
}

FSOUND_SYNCPOINT* FSOUND_Stream_GetSyncPoint(FSOUND_STREAM*, int)
{
    return Fail<FSOUND_SYNCPOINT*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
}

char* FSOUND_Stream_GetSyncPointInfo(FSOUND_SYNCPOINT*, unsigned int*) { return Fail<char*>(QRNSOUND_ERR_INVALID_PARAM, nullptr); }

signed char FSOUND_Stream_SetSubStream(FSOUND_STREAM*, int) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }

int FSOUND_Stream_GetNumSubStreams(FSOUND_STREAM* stream) { return FindStream(stream) ? 0 : -1; }

signed char FSOUND_Stream_SetSubStreamSentence(FSOUND_STREAM*, const int*, int) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FSOUND_Stream_GetNumTagFields(FSOUND_STREAM*, int*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FSOUND_Stream_GetTagField(FSOUND_STREAM*, int, int*, char**, void**, int*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FSOUND_Stream_FindTagField(FSOUND_STREAM*, int, const char*, void**, int*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FSOUND_Stream_Net_SetProxy(const char*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
char* FSOUND_Stream_Net_GetLastServerStatus(void) { return Fail<char*>(QRNSOUND_ERR_UNSUPPORTED, nullptr); }
signed char FSOUND_Stream_Net_SetBufferProperties(int, int, int) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FSOUND_Stream_Net_GetBufferProperties(int*, int*, int*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FSOUND_Stream_Net_SetMetadataCallback(FSOUND_STREAM*, FSOUND_METADATACALLBACK, void*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FSOUND_Stream_Net_GetStatus(FSOUND_STREAM*, int*, int*, int*, unsigned int*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }

}  // extern "C"
