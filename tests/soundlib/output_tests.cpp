// What reaches the output: the mixed sound captured by SDL's disk driver.
#include <gtest/gtest.h>

#include "qrnsound.h"
#include "sound_test_support.h"

using namespace soundtest;

namespace {

// Starts the library on the disk driver, runs play, waits until nothing
// plays any more, shuts down and returns what was mixed.
std::vector<int16_t> Capture(const std::function<void(const TempDir&, const DiskOutput&)>& play)
{
    TempDir dir;
    DiskOutput output(dir);
    EXPECT_TRUE(FSOUND_Init(kRate, 32, 0));
    play(dir, output);
    EXPECT_GE(WaitFor([] { return FSOUND_GetChannelsPlaying() == 0; }, 5.0), 0.0);
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
            [volume](const TempDir& dir, const DiskOutput&) {
                // Started paused, so that all of it sounds at the new volume.
                const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, Tone(dir, 0.5, 16000), nullptr, 1);
                FSOUND_SetVolume(channel, volume);
                FSOUND_SetPaused(channel, 0);
            });
        const Span span = Audible(out);
        ASSERT_FALSE(span.Empty());
        EXPECT_NEAR(span.Seconds(), 0.5, 0.02);
        EXPECT_NEAR(SteadyRms(out), ExpectedRms(16000, volume), ExpectedRms(16000, volume) * 0.02);
    }
}

TEST(SoundOutput, MasterVolumePanAndMute)
{
    auto out = Capture(
        [](const TempDir& dir, const DiskOutput&) {
            FSOUND_SetSFXMasterVolume(128);
            const int channel = FSOUND_PlaySound(FSOUND_FREE, Tone(dir, 0.5, 16000));
            FSOUND_SetVolume(channel, 255);
        });
    FSOUND_SetSFXMasterVolume(255);
    EXPECT_NEAR(SteadyRms(out), ExpectedRms(16000, 128), 200.0);

    // Full left: the right channel is silent.
    out = Capture(
        [](const TempDir& dir, const DiskOutput&) {
            const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, Tone(dir, 0.5, 16000), nullptr, 1);
            FSOUND_SetPan(channel, 0);
            FSOUND_SetPaused(channel, 0);
        });
    const Span span = Audible(out);
    ASSERT_FALSE(span.Empty());
    int rightPeak = 0;
    for (long f = span.first + kRate / 10; f < span.last; ++f)
        rightPeak = std::max(rightPeak, std::abs(static_cast<int>(out[static_cast<size_t>(2 * f + 1)])));
    EXPECT_EQ(rightPeak, 0);
    EXPECT_NEAR(SteadyRms(out), ExpectedRms(16000, 255), 200.0);

    out = Capture(
        [](const TempDir& dir, const DiskOutput&) {
            const int channel = FSOUND_PlaySoundEx(FSOUND_FREE, Tone(dir, 0.5, 16000), nullptr, 1);
            FSOUND_SetMute(channel, 1);
            FSOUND_SetPaused(channel, 0);
        });
    EXPECT_TRUE(Audible(out, 0).Empty());
}

TEST(SoundOutput, StoppedLoopFallsSilent)
{
    double played = 0.0;
    const auto out = Capture([&played](const TempDir& dir, const DiskOutput& output) {
        FSOUND_SAMPLE* sample = Tone(dir, 0.1, 12000);
        FSOUND_Sample_SetMode(sample, FSOUND_LOOP_NORMAL);
        const auto start = std::chrono::steady_clock::now();
        const int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
        Sleep(0.35);
        FSOUND_StopSound(channel);
        played = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // Let the output run on for a while after the stop.
        EXPECT_TRUE(output.WaitForFrames(6 * 2048));
    });
    const Span span = Audible(out);
    ASSERT_FALSE(span.Empty());
    // It looped past one pass of 0.1 s, never longer than it was left playing,
    // and the output after the stop is silent.
    EXPECT_GT(span.Seconds(), 0.15);
    EXPECT_LT(span.Seconds(), played + 0.1);
    EXPECT_GT(static_cast<double>(out.size() / 2 - static_cast<size_t>(span.last)) / kRate, 0.1);
}

}  // namespace
