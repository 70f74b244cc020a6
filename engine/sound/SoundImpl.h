// The hidden implementation behind ISound.
#pragma once

#include <string>

#include "SoundLibrary.h"

namespace qrnsu {

class CSound {
public:
    // Uses the sound library beside the engine library.
    CSound();
    // Uses the given library file instead (tests).
    explicit CSound(std::string libraryPath);
    ~CSound();
    CSound(const CSound&) = delete;
    CSound& operator=(const CSound&) = delete;

    bool SetData(const char* file, bool loop);
    void Play(int volume);
    void Stop();
    bool IsPlaying() const;

    const SSoundLibrary* Library() const { return m_pLibrary; }
    int Channel() const { return m_nChannel; }

private:
    SSoundLibrary* m_pLibrary = nullptr;
    FSOUND_SAMPLE* m_pSample = nullptr;
    int m_nChannel = -1;
    std::string m_libraryPath;
    // The library's shut-down count when this object started it: a later
    // shut-down by another sound object leaves nothing of ours to free there.
    unsigned m_uStartedAfterShutdowns = 0;
};

}  // namespace qrnsu
