// Writes the sound fuzz target's seed files into the folder given as argument:
// one small file of each format the sample loader reads, and the files that
// once crashed, hung or bloated it.
#include <string>

#include "hostile_sounds.h"

int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    using namespace soundtest;
    const std::string dir = argv[1];
    const std::vector<int16_t> tone = Sine(0.05, 440, 8000, 8000);
    WriteFile(dir + "/mono8k.wav", Wav(tone, 1, 8000));
    WriteFile(dir + "/stereo48k.wav", Wav(Sine(0.02, 440, 8000, 48000), 2, 48000));
    WriteFile(dir + "/u8.wav", RawWav(1, 1, 11025, 1, 8, {}, std::vector<uint8_t>(400, 128)));
    WriteFile(dir + "/adpcm.wav", ImaAdpcmWav(8000, 256, 2));
    WriteFile(dir + "/tone.aiff", Aiff(tone, 1, 8000));
    WriteFile(dir + "/tone.voc", Voc(tone, 8000));
    WriteFile(dir + "/tone.mp3", Mp3(Sine(0.1, 440, 8000)));
    WriteFile(dir + "/silence.flac", SilentFlac(8000, 4000, 2, 8000));
    WriteFile(dir + "/short.mid", ShortMidi());
    for (const HostileSound& f : HostileSounds()) WriteFile(dir + "/" + f.name, f.bytes);
    return 0;
}
