// Sound files that declare absurd rates, lengths or formats: refused with the
// file-format error, at once and without taking the memory their decoding
// would; ordinary files of every kind still load and play.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>
#include <filesystem>

#include "hostile_sounds.h"
#include "qrnsound.h"

using namespace soundtest;

namespace {

// Peak resident memory of the process so far, in MB.
long PeakMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

class HostileSoundFiles : public ::testing::Test {
protected:
    void TearDown() override { FSOUND_Close(); }

    // Whether the file is refused as a sample (from the file and from memory)
    // and as a stream, each time with the file-format error.
    void ExpectRefused(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        SCOPED_TRACE(name);
        const std::string path = dir.Write(name, bytes);
        EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, path.c_str(), 0x2130, 0, 0), nullptr);
        EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_FILE_FORMAT);
        EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, reinterpret_cast<const char*>(bytes.data()),
                                     FSOUND_LOADMEMORY, 0, static_cast<int>(bytes.size())),
                  nullptr);
        EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_FILE_FORMAT);
        EXPECT_EQ(FSOUND_Stream_Open(path.c_str(), 0, 0, 0), nullptr);
        EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_FILE_FORMAT);
    }

    TempDir dir;
};

TEST_F(HostileSoundFiles, RatesAndLengthsNoSoundHasAreRefusedWithFlatMemory)
{
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    const long before = PeakMb();
    // Each of these crashed the decoder, never returned, or took 0.7 to 2 GB.
    for (const HostileSound& f : HostileSounds()) ExpectRefused(f.name, f.bytes);

    const std::vector<int16_t> tone = Sine(0.2, 440, 8000, 8000);
    std::vector<uint8_t> cutAiff = Aiff(tone, 1, 8000);
    cutAiff.resize(cutAiff.size() - 100);
    std::vector<uint8_t> longSilence;   // 40 blocks of 16 s of silence at 4 kHz after a short sound
    for (int i = 0; i < 40; ++i) longSilence.insert(longSilence.end(), {3, 3, 0, 0, 0xff, 0xff, 6});
    std::vector<uint8_t> extensible(22, 0);   // valid bits, channel mask, then the PCM sub-format
    extensible[0] = 16;
    extensible[6] = 1;
    // The decoder keeps the first of two format chunks: here 2 Hz, then 8 kHz.
    std::vector<uint8_t> twoFormats = RawWav(1, 1, 2, 2, 16, {}, std::vector<uint8_t>(1 << 20, 0));
    const std::vector<uint8_t> honest = Wav(tone, 1, 8000);
    twoFormats.insert(twoFormats.begin() + 36, honest.begin() + 12, honest.begin() + 36);
    const uint32_t riffSize = static_cast<uint32_t>(twoFormats.size() - 8);
    std::memcpy(&twoFormats[4], &riffSize, 4);
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } more[] = {
        {"500khz.wav", Wav(tone, 1, 500000)},
        {"nine-channels.wav", RawWav(1, 9, 8000, 18, 16, {}, std::vector<uint8_t>(1800, 0))},
        {"extensible-1hz.wav", RawWav(0xfffe, 1, 1, 2, 16, extensible, std::vector<uint8_t>(2000, 0))},
        {"two-formats.wav", twoFormats},
        {"2hz.aiff", Aiff(tone, 1, 2)},
        {"cut.aiff", cutAiff},
        {"long-silence.voc", Voc(Sine(0.1, 440, 8000, 4000), 4000, longSilence)},
        {"song.mid", ShortMidi()},   // songs play through the song calls only
    };
    for (const auto& f : more) ExpectRefused(f.name, f.bytes);

    // Made in memory: a long sample at a very low frequency would be
    // resampled to gigabytes.
    EXPECT_EQ(FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 1 << 23, FSOUND_16BITS | FSOUND_MONO, 100, 255, 128, 128), nullptr);
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_MEMORY);
    FSOUND_SAMPLE* tenSeconds =
        FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 10 * kRate, FSOUND_16BITS | FSOUND_MONO, kRate, 255, 128, 128);
    ASSERT_NE(tenSeconds, nullptr);
    EXPECT_FALSE(FSOUND_Sample_SetDefaults(tenSeconds, 100, -1, -1, -1));
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_MEMORY);
    int freq = 0;
    EXPECT_TRUE(FSOUND_Sample_GetDefaults(tenSeconds, &freq, nullptr, nullptr, nullptr));
    EXPECT_EQ(freq, kRate);   // as before, and it still plays
    EXPECT_TRUE(FSOUND_IsPlaying(FSOUND_PlaySound(FSOUND_FREE, tenSeconds)));
    FSOUND_Sample_Free(tenSeconds);

    unsigned current = 1;
    FSOUND_GetMemoryStats(&current, nullptr);
    EXPECT_EQ(current, 0u);
    EXPECT_LT(PeakMb() - before, 64);

    // The endless MIDI file is no song either; a short one is.
    EXPECT_EQ(FMUSIC_LoadSong(dir.Write("endless.mid", EndlessMidi()).c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_FILE_FORMAT);
    FMUSIC_MODULE* song = FMUSIC_LoadSong(dir.Write("short.mid", ShortMidi()).c_str());
    ASSERT_NE(song, nullptr);
    EXPECT_EQ(FMUSIC_GetType(song), FMUSIC_TYPE_MIDI);
    EXPECT_TRUE(FMUSIC_PlaySong(song));
    EXPECT_TRUE(FMUSIC_IsPlaying(song));
    EXPECT_TRUE(FMUSIC_FreeSong(song));
}

