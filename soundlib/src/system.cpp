// Library start-up and shut-down, output settings and global queries.
#include "internal.h"

#include <cstring>

namespace qrs {

namespace {
// Made on first use and never destroyed: the unload hook below may run after
// static destructors.
State* g_state = nullptr;
}  // namespace

State& S()
{
    if (!g_state) g_state = new State;
    return *g_state;
}

bool RequireInit()
{
    if (S().initialised) return true;
    S().error = QRNSOUND_ERR_UNINITIALIZED;
    return false;
}

namespace {

// The SDL audio driver an output type asks for; null means SDL's own choice.
const char* DriverForOutput(int output)
{
    switch (output) {
    case FSOUND_OUTPUT_NOSOUND: return "dummy";
    case FSOUND_OUTPUT_OSS: return "dsp";
    case FSOUND_OUTPUT_ALSA: return "alsa";
    default: return nullptr;
    }
}

// Starts SDL audio with the given driver (null: the environment's or SDL's
// choice) and opens the mixer on it.
bool OpenMixer(const char* driver, int rate, const char* device)
{
    if (driver) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (driver) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!ok) return false;
    int frames = 256;
    const int wanted = rate * S().bufferMs / 1000;
    while (frames * 2 <= wanted && frames < 8192) frames *= 2;
    // The mixer does not say which SDL device it opened: it is the one that
    // was not open before.
    constexpr SDL_AudioDeviceID kMaxDeviceId = 64;
    bool openBefore[kMaxDeviceId + 1] = {};
    for (SDL_AudioDeviceID id = 1; id <= kMaxDeviceId; ++id)
        openBefore[id] = SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED;
    if (Mix_OpenAudioDevice(rate, kOutputFormat, kOutputChannels, frames, device, 0) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    S().device = 0;
    for (SDL_AudioDeviceID id = 1; id <= kMaxDeviceId; ++id) {
        if (!openBefore[id] && SDL_GetAudioDeviceStatus(id) != SDL_AUDIO_STOPPED) {
            S().device = S().device ? 0 : id;   // more than one new device: unknown
            if (!S().device) break;
        }
    }
    return true;
}

}  // namespace

}  // namespace qrs

using namespace qrs;

