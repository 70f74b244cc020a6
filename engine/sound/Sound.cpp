#include "Sound.h"

#include <utility>

#include "SoundImpl.h"

namespace qrnsu {

namespace {

// Arguments the engine gives the library.
constexpr int kOutputDirectSound = FSOUND_OUTPUT_DSOUND;
constexpr int kDefaultDriver = 0;
constexpr int kMixRate = 44100;
constexpr int kSoftwareChannels = 32;
constexpr unsigned kInitFlags = 1;
constexpr unsigned kSampleMode = FSOUND_16BITS | FSOUND_MONO | FSOUND_SIGNED | FSOUND_2D;   // 0x2130

// Shut-downs of the sound library in this process so far (by any sound
// object's destructor). One thread uses sound objects.
unsigned g_uLibraryShutdowns = 0;

}  // namespace

CSound::CSound() : m_libraryPath(SoundLibraryPath()) {}

CSound::CSound(std::string libraryPath) : m_libraryPath(std::move(libraryPath)) {}

CSound::~CSound()
{
    if (!m_pLibrary) return;
    // Once another sound object has shut the library down, our sample is
    // gone with it and the library must not be called again: only our own
    // hold on the library file is let go.
    if (m_uStartedAfterShutdowns == g_uLibraryShutdowns) {
        m_pLibrary->FSOUND_Sample_Free(m_pSample);
        // Ends all sound of the process, that of other sound objects included.
        m_pLibrary->FSOUND_Close();
        ++g_uLibraryShutdowns;
    }
    FreeSoundLibrary(m_pLibrary);
}

bool CSound::SetData(const char* file, bool loop)
{
    if (!m_pLibrary) {
        m_pLibrary = LoadSoundLibrary(m_libraryPath.c_str());
        if (!m_pLibrary) return false;
    } else if (m_pSample) {
        // A second SetData replaces the sound; the library record is kept.
        Stop();
        m_pLibrary->FSOUND_Sample_Free(m_pSample);
        m_pSample = nullptr;
        m_nChannel = -1;
    }
    m_pLibrary->FSOUND_SetOutput(kOutputDirectSound);
    m_pLibrary->FSOUND_SetDriver(kDefaultDriver);
    m_pLibrary->FSOUND_Init(kMixRate, kSoftwareChannels, kInitFlags);
    m_uStartedAfterShutdowns = g_uLibraryShutdowns;
    m_pSample = m_pLibrary->FSOUND_Sample_Load(FSOUND_UNMANAGED, file, kSampleMode, 0, 0);
    if (!m_pSample) return false;
    m_pLibrary->FSOUND_Sample_SetMode(m_pSample, loop ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF);
    return true;
}

void CSound::Play(int volume)
{
    if (!m_pLibrary || !m_pSample) return;
    // A playing sound is neither restarted nor given the new volume.
    if (m_nChannel != -1 && m_pLibrary->FSOUND_IsPlaying(m_nChannel)) return;
    m_nChannel = m_pLibrary->FSOUND_PlaySound(FSOUND_FREE, m_pSample);
    m_pLibrary->FSOUND_SetVolume(m_nChannel, volume);
}

void CSound::Stop()
{
    if (!m_pLibrary || m_nChannel == -1) return;
    // A sound that has already ended keeps its channel number.
    if (m_pLibrary->FSOUND_IsPlaying(m_nChannel)) {
        m_pLibrary->FSOUND_StopSound(m_nChannel);
        m_nChannel = -1;
    }
}

bool CSound::IsPlaying() const
{
    if (!m_pLibrary) return false;
    return m_pLibrary->FSOUND_IsPlaying(m_nChannel) != 0;
}

ISound::ISound() : m_pSound(new CSound) {}

ISound::~ISound() { delete m_pSound; }

bool ISound::SetData(const char* file, bool loop) { return m_pSound->SetData(file, loop); }

void ISound::Play(int volume) { m_pSound->Play(volume); }

void ISound::Stop() { m_pSound->Stop(); }

bool ISound::IsPlaying() { return m_pSound->IsPlaying(); }

}  // namespace qrnsu