TEST_F(HostileSoundFiles, ACompressedFileThatDecodesToMoreThanItsHeaderSaysIsStopped)
{
    // At a low output rate the decoder's budget is small (tens of MB).
    ASSERT_TRUE(FSOUND_Init(8000, 32, 0));
    const long before = PeakMb();
    // 28 KB that claim one second but hold four and a half hours: over a
    // gigabyte decoded. The bound leaves room for the sanitiser's quarantine.
    ExpectRefused("lying.flac", SilentFlac(8000, 65535, 2047, 8000));
    EXPECT_LT(PeakMb() - before, 400);
    // The same frames, honestly counted, are refused from the header alone.
    ExpectRefused("long.flac", SilentFlac(8000, 65535, 2047, 2047ull * 65535));
    FSOUND_SAMPLE* flac = FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write("a.flac", SilentFlac(8000, 4000, 4, 16000)).c_str(),
                                             0, 0, 0);
    EXPECT_NE(flac, nullptr);
}

TEST_F(HostileSoundFiles, FilesTheFuzzerFoundAreRefusedAndLeaveNothingBehind)
{
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QRN_SOUND_TEST_DATA)) {
        ExpectRefused(entry.path().filename().string(), ReadFile(entry.path().string()));
        ++files;
    }
    EXPECT_GT(files, 0);
    // Leaks inside the decoders show in the sanitiser build's leak check.
}

TEST_F(HostileSoundFiles, OrdinaryFilesOfEveryKindStillLoadAndPlay)
{
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        double seconds;
    } files[] = {
        {"8k.wav", Wav(Sine(0.5, 440, 8000, 8000), 1, 8000), 0.5},
        {"48k-stereo.wav", Wav(Sine(0.5, 440, 8000, 48000), 2, 48000), 0.25},
        {"adpcm.wav", ImaAdpcmWav(8000, 256, 16), 16 * 505 / 8000.0},
        {"tone.mp3", Mp3(Sine(0.5, 440, 8000)), 0.5},
        {"tone.aiff", Aiff(Sine(0.5, 440, 8000, 22050), 1, 22050), 0.5},
        {"tone.voc", Voc(Sine(0.5, 440, 8000, 8000), 8000), 0.5},
        {"silence.flac", SilentFlac(8000, 4000, 4, 16000), 2.0},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write(f.name, f.bytes).c_str(), 0x2130, 0, 0);
        ASSERT_NE(sample, nullptr);
        EXPECT_NEAR(FSOUND_Sample_GetLength(sample) / static_cast<double>(kRate), f.seconds, 0.07);
        const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
        EXPECT_TRUE(FSOUND_IsPlaying(channel));
        FSOUND_StopSound(channel);
        FSOUND_Sample_Free(sample);
    }
}

}  // namespace