extern "C" {

signed char FSOUND_SetOutput(int outputtype)
{
    if (S().initialised) return Fail(QRNSOUND_ERR_BUSY);
    if (outputtype < -1 || outputtype > FSOUND_OUTPUT_GC) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    S().requestedOutput = outputtype;
    return 1;
}

signed char FSOUND_SetDriver(int driver)
{
    if (S().initialised) return Fail(QRNSOUND_ERR_BUSY);
    if (driver < 0) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    S().driver = driver;
    return 1;
}

signed char FSOUND_SetMixer(int mixer)
{
    if (S().initialised) return Fail(QRNSOUND_ERR_BUSY);
    // The mixer is the SDL mixer whatever is asked; the choice is remembered.
    S().mixer = mixer;
    return 1;
}

signed char FSOUND_SetBufferSize(int len_ms)
{
    if (S().initialised) return Fail(QRNSOUND_ERR_BUSY);
    if (len_ms < 5 || len_ms > 2000) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    S().bufferMs = len_ms;
    return 1;
}

signed char FSOUND_SetHWND(void*)
{
    // Output does not depend on a window here.
    if (S().initialised) return Fail(QRNSOUND_ERR_BUSY);
    return 1;
}

signed char FSOUND_SetMinHardwareChannels(int min)
{
    if (S().initialised) return Fail(QRNSOUND_ERR_BUSY);
    // There are no hardware channels; asking for none is fine.
    return min <= 0 ? 1 : Fail(QRNSOUND_ERR_UNSUPPORTED);
}

signed char FSOUND_SetMaxHardwareChannels(int max)
{
    if (S().initialised) return Fail(QRNSOUND_ERR_BUSY);
    return max >= 0 ? 1 : Fail(QRNSOUND_ERR_INVALID_PARAM);
}

signed char FSOUND_SetMemorySystem(void* pool, int, FSOUND_ALLOCCALLBACK useralloc,
                                   FSOUND_REALLOCCALLBACK userrealloc, FSOUND_FREECALLBACK userfree)
{
    if (S().initialised) return Fail(QRNSOUND_ERR_BUSY);
    // The library allocates from the C++ heap only; user pools are not offered.
    if (pool || useralloc || userrealloc || userfree) return Fail(QRNSOUND_ERR_UNSUPPORTED);
    return 1;
}

signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int)
{
    State& s = S();
    // A second start while running keeps everything (samples, channels) as it is.
    if (s.initialised) return 1;
    if (mixrate < 4000 || mixrate > 192000 || maxsoftwarechannels < 1 ||
        maxsoftwarechannels > kMaxChannels)
        return Fail(QRNSOUND_ERR_INVALID_PARAM);

    const char* device = nullptr;
    std::string deviceName;
    int output = s.requestedOutput;
    if (output == FSOUND_OUTPUT_NOSOUND) {
        if (!OpenMixer("dummy", mixrate, nullptr)) return Fail(QRNSOUND_ERR_INIT);
    } else {
        if (s.driver > 0 && s.driver - 1 < static_cast<int>(s.driverNames.size())) {
            deviceName = s.driverNames[s.driver - 1];
            device = deviceName.c_str();
        }
        if (!OpenMixer(DriverForOutput(output), mixrate, device)) {
            // No sound device: keep working silently, in real time.
            if (!OpenMixer("dummy", mixrate, nullptr)) return Fail(QRNSOUND_ERR_INIT);
            output = FSOUND_OUTPUT_NOSOUND;
        }
    }
    const char* current = SDL_GetCurrentAudioDriver();
    if (current && (std::strcmp(current, "dummy") == 0 || std::strcmp(current, "disk") == 0))
        output = FSOUND_OUTPUT_NOSOUND;
    else if (output < 0)
        output = FSOUND_OUTPUT_DSOUND;

    Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_MOD | MIX_INIT_OPUS);
    int freq = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&freq, &format, &channels);
    Mix_AllocateChannels(maxsoftwarechannels);
    s.channels = std::make_unique<Channel[]>(static_cast<size_t>(maxsoftwarechannels));
    s.numChannels = maxsoftwarechannels;
    s.rate = freq;
    s.output = output;
    s.slots.assign(kMaxManagedSamples, 0);
    s.initialised = true;
    return 1;
}

void FSOUND_Close(void)
{
    State& s = S();
    if (!s.initialised) return;
    CloseAllStreams();
    CloseAllMusic();
    Mix_HaltChannel(-1);
    FreeAllSamples();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s.channels.reset();
    s.device = 0;
    s.numChannels = 0;
    s.rate = 0;
    s.slots.clear();
    s.initialised = false;
    // Settings made before the start (output, driver, buffer) stay for the next one.
}

void FSOUND_Update(void)
{
    // Mixing runs on the audio thread; there is no 3D state to recompute.
}

void FSOUND_SetSpeakerMode(unsigned int speakermode) { S().speakerMode = speakermode; }

void FSOUND_SetSFXMasterVolume(int volume)
{
    State& s = S();
    if (volume < 0 || volume > 255) {
        s.error = QRNSOUND_ERR_INVALID_PARAM;
        return;
    }
    s.sfxMasterVolume = volume;
    for (int i = 0; i < s.numChannels; ++i) ApplyVolume(i);
}

void FSOUND_SetPanSeperation(float pansep)
{
    State& s = S();
    if (!(pansep >= 0.0f && pansep <= 1.0f)) {
        s.error = QRNSOUND_ERR_INVALID_PARAM;
        return;
    }
    s.panSeparation = pansep;
    for (int i = 0; i < s.numChannels; ++i) ApplyPan(i);
}

