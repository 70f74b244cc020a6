// Songs (tracker modules and MIDI) on the mixer's music stream. The mixer plays
// one song at a time: starting a song stops the one before.
#include "internal.h"
#include "soundfile.h"

#include <cstring>

namespace qrs {

namespace {

struct Song {
    std::vector<uint8_t> bytes;   // the mixer reads the song from here while it plays
    Mix_Music* music = nullptr;
    std::string name;
    int type = FMUSIC_TYPE_NONE;
    bool looping = true;
    bool started = false;
    int masterVolume = 256;
    void* userData = nullptr;
};

std::map<uint32_t, Song>& Songs()
{
    static auto* songs = new std::map<uint32_t, Song>;
    return *songs;
}
uint32_t g_nextSongId = 1;
uint32_t g_currentSong = 0;

Song* FindSong(FMUSIC_MODULE* handle)
{
    return FindHandle(Songs(), handle);
}

uint32_t IdOf(FMUSIC_MODULE* handle) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)); }

bool IsCurrent(FMUSIC_MODULE* handle) { return g_currentSong != 0 && g_currentSong == IdOf(handle); }

// Tracker formats by their signatures; anything else the mixer calls a module is MOD.
int ModuleType(const std::vector<uint8_t>& b)
{
    if (b.size() >= 17 && std::memcmp(b.data(), "Extended Module: ", 17) == 0) return FMUSIC_TYPE_XM;
    if (b.size() >= 48 && std::memcmp(&b[44], "SCRM", 4) == 0) return FMUSIC_TYPE_S3M;
    if (b.size() >= 4 && std::memcmp(b.data(), "IMPM", 4) == 0) return FMUSIC_TYPE_IT;
    return FMUSIC_TYPE_MOD;
}

void ApplyMusicVolume(const Song& song) { Mix_VolumeMusic(song.masterVolume * MIX_MAX_VOLUME / 256); }

FMUSIC_MODULE* LoadSong(const std::string& name, std::vector<uint8_t> bytes)
{
    // A MIDI file's length comes from its own timing: a few bytes can hold a
    // delta time of years at a crawling tempo.
    const bool midi = IsMidiFile(bytes);
    if (midi) {
        const double seconds = MidiSeconds(bytes);
        if (seconds < 0.0 || seconds > kMaxSongSeconds) return Fail<FMUSIC_MODULE*>(QRNSOUND_ERR_FILE_FORMAT, nullptr);
    }
    Song song;
    song.bytes = std::move(bytes);
    SDL_RWops* rw = SDL_RWFromConstMem(song.bytes.data(), static_cast<int>(song.bytes.size()));
    song.music = rw ? Mix_LoadMUS_RW(rw, 1) : nullptr;
    if (!song.music) return Fail<FMUSIC_MODULE*>(QRNSOUND_ERR_FILE_FORMAT, nullptr);
    const Mix_MusicType type = Mix_GetMusicType(song.music);
    // Sampled sound (WAV, MP3 ...) is played as a sample or a stream, not a
    // song; a MIDI song must be one whose length was checked above; a module
    // longer than the cap by its player's reckoning is refused too.
    if ((type != MUS_MOD && type != MUS_MID) || (type == MUS_MID && !midi) ||
        Mix_MusicDuration(song.music) > kMaxSongSeconds) {
        Mix_FreeMusic(song.music);
        return Fail<FMUSIC_MODULE*>(QRNSOUND_ERR_FILE_FORMAT, nullptr);
    }
    song.type = type == MUS_MID ? FMUSIC_TYPE_MIDI : ModuleType(song.bytes);
    const char* title = Mix_GetMusicTitle(song.music);
    song.name = title && *title ? title : name;
    const uint32_t id = g_nextSongId++;
    Songs()[id] = std::move(song);
    return reinterpret_cast<FMUSIC_MODULE*>(static_cast<uintptr_t>(id));
}

}  // namespace

