// The sound library through its C interface: start and shut-down, samples,
// channels and their handles, bad files, and what it does without a device.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "qrnsound.h"
#include "sound_test_support.h"

using namespace soundtest;

namespace {

class SoundLibrary : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FSOUND_Init(kRate, 32, 0)); }
    void TearDown() override { FSOUND_Close(); }

    FSOUND_SAMPLE* LoadTone(double seconds, unsigned mode = FSOUND_LOOP_OFF)
    {
        return FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write("tone.wav", Wav(Sine(seconds, 440, 12000))).c_str(),
                                  mode, 0, 0);
    }

    TempDir dir;
};

TEST(SoundLibraryExports, EveryFunctionOfTheInterfaceAndNothingInternal)
{
    // The library the test links, found by one of its functions (its file
    // name carries a version, and a sanitiser's dlopen does not search the
    // test's own run path).
    Dl_info linked{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&FSOUND_Init), &linked), 0);
    void* self = dlopen(linked.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(self, nullptr) << "the test links the library";
    int found = 0;
#define QRN_LOOKUP(ret, name, params) found += dlsym(self, #name) != nullptr;
    QRNSOUND_FUNCTIONS(QRN_LOOKUP)
#undef QRN_LOOKUP
    EXPECT_EQ(found, 225);
    // Internal helpers stay hidden.
    EXPECT_EQ(dlsym(self, "_ZN3qrs1SEv"), nullptr);
    EXPECT_EQ(dlsym(self, "QrnSoundExports"), nullptr);
    dlclose(self);
}

TEST(SoundLibraryLifecycle, CallsBeforeInitFailWithTheLibrarysError)
{
    FSOUND_Close();
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, "x.wav", FSOUND_NORMAL, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_UNINITIALIZED);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, nullptr), -1);
    EXPECT_FALSE(FSOUND_IsPlaying(0));
    EXPECT_FALSE(FSOUND_SetVolume(0, 100));
    EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
    EXPECT_FLOAT_EQ(FSOUND_GetVersion(), QRNSOUND_VERSION);
}

TEST_F(SoundLibrary, StartsOnTheDummyDriverWithTheRequestedRateAndChannels)
{
    EXPECT_EQ(FSOUND_GetOutputRate(), kRate);
    EXPECT_EQ(FSOUND_GetMaxChannels(), 32);
    // No real device under test: the library says so.
    EXPECT_EQ(FSOUND_GetOutput(), FSOUND_OUTPUT_NOSOUND);
    // Output settings belong before the start.
    EXPECT_FALSE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_BUSY);
}

TEST_F(SoundLibrary, SecondInitKeepsSamplesAndCloseInvalidatesEveryHandle)
{
    FSOUND_SAMPLE* sample = LoadTone(0.5, FSOUND_LOOP_NORMAL);
    ASSERT_NE(sample, nullptr);
    EXPECT_TRUE(FSOUND_Init(22050, 8, 0));   // already running: nothing changes
    EXPECT_EQ(FSOUND_GetOutputRate(), kRate);
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), 22050u);
    const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(channel, 0);
    EXPECT_TRUE(FSOUND_IsPlaying(channel));

    FSOUND_Close();
    EXPECT_FALSE(FSOUND_IsPlaying(channel));
    EXPECT_FALSE(FSOUND_SetVolume(channel, 10));
    EXPECT_FALSE(FSOUND_StopSound(channel));
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), 0u);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    FSOUND_Sample_Free(sample);   // harmless
    FSOUND_Close();               // twice is harmless too

    // After a fresh start the old handles still refer to nothing.
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 0));
    FSOUND_SAMPLE* other = LoadTone(0.3);
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, sample);
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), 0u);
    const int again = FSOUND_PlaySound(FSOUND_FREE, other);
    EXPECT_NE(again, channel);
    EXPECT_FALSE(FSOUND_IsPlaying(channel));
    EXPECT_TRUE(FSOUND_IsPlaying(again));
}

