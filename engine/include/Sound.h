// One sound effect or piece of background sound: a file loaded whole into
// memory once, then played, stopped and polled. Sounds play through the sound
// library that the engine loads at run time from its own folder.
//
// Every sound object starts the sound library for itself, and destroying any
// sound object shuts it down for the whole process: all other sound objects
// fall silent and stay silent (their calls become harmless no-ops). Destroy
// sound objects only at shut-down.
#pragma once

#include "QrnApi.h"

namespace qrnsu {

class CSound;

class QRN_API ISound {
public:
    ISound();
    virtual ~ISound();
    // A sound object owns its implementation; nothing copies one.
    ISound(const ISound&) = delete;
    ISound& operator=(const ISound&) = delete;

    // Loads the sound library and the file (WAV, MP3 ...). loop makes the
    // sound repeat until stopped. False when the library or the file cannot
    // be loaded; the object then stays silent.
    bool SetData(const char* file, bool loop);
    // Starts the sound on a free channel at volume 0 ... 255, unless it is
    // still playing (then neither restarted nor given the new volume).
    void Play(int volume);
    // Stops the sound if it is playing.
    void Stop();
    // Whether the sound of the last Play is still playing.
    bool IsPlaying();

private:
    CSound* m_pSound;
};

}  // namespace qrnsu
