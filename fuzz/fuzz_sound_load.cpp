// libFuzzer entry: any bytes as a sound file through the sound library's
// sample loader, then played, stopped and freed. A loaded sample must stay
// within the library's length cap, get a channel, and free everything it held.
#include <cstdint>
#include <cstdlib>

#include "qrnsound.h"
#include "soundfile.h"

namespace {
constexpr int kRate = 44100;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!FSOUND_Init(kRate, 32, 0)) abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > (1u << 20)) return 0;
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, reinterpret_cast<const char*>(data),
                                               FSOUND_LOADMEMORY | 0x2130, 0, static_cast<int>(size));
    if (sample) {
        const uint64_t frames = FSOUND_Sample_GetLength(sample);
        if (frames == 0 || frames * 4 > qrs::MaxSampleBytes(kRate)) abort();
        // A sample of a few milliseconds may have ended before any check.
        const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
        if (channel < 0) abort();
        FSOUND_StopSound(channel);
        FSOUND_Sample_Free(sample);
    } else if (FSOUND_GetError() != QRNSOUND_ERR_FILE_FORMAT) {
        abort();
    }
    unsigned int current = 1;
    FSOUND_GetMemoryStats(&current, nullptr);
    if (current != 0) abort();
    return 0;
}