TEST_F(SoundLibrary, LoadsWavAndMp3WholeWithTheirLengths)
{
    FSOUND_SAMPLE* wav = FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write("a.wav", Wav(Sine(0.25, 440, 8000))).c_str(),
                                            0x2130, 0, 0);
    ASSERT_NE(wav, nullptr);
    EXPECT_EQ(FSOUND_Sample_GetLength(wav), 11025u);
    EXPECT_STREQ(FSOUND_Sample_GetName(wav), dir.File("a.wav").c_str());
    EXPECT_EQ(FSOUND_Sample_GetMode(wav) & (FSOUND_LOOP_OFF | FSOUND_LOOP_NORMAL), FSOUND_LOOP_OFF);

    FSOUND_SAMPLE* mp3 = FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write("a.mp3", Mp3(Sine(0.5, 440, 8000))).c_str(),
                                            0x2130, 0, 0);
    ASSERT_NE(mp3, nullptr);
    // The decoder drops the encoder's delay and padding given by the Info header.
    EXPECT_NEAR(static_cast<double>(FSOUND_Sample_GetLength(mp3)), 22050.0, 1200.0);

    // A WAV at another rate is resampled for playing; its length and default
    // frequency stay its own.
    FSOUND_SAMPLE* slow = FSOUND_Sample_Load(
        FSOUND_UNMANAGED, dir.Write("b.wav", Wav(Sine(0.5, 440, 8000, 22050), 1, 22050)).c_str(), 0, 0, 0);
    ASSERT_NE(slow, nullptr);
    int freq = 0, vol = 0, pan = 0, pri = 0;
    EXPECT_TRUE(FSOUND_Sample_GetDefaults(slow, &freq, &vol, &pan, &pri));
    EXPECT_EQ(vol, 255);
    EXPECT_EQ(pan, 128);
    EXPECT_NEAR(FSOUND_Sample_GetLength(slow) * 1.0 / freq, 0.5, 0.01);

    // From memory, and raw PCM.
    const std::vector<uint8_t> bytes = Wav(Sine(0.1, 440, 8000));
    EXPECT_NE(FSOUND_Sample_Load(FSOUND_UNMANAGED, reinterpret_cast<const char*>(bytes.data()), FSOUND_LOADMEMORY, 0,
                                 static_cast<int>(bytes.size())),
              nullptr);
    const std::vector<int16_t> raw = Sine(0.2, 440, 8000);
    FSOUND_SAMPLE* pcm = FSOUND_Sample_Load(FSOUND_UNMANAGED, reinterpret_cast<const char*>(raw.data()),
                                            FSOUND_LOADMEMORY | FSOUND_LOADRAW | FSOUND_16BITS | FSOUND_MONO | FSOUND_SIGNED,
                                            0, static_cast<int>(raw.size() * 2));
    ASSERT_NE(pcm, nullptr);
    EXPECT_EQ(FSOUND_Sample_GetLength(pcm), raw.size());
}

TEST_F(SoundLibrary, BadFilesAreRejectedWithAnError)
{
    const std::vector<uint8_t> wav = Wav(Sine(0.3, 440, 8000));
    const std::vector<uint8_t> mp3 = Mp3(Sine(0.5, 440, 8000));
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty.wav", {}},
        {"empty.mp3", {}},
        {"header-only.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + 44)},
        {"half.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + static_cast<long>(wav.size() / 2))},
        {"cut-header.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + 20)},
        {"half.mp3", std::vector<uint8_t>(mp3.begin(), mp3.begin() + static_cast<long>(mp3.size() / 2))},
        {"first-frame.mp3", std::vector<uint8_t>(mp3.begin(), mp3.begin() + 600)},
        {"random.wav", RandomBytes(5000, 1)},
        {"random.mp3", RandomBytes(5000, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write(c.name, c.bytes).c_str(), 0x2130, 0, 0), nullptr);
        EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_FILE_FORMAT);
    }
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.File("missing.wav").c_str(), 0x2130, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_FILE_NOTFOUND);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, nullptr, 0x2130, 0, 0), nullptr);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.path.c_str(), 0x2130, 0, 0), nullptr);   // a folder
    // Nothing half-made is left behind.
    unsigned current = 1, peak = 0;
    FSOUND_GetMemoryStats(&current, &peak);
    EXPECT_EQ(current, 0u);
}

TEST_F(SoundLibrary, ManagedSlotsHoldSamplesByIndex)
{
    const std::string path = dir.Write("t.wav", Wav(Sine(0.1, 440, 8000)));
    FSOUND_SAMPLE* a = FSOUND_Sample_Load(5, path.c_str(), 0, 0, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(FSOUND_Sample_Get(5), a);
    FSOUND_SAMPLE* b = FSOUND_Sample_Load(5, path.c_str(), 0, 0, 0);   // replaces the first
    EXPECT_EQ(FSOUND_Sample_Get(5), b);
    EXPECT_EQ(FSOUND_Sample_GetLength(a), 0u);
    FSOUND_SAMPLE* c = FSOUND_Sample_Load(FSOUND_FREE, path.c_str(), 0, 0, 0);
    EXPECT_EQ(FSOUND_Sample_Get(0), c);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_GetMaxSamples(), path.c_str(), 0, 0, 0), nullptr);
}