void CloseAllMusic()
{
    Mix_HaltMusic();
    for (auto& [id, song] : Songs()) Mix_FreeMusic(song.music);
    Songs().clear();
    g_currentSong = 0;
}

}  // namespace qrs

using namespace qrs;

extern "C" {

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) { return FMUSIC_LoadSongEx(name, 0, 0, 0, nullptr, 0); }

FMUSIC_MODULE* FMUSIC_LoadSongEx(const char* name_or_data, int offset, int length, unsigned int mode,
                                 const int* samplelist, int samplelistnum)
{
    if (!RequireInit()) return nullptr;
    if (!name_or_data || offset < 0 || length < 0) return Fail<FMUSIC_MODULE*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
    if (samplelist || samplelistnum > 0) return Fail<FMUSIC_MODULE*>(QRNSOUND_ERR_UNSUPPORTED, nullptr);
    std::vector<uint8_t> bytes;
    if (mode & FSOUND_LOADMEMORY) {
        if (length <= 0) return Fail<FMUSIC_MODULE*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
        const auto* data = reinterpret_cast<const uint8_t*>(name_or_data) + offset;
        bytes.assign(data, data + length);
        return LoadSong("", std::move(bytes));
    }
    if (!ReadFileBytes(name_or_data, offset, length, bytes)) return nullptr;
    return LoadSong(name_or_data, std::move(bytes));
}

int FMUSIC_GetOpenState(FMUSIC_MODULE* mod) { return FindSong(mod) ? 0 : -1; }

signed char FMUSIC_FreeSong(FMUSIC_MODULE* mod)
{
    Song* song = FindSong(mod);
    if (!song) return 0;
    if (IsCurrent(mod)) {
        Mix_HaltMusic();
        g_currentSong = 0;
    }
    Mix_FreeMusic(song->music);
    Songs().erase(IdOf(mod));
    return 1;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* mod)
{
    Song* song = FindSong(mod);
    if (!song) return 0;
    ApplyMusicVolume(*song);
    if (Mix_PlayMusic(song->music, song->looping ? -1 : 1) != 0) return Fail(QRNSOUND_ERR_PLAY);
    g_currentSong = IdOf(mod);
    song->started = true;
    return 1;
}

signed char FMUSIC_StopSong(FMUSIC_MODULE* mod)
{
    if (!FindSong(mod)) return 0;
    if (IsCurrent(mod)) Mix_HaltMusic();
    return 1;
}

void FMUSIC_StopAllSongs(void)
{
    if (S().initialised) Mix_HaltMusic();
}

signed char FMUSIC_SetZxxCallback(FMUSIC_MODULE*, FMUSIC_CALLBACK) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FMUSIC_SetRowCallback(FMUSIC_MODULE*, FMUSIC_CALLBACK, int) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FMUSIC_SetOrderCallback(FMUSIC_MODULE*, FMUSIC_CALLBACK, int) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FMUSIC_SetInstCallback(FMUSIC_MODULE*, FMUSIC_CALLBACK, int) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }
signed char FMUSIC_SetSample(FMUSIC_MODULE*, int, FSOUND_SAMPLE*) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }

signed char FMUSIC_SetUserData(FMUSIC_MODULE* mod, void* userdata)
{
    Song* song = FindSong(mod);
    if (!song) return 0;
    song->userData = userdata;
    return 1;
}

signed char FMUSIC_OptimizeChannels(FMUSIC_MODULE*, int, int) { return Fail(QRNSOUND_ERR_UNSUPPORTED); }

signed char FMUSIC_SetReverb(signed char reverb) { return reverb ? Fail(QRNSOUND_ERR_UNSUPPORTED) : 1; }

signed char FMUSIC_SetLooping(FMUSIC_MODULE* mod, signed char looping)
{
    Song* song = FindSong(mod);
    if (!song) return 0;
    song->looping = looping != 0;   // takes effect when the song is next started
    return 1;
}

signed char FMUSIC_SetOrder(FMUSIC_MODULE* mod, int order)
{
    Song* song = FindSong(mod);
    if (!song) return 0;
    if (!IsCurrent(mod) || !Mix_PlayingMusic()) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    return Mix_ModMusicJumpToOrder(order) == 0 ? 1 : Fail(QRNSOUND_ERR_UNSUPPORTED);
}

