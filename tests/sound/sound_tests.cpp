// Sound objects: loading, playing, stopping and polling through the loaded
// library, with the dummy driver and with the disk driver capturing the mix.
#include <gtest/gtest.h>

#include <memory>

#include "Sound.h"
#include "sound/SoundImpl.h"
#include "sound_test_support.h"

using namespace qrnsu;
using namespace soundtest;

namespace {

class SoundObject : public ::testing::Test {
protected:
    std::string Tone(double seconds, int amplitude = 12000)
    {
        return dir.Write("tone" + std::to_string(count++) + ".wav", Wav(Sine(seconds, 440, amplitude)));
    }
    TempDir dir;
    int count = 0;
};

TEST_F(SoundObject, DoesNothingBeforeSetData)
{
    ISound sound;
    sound.Play(100);
    sound.Stop();
    EXPECT_FALSE(sound.IsPlaying());
}

TEST_F(SoundObject, PlayTwiceStartsOnceAndKeepsTheFirstVolume)
{
    CSound sound;
    ASSERT_TRUE(sound.SetData(Tone(0.5).c_str(), false));
    sound.Play(100);
    const int channel = sound.Channel();
    ASSERT_NE(channel, -1);
    EXPECT_TRUE(sound.IsPlaying());
    sound.Play(200);
    EXPECT_EQ(sound.Channel(), channel);
    EXPECT_EQ(sound.Library()->FSOUND_GetVolume(channel), 100);
    EXPECT_EQ(sound.Library()->FSOUND_GetChannelsPlaying(), 1);
}

TEST_F(SoundObject, OneShotEndsAfterItsDurationAndPlaysAgain)
{
    CSound sound;
    ASSERT_TRUE(sound.SetData(Tone(0.2).c_str(), false));
    sound.Play(255);
    const int channel = sound.Channel();
    EXPECT_TRUE(sound.IsPlaying());
    const double ended = WaitFor([&] { return !sound.IsPlaying(); }, 3.0);
    EXPECT_GT(ended, 0.15);
    EXPECT_LT(ended, 1.5);
    // Stopping a sound that has ended keeps its channel number.
    sound.Stop();
    EXPECT_EQ(sound.Channel(), channel);
    sound.Play(255);
    EXPECT_TRUE(sound.IsPlaying());
    EXPECT_NE(sound.Channel(), channel);
}

TEST_F(SoundObject, EndedSoundStartsAgainAfterAnotherTookItsChannel)
{
    CSound shot, other;
    ASSERT_TRUE(shot.SetData(Tone(0.1).c_str(), false));
    ASSERT_TRUE(other.SetData(Tone(0.5).c_str(), true));
    shot.Play(255);
    ASSERT_GT(WaitFor([&] { return !shot.IsPlaying(); }, 2.0), 0.0);
    other.Play(255);
    // The other sound now plays on the mixer channel the shot had; the shot's
    // old channel number must not report it.
    EXPECT_EQ(other.Channel() & 0xfff, shot.Channel() & 0xfff);
    EXPECT_FALSE(shot.IsPlaying());
    shot.Play(255);
    EXPECT_TRUE(shot.IsPlaying());
    EXPECT_EQ(shot.Library()->FSOUND_GetChannelsPlaying(), 2);
}

TEST_F(SoundObject, LoopingSoundPlaysUntilStopped)
{
    CSound sound;
    ASSERT_TRUE(sound.SetData(Tone(0.1).c_str(), true));
    sound.Play(255);
    Sleep(0.4);
    EXPECT_TRUE(sound.IsPlaying());
    sound.Stop();
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_EQ(sound.Channel(), -1);
    sound.Play(255);
    EXPECT_TRUE(sound.IsPlaying());
}

TEST_F(SoundObject, DestroyingOneSilencesAndInvalidatesTheOthers)
{
    auto first = std::make_unique<ISound>();
    ISound second, third;
    ASSERT_TRUE(first->SetData(Tone(0.2).c_str(), true));
    ASSERT_TRUE(second.SetData(Tone(0.2).c_str(), true));
    ASSERT_TRUE(third.SetData(Tone(0.2).c_str(), false));
    first->Play(255);
    second.Play(255);
    EXPECT_TRUE(second.IsPlaying());
    first.reset();
    EXPECT_FALSE(second.IsPlaying());
    second.Play(255);   // the library is shut down: silent, no crash
    EXPECT_FALSE(second.IsPlaying());
    second.Stop();
    third.Play(10);
    EXPECT_FALSE(third.IsPlaying());

    // A sound object made afterwards starts the library afresh.
    ISound fourth;
    ASSERT_TRUE(fourth.SetData(Tone(0.3).c_str(), false));
    fourth.Play(255);
    EXPECT_TRUE(fourth.IsPlaying());
}

TEST_F(SoundObject, WithoutTheLibrarySetDataFailsAndPlayIsSilent)
{
    for (const std::string& path : {dir.File(QRNSOUND_LIBRARY_FILE),
                                    std::filesystem::canonical("/proc/self/exe").parent_path().string() +
                                        "/libqrnsound_missing_one.so"}) {
        SCOPED_TRACE(path);
        CSound sound(path);
        EXPECT_FALSE(sound.SetData(Tone(0.2).c_str(), false));
        EXPECT_EQ(sound.Library(), nullptr);
        sound.Play(255);
        EXPECT_FALSE(sound.IsPlaying());
        EXPECT_EQ(sound.Channel(), -1);
        sound.Stop();
    }
}

TEST_F(SoundObject, BadFilesGiveFalseAndStaySilent)
{
    const std::vector<uint8_t> wav = Wav(Sine(0.3, 440, 8000));
    const std::vector<uint8_t> mp3 = Mp3(Sine(0.5, 440, 8000));
    const std::string files[] = {
        dir.File("missing.wav"),
        dir.Write("empty.wav", {}),
        dir.Write("empty.mp3", {}),
        dir.Write("truncated.wav", std::vector<uint8_t>(wav.begin(), wav.begin() + 1000)),
        dir.Write("truncated.mp3", std::vector<uint8_t>(mp3.begin(), mp3.begin() + static_cast<long>(mp3.size() / 3))),
        dir.Write("random.wav", RandomBytes(4000, 7)),
        dir.Write("random.mp3", RandomBytes(4000, 8)),
        dir.path,
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        ISound sound;
        EXPECT_FALSE(sound.SetData(file.c_str(), false));
        sound.Play(255);
        EXPECT_FALSE(sound.IsPlaying());
        sound.Stop();
    }
    ISound last;
    EXPECT_FALSE(last.SetData(nullptr, false));
}

TEST_F(SoundObject, SecondSetDataReplacesTheSound)
{
    CSound sound;
    ASSERT_TRUE(sound.SetData(Tone(0.1).c_str(), true));
    sound.Play(255);
    const SSoundLibrary* library = sound.Library();
    ASSERT_TRUE(sound.SetData(Tone(0.2).c_str(), false));
    EXPECT_EQ(sound.Library(), library);
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_EQ(library->FSOUND_GetChannelsPlaying(), 0);
    sound.Play(255);
    EXPECT_GT(WaitFor([&] { return !sound.IsPlaying(); }, 2.0), 0.1);   // no longer loops
    EXPECT_FALSE(sound.SetData(dir.File("missing.wav").c_str(), false));
    sound.Play(255);
    EXPECT_FALSE(sound.IsPlaying());
}

// Plays a file through a sound object with the disk driver and returns the
// mix: a one-shot until it ends, a loop until it is stopped after stopAfter
// seconds (then the output runs on for a while, to show the silence).
std::vector<int16_t> CaptureSound(const std::string& file, int volume, bool loop = false, double stopAfter = 0.0,
                                  double* played = nullptr)
{
    TempDir out;
    DiskOutput output(out);
    {
        ISound sound;
        EXPECT_TRUE(sound.SetData(file.c_str(), loop));
        const auto start = std::chrono::steady_clock::now();
        sound.Play(volume);
        if (loop) {
            Sleep(stopAfter);
            sound.Stop();
            if (played) *played = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            EXPECT_TRUE(output.WaitForFrames(6 * 2048));
        } else {
            EXPECT_GE(WaitFor([&] { return !sound.IsPlaying(); }, 5.0), 0.0);
        }
    }
    return output.Samples();
}

double MixerLevel(int volume) { return ((volume * 128 + 127) / 255) / 128.0; }

TEST_F(SoundObject, WavReachesTheOutputAtTheSetVolume)
{
    const std::string file = Tone(0.5, 16000);
    for (int volume : {255, 100}) {
        SCOPED_TRACE(volume);
        const auto mix = CaptureSound(file, volume);
        EXPECT_NEAR(Audible(mix).Seconds(), 0.5, 0.02);
        const double expected = 16000 / std::sqrt(2.0) * MixerLevel(volume);
        EXPECT_NEAR(SteadyRms(mix), expected, expected * 0.02);
    }
}

TEST_F(SoundObject, Mp3ReachesTheOutputAtTheSetVolume)
{
    const std::string file = dir.Write("tone.mp3", Mp3(Sine(0.5, 440, 16000)));
    const auto full = CaptureSound(file, 255);
    const auto part = CaptureSound(file, 100);
    EXPECT_NEAR(Audible(full).Seconds(), 0.5, 0.03);
    // The decoded tone keeps its level (the encoder takes off a few percent).
    const double source = 16000 / std::sqrt(2.0);
    EXPECT_NEAR(SteadyRms(full), source, source * 0.08);
    EXPECT_NEAR(SteadyRms(part) / SteadyRms(full), MixerLevel(100), 0.02);
}

TEST_F(SoundObject, StoppedSoundStops)
{
    double played = 0.0;
    const auto mix = CaptureSound(Tone(0.1), 255, true, 0.3, &played);
    const Span span = Audible(mix);
    ASSERT_FALSE(span.Empty());
    EXPECT_GT(span.Seconds(), 0.15);   // it looped past its 0.1 s
    EXPECT_LT(span.Seconds(), played + 0.1);
    EXPECT_GT(static_cast<double>(mix.size() / 2 - static_cast<size_t>(span.last)) / kRate, 0.1);
}

// A sound object left over after another one shut the library down must not
// call into it again: its destructor would otherwise shut down a library that
// a newer sound object has started since.
TEST_F(SoundObject, ALeftOverSoundDoesNotShutDownALaterStart)
{
    auto first = std::make_unique<ISound>();
    auto leftOver = std::make_unique<ISound>();
    ASSERT_TRUE(first->SetData(Tone(0.2).c_str(), false));
    ASSERT_TRUE(leftOver->SetData(Tone(0.2).c_str(), false));
    first.reset();  // shuts the library down for everyone

    ISound later;
    ASSERT_TRUE(later.SetData(Tone(2.0).c_str(), true));
    later.Play(100);
    ASSERT_TRUE(later.IsPlaying());
    leftOver.reset();
    EXPECT_TRUE(later.IsPlaying());
    later.Stop();
}

}  // namespace