TEST_F(SoundLibrary, ChannelHandlesReferToOneStartOnly)
{
    EXPECT_FALSE(FSOUND_IsPlaying(-1));
    FSOUND_SAMPLE* sample = LoadTone(0.15);
    ASSERT_NE(sample, nullptr);
    const int first = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(first, 0);
    EXPECT_TRUE(FSOUND_IsPlaying(first));
    EXPECT_EQ(FSOUND_GetCurrentSample(first), sample);
    ASSERT_GT(WaitFor([&] { return !FSOUND_IsPlaying(first); }, 2.0), 0.0);
    // The same mixer channel plays the next start under a new handle; the old
    // handle does not see it.
    const int second = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(second, 0);
    EXPECT_EQ(second & 0xfff, first & 0xfff);
    EXPECT_NE(second, first);
    EXPECT_TRUE(FSOUND_IsPlaying(second));
    EXPECT_FALSE(FSOUND_IsPlaying(first));
    EXPECT_FALSE(FSOUND_StopSound(first));
    EXPECT_TRUE(FSOUND_IsPlaying(second));
    // The plain channel index refers to whatever plays there.
    EXPECT_TRUE(FSOUND_IsPlaying(second & 0xfff));
    EXPECT_TRUE(FSOUND_StopSound(second));
    EXPECT_FALSE(FSOUND_IsPlaying(second));
}

TEST_F(SoundLibrary, OneShotEndsAfterItsRealDurationAndLoopGoesOnUntilStopped)
{
    FSOUND_SAMPLE* once = LoadTone(0.25);
    ASSERT_NE(once, nullptr);
    const int channel = FSOUND_PlaySound(FSOUND_FREE, once);
    const double ended = WaitFor([&] { return !FSOUND_IsPlaying(channel); }, 3.0);
    EXPECT_GT(ended, 0.2);   // plays in real time even without a device
    EXPECT_LT(ended, 1.5);

    FSOUND_SAMPLE* loop = LoadTone(0.1);
    ASSERT_TRUE(FSOUND_Sample_SetMode(loop, FSOUND_LOOP_NORMAL));
    const int looping = FSOUND_PlaySound(FSOUND_FREE, loop);
    EXPECT_EQ(FSOUND_GetLoopMode(looping), FSOUND_LOOP_NORMAL);
    Sleep(0.4);
    EXPECT_TRUE(FSOUND_IsPlaying(looping));
    EXPECT_LT(FSOUND_GetCurrentPosition(looping), 4410u);   // wrapped into one pass
    EXPECT_TRUE(FSOUND_StopSound(looping));
    EXPECT_FALSE(FSOUND_IsPlaying(looping));
}

TEST_F(SoundLibrary, ChannelSettingsAndPause)
{
    FSOUND_SAMPLE* sample = LoadTone(0.4);
    const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, sample, nullptr, 1);
    ASSERT_GE(channel, 0);
    EXPECT_TRUE(FSOUND_GetPaused(channel));
    EXPECT_TRUE(FSOUND_IsPlaying(channel));
    Sleep(0.15);
    EXPECT_EQ(FSOUND_GetCurrentPosition(channel), 0u);   // a paused sound does not advance
    EXPECT_TRUE(FSOUND_SetVolume(channel, 300));   // clamped
    EXPECT_EQ(FSOUND_GetVolume(channel), 255);
    EXPECT_TRUE(FSOUND_SetVolume(channel, 77));
    EXPECT_EQ(FSOUND_GetVolume(channel), 77);
    EXPECT_TRUE(FSOUND_SetPan(channel, 10));
    EXPECT_EQ(FSOUND_GetPan(channel), 10);
    EXPECT_FALSE(FSOUND_SetPan(channel, 256));
    EXPECT_TRUE(FSOUND_SetMute(channel, 1));
    EXPECT_TRUE(FSOUND_GetMute(channel));
    EXPECT_TRUE(FSOUND_SetPriority(channel, 200));
    EXPECT_EQ(FSOUND_GetPriority(channel), 200);
    EXPECT_EQ(FSOUND_GetFrequency(channel), kRate);
    EXPECT_TRUE(FSOUND_SetPaused(channel, 0));
    EXPECT_GT(WaitFor([&] { return FSOUND_GetCurrentPosition(channel) > 0; }, 1.0), 0.0);
    // Plays to its end once resumed.
    EXPECT_GT(WaitFor([&] { return !FSOUND_IsPlaying(channel); }, 2.0), 0.0);
}