signed char FMUSIC_SetPaused(FMUSIC_MODULE* mod, signed char pause)
{
    if (!FindSong(mod)) return 0;
    if (IsCurrent(mod)) {
        if (pause) Mix_PauseMusic();
        else Mix_ResumeMusic();
    }
    return 1;
}

signed char FMUSIC_SetMasterVolume(FMUSIC_MODULE* mod, int volume)
{
    Song* song = FindSong(mod);
    if (!song) return 0;
    if (volume < 0 || volume > 256) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    song->masterVolume = volume;
    if (IsCurrent(mod)) ApplyMusicVolume(*song);
    return 1;
}

signed char FMUSIC_SetMasterSpeed(FMUSIC_MODULE* mod, float speed)
{
    if (!FindSong(mod)) return 0;
    return speed == 1.0f ? 1 : Fail(QRNSOUND_ERR_UNSUPPORTED);
}

signed char FMUSIC_SetPanSeperation(FMUSIC_MODULE* mod, float pansep)
{
    if (!FindSong(mod)) return 0;
    return pansep == 1.0f ? 1 : Fail(QRNSOUND_ERR_UNSUPPORTED);
}

const char* FMUSIC_GetName(FMUSIC_MODULE* mod)
{
    Song* song = FindSong(mod);
    return song ? song->name.c_str() : nullptr;
}

int FMUSIC_GetType(FMUSIC_MODULE* mod)
{
    Song* song = FindSong(mod);
    return song ? song->type : FMUSIC_TYPE_NONE;
}

// The mixer does not expose a module's inner structure.
int FMUSIC_GetNumOrders(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetNumPatterns(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetNumInstruments(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetNumSamples(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetNumChannels(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
FSOUND_SAMPLE* FMUSIC_GetSample(FMUSIC_MODULE*, int) { return Fail<FSOUND_SAMPLE*>(QRNSOUND_ERR_UNSUPPORTED, nullptr); }
int FMUSIC_GetPatternLength(FMUSIC_MODULE*, int) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }

signed char FMUSIC_IsFinished(FMUSIC_MODULE* mod)
{
    Song* song = FindSong(mod);
    if (!song) return 0;
    return song->started && !(IsCurrent(mod) && Mix_PlayingMusic()) ? 1 : 0;
}

signed char FMUSIC_IsPlaying(FMUSIC_MODULE* mod)
{
    if (!FindSong(mod)) return 0;
    return IsCurrent(mod) && Mix_PlayingMusic() ? 1 : 0;
}

int FMUSIC_GetMasterVolume(FMUSIC_MODULE* mod)
{
    Song* song = FindSong(mod);
    return song ? song->masterVolume : -1;
}

int FMUSIC_GetGlobalVolume(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetOrder(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetPattern(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetSpeed(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetBPM(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }
int FMUSIC_GetRow(FMUSIC_MODULE*) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }

signed char FMUSIC_GetPaused(FMUSIC_MODULE* mod)
{
    if (!FindSong(mod)) return 0;
    return IsCurrent(mod) && Mix_PausedMusic() ? 1 : 0;
}

int FMUSIC_GetTime(FMUSIC_MODULE* mod)
{
    const Song* song = FindSong(mod);
    if (!song) return -1;
    if (!IsCurrent(mod) || !Mix_PlayingMusic()) return 0;
    const double seconds = Mix_GetMusicPosition(song->music);
    return seconds < 0 ? Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1) : static_cast<int>(seconds * 1000.0);
}

int FMUSIC_GetRealChannel(FMUSIC_MODULE*, int) { return Fail<int>(QRNSOUND_ERR_UNSUPPORTED, -1); }

void* FMUSIC_GetUserData(FMUSIC_MODULE* mod)
{
    Song* song = FindSong(mod);
    return song ? song->userData : nullptr;
}

}  // extern "C"