void FSOUND_File_SetCallbacks(FSOUND_OPENCALLBACK useropen, FSOUND_CLOSECALLBACK userclose,
                              FSOUND_READCALLBACK userread, FSOUND_SEEKCALLBACK userseek,
                              FSOUND_TELLCALLBACK usertell)
{
    FileCallbacks& f = S().files;
    if (useropen && userclose && userread && userseek && usertell) {
        f = {useropen, userclose, userread, userseek, usertell};
    } else {
        // Any missing callback returns to plain file access.
        f = {};
        if (useropen || userclose || userread || userseek || usertell)
            S().error = QRNSOUND_ERR_INVALID_PARAM;
    }
}

int FSOUND_GetError(void) { return S().error; }

float FSOUND_GetVersion(void) { return QRNSOUND_VERSION; }

int FSOUND_GetOutput(void) { return S().initialised ? S().output : S().requestedOutput; }

void* FSOUND_GetOutputHandle(void)
{
    // SDL keeps its device to itself.
    return Fail<void*>(QRNSOUND_ERR_UNSUPPORTED, nullptr);
}

int FSOUND_GetDriver(void) { return S().driver; }

int FSOUND_GetMixer(void) { return S().mixer; }

int FSOUND_GetNumDrivers(void)
{
    // Driver 0 is the system's default output; the others are SDL's named devices.
    State& s = S();
    s.driverNames.clear();
    if (SDL_WasInit(SDL_INIT_AUDIO)) {
        const int n = SDL_GetNumAudioDevices(0);
        for (int i = 0; i < n; ++i) {
            const char* name = SDL_GetAudioDeviceName(i, 0);
            s.driverNames.emplace_back(name ? name : "");
        }
    }
    return 1 + static_cast<int>(s.driverNames.size());
}

const char* FSOUND_GetDriverName(int id)
{
    State& s = S();
    if (id == 0) return "Default output";
    if (id < 0 || id - 1 >= static_cast<int>(s.driverNames.size()))
        return Fail<const char*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
    return s.driverNames[id - 1].c_str();
}

signed char FSOUND_GetDriverCaps(int id, unsigned int* caps)
{
    if (!caps || id < 0 || id > static_cast<int>(S().driverNames.size()))
        return Fail(QRNSOUND_ERR_INVALID_PARAM);
    *caps = 0;   // no hardware mixing, no EAX
    return 1;
}

int FSOUND_GetOutputRate(void) { return S().rate; }

int FSOUND_GetMaxChannels(void) { return S().numChannels; }

int FSOUND_GetMaxSamples(void) { return kMaxManagedSamples; }

int FSOUND_GetSFXMasterVolume(void) { return S().sfxMasterVolume; }

signed char FSOUND_GetNumHWChannels(int* num2d, int* num3d, int* total)
{
    if (num2d) *num2d = 0;
    if (num3d) *num3d = 0;
    if (total) *total = 0;
    return 1;
}

int FSOUND_GetChannelsPlaying(void)
{
    if (!S().initialised) return 0;
    return Mix_Playing(-1);
}

float FSOUND_GetCPUUsage(void)
{
    // Not measured: the mixer runs inside SDL's audio thread.
    return Fail<float>(QRNSOUND_ERR_UNSUPPORTED, 0.0f);
}

void FSOUND_GetMemoryStats(unsigned int* currentalloced, unsigned int* maxalloced)
{
    const auto clamp = [](uint64_t v) { return static_cast<unsigned int>(v > 0xffffffffu ? 0xffffffffu : v); };
    if (currentalloced) *currentalloced = clamp(S().bytesAllocated);
    if (maxalloced) *maxalloced = clamp(S().maxBytesAllocated);
}

}  // extern "C"

// When the library is unloaded while still running, shut the output down first:
// the audio thread must not outlive the code it calls.
__attribute__((destructor)) static void QrnSoundUnload()
{
    if (qrs::g_state) FSOUND_Close();
}