TEST_F(SoundLibrary, ReservedChannelsAreNotHandedOutAndAllChannelsCanBeUsedUp)
{
    ASSERT_TRUE(FSOUND_SetReserved(0, 1));
    FSOUND_SAMPLE* sample = LoadTone(0.5, FSOUND_LOOP_NORMAL);
    std::vector<int> channels;
    for (int i = 0; i < 31; ++i) channels.push_back(FSOUND_PlaySound(FSOUND_FREE, sample));
    for (int c : channels) {
        ASSERT_GE(c, 0);
        EXPECT_NE(c & 0xfff, 0);
    }
    EXPECT_EQ(FSOUND_GetChannelsPlaying(), 31);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_CHANNEL_ALLOC);
    // A given channel can still be used.
    EXPECT_GE(FSOUND_PlaySound(0, sample), 0);
    EXPECT_TRUE(FSOUND_StopSound(FSOUND_ALL));
    EXPECT_EQ(FSOUND_GetChannelsPlaying(), 0);
}

TEST_F(SoundLibrary, FreeingAPlayingSampleStopsItsChannels)
{
    FSOUND_SAMPLE* sample = LoadTone(0.5, FSOUND_LOOP_NORMAL);
    const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_TRUE(FSOUND_IsPlaying(channel));
    FSOUND_Sample_Free(sample);
    EXPECT_FALSE(FSOUND_IsPlaying(channel));
    EXPECT_EQ(FSOUND_GetCurrentSample(channel), nullptr);
    EXPECT_EQ(FSOUND_PlaySound(FSOUND_FREE, sample), -1);
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_INVALID_PARAM);
    // Made-up handles are refused, never followed.
    EXPECT_EQ(FSOUND_Sample_GetLength(reinterpret_cast<FSOUND_SAMPLE*>(uintptr_t{0xdeadbeef})), 0u);
    EXPECT_FALSE(FSOUND_IsPlaying(0x7ffff000));
}

TEST_F(SoundLibrary, SamplesMadeInMemoryThroughLockAndUnlock)
{
    FSOUND_SAMPLE* sample = FSOUND_Sample_Alloc(FSOUND_UNMANAGED, 2205, FSOUND_8BITS | FSOUND_MONO | FSOUND_SIGNED,
                                                22050, 200, 128, 128);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), 2205u);
    void *p1 = nullptr, *p2 = nullptr;
    unsigned l1 = 0, l2 = 0;
    ASSERT_TRUE(FSOUND_Sample_Lock(sample, 0, 2205, &p1, &p2, &l1, &l2));
    EXPECT_EQ(l1, 2205u);
    EXPECT_EQ(p2, nullptr);
    for (unsigned i = 0; i < l1; ++i) static_cast<int8_t*>(p1)[i] = (i / 25) % 2 ? 100 : -100;
    ASSERT_TRUE(FSOUND_Sample_Unlock(sample, p1, p2, l1, l2));
    EXPECT_FALSE(FSOUND_Sample_Lock(sample, 2000, 300, &p1, &p2, &l1, &l2));   // past the end
    const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    EXPECT_EQ(FSOUND_GetVolume(channel), 200);   // the sample's default volume
    EXPECT_GT(WaitFor([&] { return FSOUND_GetAmplitude(channel) > 0; }, 1.0), 0.0);
}

