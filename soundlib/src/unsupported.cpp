// The parts of the interface that the SDL mixer has no counterpart for: 3D
// sound, effects, CD audio, DSP units, environmental reverb and recording.
// Each call fails with QRNSOUND_ERR_UNSUPPORTED (functions without a result
// record it for FSOUND_GetError).
#include "internal.h"

using namespace qrs;

namespace {

constexpr int kUnsupported = QRNSOUND_ERR_UNSUPPORTED;

void Unsupported() { S().error = kUnsupported; }

}  // namespace

extern "C" {

// ---- 3D sound -------------------------------------------------------------------
signed char FSOUND_3D_SetAttributes(int, const float*, const float*) { return Fail(kUnsupported); }
signed char FSOUND_3D_SetMinMaxDistance(int, float, float) { return Fail(kUnsupported); }
signed char FSOUND_3D_GetAttributes(int, float*, float*) { return Fail(kUnsupported); }
signed char FSOUND_3D_GetMinMaxDistance(int, float*, float*) { return Fail(kUnsupported); }
void FSOUND_3D_SetDopplerFactor(float) { Unsupported(); }
void FSOUND_3D_SetDistanceFactor(float) { Unsupported(); }
void FSOUND_3D_SetRolloffFactor(float) { Unsupported(); }
void FSOUND_3D_Listener_SetCurrent(int, int) { Unsupported(); }
void FSOUND_3D_Listener_SetAttributes(const float*, const float*, float, float, float, float, float, float) { Unsupported(); }
void FSOUND_3D_Listener_GetAttributes(float*, float*, float*, float*, float*, float*, float*, float*) { Unsupported(); }

// ---- effects ------------------------------------------------------------------------
int FSOUND_FX_Enable(int, unsigned int) { return Fail<int>(kUnsupported, -1); }
signed char FSOUND_FX_Disable(int) { return Fail(kUnsupported); }
signed char FSOUND_FX_SetChorus(int, float, float, float, float, int, float, int) { return Fail(kUnsupported); }
signed char FSOUND_FX_SetCompressor(int, float, float, float, float, float, float) { return Fail(kUnsupported); }
signed char FSOUND_FX_SetDistortion(int, float, float, float, float, float) { return Fail(kUnsupported); }
signed char FSOUND_FX_SetEcho(int, float, float, float, float, int) { return Fail(kUnsupported); }
signed char FSOUND_FX_SetFlanger(int, float, float, float, float, int, float, int) { return Fail(kUnsupported); }
signed char FSOUND_FX_SetGargle(int, int, int) { return Fail(kUnsupported); }
signed char FSOUND_FX_SetI3DL2Reverb(int, int, int, float, float, float, int, float, int, float, float, float, float)
{
    return Fail(kUnsupported);
}
signed char FSOUND_FX_SetParamEQ(int, float, float, float) { return Fail(kUnsupported); }
signed char FSOUND_FX_SetWavesReverb(int, float, float, float, float) { return Fail(kUnsupported); }

// ---- CD audio ---------------------------------------------------------------------------
signed char FSOUND_CD_Play(char, int) { return Fail(kUnsupported); }
void FSOUND_CD_SetPlayMode(char, signed char) { Unsupported(); }
signed char FSOUND_CD_Stop(char) { return Fail(kUnsupported); }
signed char FSOUND_CD_SetPaused(char, signed char) { return Fail(kUnsupported); }
signed char FSOUND_CD_SetVolume(char, int) { return Fail(kUnsupported); }
signed char FSOUND_CD_SetTrackTime(char, unsigned int) { return Fail(kUnsupported); }
signed char FSOUND_CD_OpenTray(char, signed char) { return Fail(kUnsupported); }
signed char FSOUND_CD_GetPaused(char) { return Fail(kUnsupported); }
int FSOUND_CD_GetTrack(char) { return Fail<int>(kUnsupported, 0); }
int FSOUND_CD_GetNumTracks(char) { return Fail<int>(kUnsupported, 0); }
int FSOUND_CD_GetVolume(char) { return Fail<int>(kUnsupported, -1); }
int FSOUND_CD_GetTrackLength(char, int) { return Fail<int>(kUnsupported, 0); }
int FSOUND_CD_GetTrackTime(char) { return Fail<int>(kUnsupported, 0); }

// ---- DSP units --------------------------------------------------------------------------
FSOUND_DSPUNIT* FSOUND_DSP_Create(FSOUND_DSPCALLBACK, int, void*) { return Fail<FSOUND_DSPUNIT*>(kUnsupported, nullptr); }
void FSOUND_DSP_Free(FSOUND_DSPUNIT*) { Unsupported(); }
void FSOUND_DSP_SetPriority(FSOUND_DSPUNIT*, int) { Unsupported(); }
int FSOUND_DSP_GetPriority(FSOUND_DSPUNIT*) { return Fail<int>(kUnsupported, -1); }
void FSOUND_DSP_SetActive(FSOUND_DSPUNIT*, signed char) { Unsupported(); }
signed char FSOUND_DSP_GetActive(FSOUND_DSPUNIT*) { return Fail(kUnsupported); }
FSOUND_DSPUNIT* FSOUND_DSP_GetClearUnit(void) { return Fail<FSOUND_DSPUNIT*>(kUnsupported, nullptr); }
FSOUND_DSPUNIT* FSOUND_DSP_GetSFXUnit(void) { return Fail<FSOUND_DSPUNIT*>(kUnsupported, nullptr); }
FSOUND_DSPUNIT* FSOUND_DSP_GetMusicUnit(void) { return Fail<FSOUND_DSPUNIT*>(kUnsupported, nullptr); }
FSOUND_DSPUNIT* FSOUND_DSP_GetFFTUnit(void) { return Fail<FSOUND_DSPUNIT*>(kUnsupported, nullptr); }
FSOUND_DSPUNIT* FSOUND_DSP_GetClipAndCopyUnit(void) { return Fail<FSOUND_DSPUNIT*>(kUnsupported, nullptr); }
signed char FSOUND_DSP_MixBuffers(void*, void*, int, int, int, int, unsigned int) { return Fail(kUnsupported); }
void FSOUND_DSP_ClearMixBuffer(void) { Unsupported(); }
int FSOUND_DSP_GetBufferLength(void) { return Fail<int>(kUnsupported, 0); }
int FSOUND_DSP_GetBufferLengthTotal(void) { return Fail<int>(kUnsupported, 0); }
float* FSOUND_DSP_GetSpectrum(void) { return Fail<float*>(kUnsupported, nullptr); }

// ---- environmental reverb -------------------------------------------------------------------
signed char FSOUND_Reverb_SetProperties(const FSOUND_REVERB_PROPERTIES*) { return Fail(kUnsupported); }
signed char FSOUND_Reverb_GetProperties(FSOUND_REVERB_PROPERTIES*) { return Fail(kUnsupported); }
signed char FSOUND_Reverb_SetChannelProperties(int, const FSOUND_REVERB_CHANNELPROPERTIES*) { return Fail(kUnsupported); }
signed char FSOUND_Reverb_GetChannelProperties(int, FSOUND_REVERB_CHANNELPROPERTIES*) { return Fail(kUnsupported); }

// ---- recording --------------------------------------------------------------------------------
signed char FSOUND_Record_SetDriver(int) { return Fail(kUnsupported); }
int FSOUND_Record_GetNumDrivers(void) { return 0; }   // no recording driver is offered
const char* FSOUND_Record_GetDriverName(int) { return Fail<const char*>(QRNSOUND_ERR_INVALID_PARAM, nullptr); }
int FSOUND_Record_GetDriver(void) { return Fail<int>(kUnsupported, -1); }
signed char FSOUND_Record_StartSample(FSOUND_SAMPLE*, signed char) { return Fail(kUnsupported); }
signed char FSOUND_Record_Stop(void) { return Fail(kUnsupported); }
int FSOUND_Record_GetPosition(void) { return Fail<int>(kUnsupported, -1); }

}  // extern "C"
