// What reaches the output: the mixed sound captured by SDL's disk driver.
#include <gtest/gtest.h>

#include "qrnsound.h"
#include "sound_test_support.h"

using namespace soundtest;

namespace {

// Starts the library on the disk driver, runs play, lets it sound for the
// given time, shuts down and returns what was mixed.
std::vector<int16_t> Capture(const std::function<void(const TempDir&)>& play, double seconds)
{
    TempDir dir;
    DiskOutput output(dir);
    EXPECT_TRUE(FSOUND_Init(kRate, 32, 0));
    play(dir);
    Sleep(seconds);
    FSOUND_Close();
    return output.Samples();
}

FSOUND_SAMPLE* Tone(const TempDir& dir, double seconds, int amplitude)
{
    return FSOUND_Sample_Load(FSOUND_UNMANAGED, dir.Write("tone.wav", Wav(Sine(seconds, 440, amplitude))).c_str(),
                              0x2130, 0, 0);
}

// Expected RMS of a sine of the given amplitude at a volume of 0 ... 255.
double ExpectedRms(int amplitude, int volume)
{
    const int mixerVolume = (volume * 128 + 127) / 255;
    return amplitude * mixerVolume / 128.0 / std::sqrt(2.0);
}

TEST(SoundOutput, VolumeScalesTheMixedSignal)
{
    for (int volume : {255, 128, 40}) {
        SCOPED_TRACE(volume);
        const auto out = Capture(
            [volume](const TempDir& dir) {
                const int channel = FSOUND_PlaySound(FSOUND_FREE, Tone(dir, 0.5, 16000));
                FSOUND_SetVolume(channel, volume);
            },
            0.6);
        const Span span = Audible(out);
        ASSERT_FALSE(span.Empty());
        EXPECT_NEAR(span.Seconds(), 0.5, 0.02);
        EXPECT_NEAR(SteadyRms(out), ExpectedRms(16000, volume), ExpectedRms(16000, volume) * 0.02);
    }
}

TEST(SoundOutput, MasterVolumePanAndMute)
{
    auto out = Capture(
        [](const TempDir& dir) {
            FSOUND_SetSFXMasterVolume(128);
            const int channel = FSOUND_PlaySound(FSOUND_FREE, Tone(dir, 0.5, 16000));
            FSOUND_SetVolume(channel, 255);
        },
        0.6);
    FSOUND_SetSFXMasterVolume(255);
    EXPECT_NEAR(SteadyRms(out), ExpectedRms(16000, 128), 200.0);

    // Full left: the right channel is silent.
    out = Capture(
        [](const TempDir& dir) {
            const int channel = FSOUND_PlaySound(FSOUND_FREE, Tone(dir, 0.5, 16000));
            FSOUND_SetPan(channel, 0);
        },
        0.6);
    const Span span = Audible(out);
    ASSERT_FALSE(span.Empty());
    int rightPeak = 0;
    for (long f = span.first + kRate / 10; f < span.last; ++f)
        rightPeak = std::max(rightPeak, std::abs(static_cast<int>(out[static_cast<size_t>(2 * f + 1)])));
    EXPECT_EQ(rightPeak, 0);
    EXPECT_NEAR(SteadyRms(out), ExpectedRms(16000, 255), 200.0);

    out = Capture(
        [](const TempDir& dir) {
            const int channel = FSOUND_PlaySound(FSOUND_FREE, Tone(dir, 0.5, 16000));
            FSOUND_SetMute(channel, 1);
        },
        0.6);
    // At most the first mixing step before the mute can be heard.
    EXPECT_LT(Audible(out).Seconds(), 0.1);
}

TEST(SoundOutput, StoppedLoopFallsSilent)
{
    const auto out = Capture(
        [](const TempDir& dir) {
            FSOUND_SAMPLE* sample = Tone(dir, 0.1, 12000);
            FSOUND_Sample_SetMode(sample, FSOUND_LOOP_NORMAL);
            const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
            Sleep(0.35);
            FSOUND_StopSound(channel);
        },
        0.3);
    const Span span = Audible(out);
    ASSERT_FALSE(span.Empty());
    // It looped well past one pass of 0.1 s, then stopped for good.
    EXPECT_GT(span.Seconds(), 0.25);
    EXPECT_LT(span.Seconds(), 0.5);
    EXPECT_GT(static_cast<double>(out.size() / 2 - static_cast<size_t>(span.last)) / kRate, 0.15);
}

}  // namespace