TEST_F(SoundLibrary, UserFileCallbacksReadTheFile)
{
    static std::vector<uint8_t> file;
    static size_t pos;
    static std::string opened;
    file = Wav(Sine(0.1, 440, 8000));
    FSOUND_File_SetCallbacks(
        [](const char* name) -> void* {
            opened = name;
            pos = 0;
            return &file;
        },
        [](void*) {},
        [](void* buffer, int size, void*) {
            const int n = std::min(size, static_cast<int>(file.size() - pos));
            std::memcpy(buffer, file.data() + pos, static_cast<size_t>(n));
            pos += static_cast<size_t>(n);
            return n;
        },
        [](void*, int offset, signed char whence) {
            pos = whence == SEEK_END ? file.size() + offset : whence == SEEK_CUR ? pos + offset : static_cast<size_t>(offset);
            return 0;
        },
        [](void*) { return static_cast<int>(pos); });
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_UNMANAGED, "virtual.wav", 0, 0, 0);
    FSOUND_File_SetCallbacks(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(opened, "virtual.wav");
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(FSOUND_Sample_GetLength(sample), 4410u);
}

TEST_F(SoundLibrary, StreamsPlayWholeFiles)
{
    FSOUND_STREAM* stream = FSOUND_Stream_Open(dir.Write("s.mp3", Mp3(Sine(0.3, 440, 8000))).c_str(), 0, 0, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(FSOUND_Stream_GetOpenState(stream), 0);
    EXPECT_NEAR(FSOUND_Stream_GetLengthMs(stream), 300, 30);
    const int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
    EXPECT_TRUE(FSOUND_IsPlaying(channel));
    EXPECT_TRUE(FSOUND_Stream_Stop(stream));
    EXPECT_FALSE(FSOUND_IsPlaying(channel));
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
    EXPECT_FALSE(FSOUND_Stream_Close(stream));
    EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
}

TEST_F(SoundLibrary, UnsupportedCallsFailWithTheirOwnError)
{
    const auto unsupported = [](bool failed) { return failed && FSOUND_GetError() == QRNSOUND_ERR_UNSUPPORTED; };
    EXPECT_TRUE(unsupported(FSOUND_FX_Enable(0, 1) == -1));
    EXPECT_TRUE(unsupported(!FSOUND_CD_Play('d', 1)));
    EXPECT_TRUE(unsupported(FSOUND_DSP_Create(nullptr, 0, nullptr) == nullptr));
    EXPECT_TRUE(unsupported(!FSOUND_Reverb_SetProperties(nullptr)));
    EXPECT_TRUE(unsupported(!FSOUND_3D_SetAttributes(0, nullptr, nullptr)));
    EXPECT_TRUE(unsupported(FSOUND_Stream_Create(nullptr, 0, 0, 0, nullptr) == nullptr));
    EXPECT_TRUE(unsupported(!FSOUND_Record_StartSample(nullptr, 0)));
    EXPECT_TRUE(unsupported(FMUSIC_GetNumOrders(nullptr) == -1));
    FSOUND_SAMPLE* sample = LoadTone(0.1);
    EXPECT_TRUE(unsupported(!FSOUND_Sample_SetMode(sample, FSOUND_LOOP_BIDI)));
    EXPECT_TRUE(unsupported(!FSOUND_Sample_SetLoopPoints(sample, 10, 100)));
    EXPECT_TRUE(FSOUND_Sample_SetLoopPoints(sample, 0, 4409));
}

TEST_F(SoundLibrary, SongsRejectSampledSound)
{
    EXPECT_EQ(FMUSIC_LoadSong(dir.Write("not-a-song.wav", Wav(Sine(0.1, 440, 8000))).c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), QRNSOUND_ERR_FILE_FORMAT);
    EXPECT_FALSE(FMUSIC_PlaySong(nullptr));
}

TEST(SoundLibraryWithoutDevice, KeepsWorkingSilentlyInRealTime)
{
    // A driver that does not exist stands for a machine without sound.
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    TempDir dir;
    ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_DSOUND));
    ASSERT_TRUE(FSOUND_Init(kRate, 32, 1));
    EXPECT_EQ(FSOUND_GetOutput(), FSOUND_OUTPUT_NOSOUND);
    FSOUND_SAMPLE* sample =
        FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write("t.wav", Wav(Sine(0.3, 440, 8000))).c_str(), 0x2130, 0, 0);
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write("r.wav", RandomBytes(300, 3)).c_str(), 0x2130, 0, 0),
              nullptr);
    const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    ASSERT_GE(channel, 0);
    EXPECT_TRUE(FSOUND_IsPlaying(channel));
    const double ended = WaitFor([&] { return !FSOUND_IsPlaying(channel); }, 3.0);
    EXPECT_GT(ended, 0.25);
    EXPECT_LT(ended, 1.5);
    FSOUND_Close();
    FSOUND_SetOutput(-1);
}

}  // namespace
