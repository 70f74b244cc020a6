// The run-time binding of the sound library: table order, exported names,
// all-or-nothing loading, and where the library is looked for.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <filesystem>

#include "Sound.h"
#include "sound/SoundLibrary.h"
#include "sound_test_support.h"

using namespace qrnsu;
using namespace soundtest;

namespace {

std::string BinFolder()
{
    return std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
}

size_t SlotOffset(size_t slot) { return sizeof(HMODULE) + slot * sizeof(void (*)()); }

TEST(SoundBinding, TableFollowsTheInterleavedOrder)
{
    const std::pair<size_t, const char*> slots[] = {
        {0, "FSOUND_SetOutput"},        {13, "FSOUND_SetPanSeperation"},     {14, "FSOUND_File_SetCallbacks"},
        {15, "FSOUND_GetError"},        {31, "FSOUND_GetMemoryStats"},       {32, "FSOUND_Sample_Load"},
        {51, "FSOUND_Sample_GetMinMaxDistance"}, {52, "FSOUND_PlaySound"},   {65, "FSOUND_SetCurrentPosition"},
        {66, "FSOUND_3D_SetAttributes"}, {67, "FSOUND_3D_SetMinMaxDistance"}, {68, "FSOUND_IsPlaying"},
        {83, "FSOUND_GetSubChannel"},   {84, "FSOUND_3D_GetAttributes"},     {91, "FSOUND_3D_Listener_GetAttributes"},
        {92, "FSOUND_FX_Enable"},       {103, "FSOUND_Stream_SetBufferSize"}, {141, "FSOUND_Stream_Net_GetStatus"},
        {142, "FSOUND_CD_Play"},        {155, "FSOUND_DSP_Create"},          {171, "FSOUND_Reverb_SetProperties"},
        {175, "FSOUND_Record_SetDriver"}, {182, "FMUSIC_LoadSong"},          {224, "FMUSIC_GetUserData"},
    };
    for (const auto& [slot, name] : slots) EXPECT_STREQ(kSoundFunctionNames[slot], name) << slot;
    // The record's pointers sit in the same order after the module handle.
    EXPECT_EQ(offsetof(SSoundLibrary, FSOUND_SetOutput), SlotOffset(0));
    EXPECT_EQ(offsetof(SSoundLibrary, FSOUND_File_SetCallbacks), SlotOffset(14));
    EXPECT_EQ(offsetof(SSoundLibrary, FSOUND_IsPlaying), SlotOffset(68));
    EXPECT_EQ(offsetof(SSoundLibrary, FSOUND_3D_GetAttributes), SlotOffset(84));
    EXPECT_EQ(offsetof(SSoundLibrary, FMUSIC_GetUserData), SlotOffset(224));
}

TEST(SoundBinding, DecoratedNamesCarryTheArgumentBytesOfTheSignatures)
{
    const auto decorated = [](const char* name) {
        for (size_t i = 0; i < kSoundFunctionCount; ++i)
            if (std::string(kSoundFunctionNames[i]) == name)
                return DecoratedName(name, kSoundFunctionArgumentBytes[i]);
        return std::string("?");
    };
    EXPECT_EQ(decorated("FSOUND_Init"), "_FSOUND_Init@12");
    EXPECT_EQ(decorated("FSOUND_Close"), "_FSOUND_Close@0");
    EXPECT_EQ(decorated("FSOUND_Sample_Load"), "_FSOUND_Sample_Load@20");
    EXPECT_EQ(decorated("FSOUND_PlaySoundEx"), "_FSOUND_PlaySoundEx@16");
    EXPECT_EQ(decorated("FSOUND_SetPanSeperation"), "_FSOUND_SetPanSeperation@4");
    EXPECT_EQ(decorated("FSOUND_CD_Play"), "_FSOUND_CD_Play@8");
    EXPECT_EQ(decorated("FSOUND_3D_Listener_SetAttributes"), "_FSOUND_3D_Listener_SetAttributes@32");
    EXPECT_EQ(decorated("FSOUND_FX_SetI3DL2Reverb"), "_FSOUND_FX_SetI3DL2Reverb@52");
    EXPECT_EQ(decorated("FMUSIC_LoadSongEx"), "_FMUSIC_LoadSongEx@24");
    // This platform does not decorate.
    EXPECT_EQ(ExportedName(8), "FSOUND_Init");
}

TEST(SoundBinding, LoadsEveryFunctionOfOurLibrary)
{
    SSoundLibrary* library = LoadSoundLibrary(SoundLibraryPath().c_str());
    ASSERT_NE(library, nullptr);
    EXPECT_NE(library->hModule, nullptr);
    const auto* bytes = reinterpret_cast<const unsigned char*>(library);
    int resolved = 0;
    for (size_t slot = 0; slot < kSoundFunctionCount; ++slot) {
        void* pointer = nullptr;
        std::memcpy(&pointer, bytes + SlotOffset(slot), sizeof(pointer));
        resolved += pointer != nullptr;
    }
    EXPECT_EQ(resolved, 225);
    EXPECT_FLOAT_EQ(library->FSOUND_GetVersion(), QRNSOUND_VERSION);
    EXPECT_EQ(library->FSOUND_GetSubChannel(-1, 0), -1);
    FreeSoundLibrary(library);
    FreeSoundLibrary(nullptr);
}

TEST(SoundBinding, ALibraryLackingOneFunctionIsRejectedWholeAndReleased)
{
    const std::string path = BinFolder() + "libqrnsound_missing_one.so";
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(LoadSoundLibrary(path.c_str()), nullptr);
    // The module was loaded, found wanting and unloaded again.
    EXPECT_EQ(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);

    TempDir dir;
    EXPECT_EQ(LoadSoundLibrary(dir.File("absent.so").c_str()), nullptr);
    EXPECT_EQ(LoadSoundLibrary(dir.Write("not-a-library.so", Wav(Sine(0.1, 440, 1000))).c_str()), nullptr);
    EXPECT_EQ(LoadSoundLibrary(""), nullptr);
    EXPECT_EQ(LoadSoundLibrary(nullptr), nullptr);
}

TEST(SoundBinding, TheLibraryIsFoundBesideTheEngineNotInTheWorkingDirectory)
{
    // Linked statically, the engine lives in this test program.
    EXPECT_EQ(EngineFolder(), BinFolder());
    EXPECT_EQ(SoundLibraryPath(), BinFolder() + QRNSOUND_LIBRARY_FILE);

    // A library planted in the working directory under the library's name is
    // never loaded: the sound still plays through the real one.
    TempDir dir;
    const std::string incomplete = BinFolder() + "libqrnsound_missing_one.so";
    std::filesystem::copy_file(incomplete, dir.File(QRNSOUND_LIBRARY_FILE));
    const std::string tone = dir.Write("tone.wav", Wav(Sine(0.2, 440, 8000)));
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof(previous)), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    {
        EXPECT_EQ(SoundLibraryPath(), BinFolder() + QRNSOUND_LIBRARY_FILE);
        ISound sound;
        EXPECT_TRUE(sound.SetData("tone.wav", false));
        sound.Play(100);
        EXPECT_TRUE(sound.IsPlaying());
    }
    ASSERT_EQ(chdir(previous), 0);
}

}  // namespace
