// The sound library's interface: types, constants and the list of its 225
// functions in table order. Callers that bind the library at run time (the
// engine) include only this header; the library itself also includes
// qrnsound.h, which declares the functions.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// The file name of the library, looked up beside the engine library.
#define QRNSOUND_LIBRARY_FILE "libqrnsound.so"

// The interface version this library implements (what FSOUND_GetVersion returns).
#define QRNSOUND_VERSION 3.75f

// ---- opaque handles ----------------------------------------------------------
typedef struct FSOUND_SAMPLE FSOUND_SAMPLE;
typedef struct FSOUND_STREAM FSOUND_STREAM;
typedef struct FSOUND_DSPUNIT FSOUND_DSPUNIT;
typedef struct FSOUND_SYNCPOINT FSOUND_SYNCPOINT;
typedef struct FMUSIC_MODULE FMUSIC_MODULE;

// ---- callbacks ----------------------------------------------------------------
typedef void* (*FSOUND_ALLOCCALLBACK)(unsigned int size);
typedef void* (*FSOUND_REALLOCCALLBACK)(void* ptr, unsigned int size);
typedef void (*FSOUND_FREECALLBACK)(void* ptr);
typedef void* (*FSOUND_OPENCALLBACK)(const char* name);
typedef void (*FSOUND_CLOSECALLBACK)(void* handle);
typedef int (*FSOUND_READCALLBACK)(void* buffer, int size, void* handle);
typedef int (*FSOUND_SEEKCALLBACK)(void* handle, int pos, signed char mode);
typedef int (*FSOUND_TELLCALLBACK)(void* handle);
typedef void* (*FSOUND_DSPCALLBACK)(void* originalbuffer, void* newbuffer, int length, void* userdata);
typedef signed char (*FSOUND_STREAMCALLBACK)(FSOUND_STREAM* stream, void* buff, int len, void* userdata);
typedef signed char (*FSOUND_METADATACALLBACK)(char* name, char* value, void* userdata);
typedef void (*FMUSIC_CALLBACK)(FMUSIC_MODULE* mod, unsigned char param);

// ---- environmental reverb records (reverb is not supported; the records keep
// their published layout so that callers compile) ----------------------------------
typedef struct FSOUND_REVERB_PROPERTIES {
    unsigned int Environment;
    float EnvSize;
    float EnvDiffusion;
    int Room;
    int RoomHF;
    int RoomLF;
    float DecayTime;
    float DecayHFRatio;
    float DecayLFRatio;
    int Reflections;
    float ReflectionsDelay;
    float ReflectionsPan[3];
    int Reverb;
    float ReverbDelay;
    float ReverbPan[3];
    float EchoTime;
    float EchoDepth;
    float ModulationTime;
    float ModulationDepth;
    float AirAbsorptionHF;
    float HFReference;
    float LFReference;
    float RoomRolloffFactor;
    float Diffusion;
    float Density;
    unsigned int Flags;
} FSOUND_REVERB_PROPERTIES;

typedef struct FSOUND_REVERB_CHANNELPROPERTIES {
    int Direct;
    int DirectHF;
    int Room;
    int RoomHF;
    int Obstruction;
    float ObstructionLFRatio;
    int Occlusion;
    float OcclusionLFRatio;
    float OcclusionRoomRatio;
    float OcclusionDirectRatio;
    int Exclusion;
    float ExclusionLFRatio;
    int OutsideVolumeHF;
    float DopplerFactor;
    float RolloffFactor;
    float RoomRolloffFactor;
    float AirAbsorptionFactor;
    int Flags;
} FSOUND_REVERB_CHANNELPROPERTIES;

// ---- error codes (FSOUND_GetError) ------------------------------------------------
enum {
    QRNSOUND_ERR_NONE = 0,
    QRNSOUND_ERR_BUSY = 1,            // not allowed after FSOUND_Init
    QRNSOUND_ERR_UNINITIALIZED = 2,   // needs FSOUND_Init first
    QRNSOUND_ERR_INIT = 3,            // the output could not be opened
    QRNSOUND_ERR_ALLOCATED = 4,
    QRNSOUND_ERR_PLAY = 5,            // playing failed
    QRNSOUND_ERR_OUTPUT_FORMAT = 6,
    QRNSOUND_ERR_COOPERATIVELEVEL = 7,
    QRNSOUND_ERR_CREATEBUFFER = 8,
    QRNSOUND_ERR_FILE_NOTFOUND = 9,   // the file could not be opened
    QRNSOUND_ERR_FILE_FORMAT = 10,    // unknown or damaged format
    QRNSOUND_ERR_FILE_BAD = 11,       // read error
    QRNSOUND_ERR_MEMORY = 12,
    QRNSOUND_ERR_VERSION = 13,
    QRNSOUND_ERR_INVALID_PARAM = 14,  // bad argument or stale handle
    QRNSOUND_ERR_NO_EAX = 15,
    QRNSOUND_ERR_CHANNEL_ALLOC = 16,  // no free channel
    QRNSOUND_ERR_RECORD = 17,
    QRNSOUND_ERR_MEDIAPLAYER = 18,
    QRNSOUND_ERR_CDDEVICE = 19,
    QRNSOUND_ERR_UNSUPPORTED = 20     // this library does not offer the call
};

// ---- output types (FSOUND_SetOutput) -------------------------------------------------
enum {
    FSOUND_OUTPUT_NOSOUND = 0,
    FSOUND_OUTPUT_WINMM = 1,
    FSOUND_OUTPUT_DSOUND = 2,
    FSOUND_OUTPUT_A3D = 3,
    FSOUND_OUTPUT_OSS = 4,
    FSOUND_OUTPUT_ESD = 5,
    FSOUND_OUTPUT_ALSA = 6,
    FSOUND_OUTPUT_ASIO = 7,
    FSOUND_OUTPUT_XBOX = 8,
    FSOUND_OUTPUT_PS2 = 9,
    FSOUND_OUTPUT_MAC = 10,
    FSOUND_OUTPUT_GC = 11
};

// ---- sample modes --------------------------------------------------------------------
#define FSOUND_LOOP_OFF 0x00000001u
#define FSOUND_LOOP_NORMAL 0x00000002u
#define FSOUND_LOOP_BIDI 0x00000004u
#define FSOUND_8BITS 0x00000008u
#define FSOUND_16BITS 0x00000010u
#define FSOUND_MONO 0x00000020u
#define FSOUND_STEREO 0x00000040u
#define FSOUND_UNSIGNED 0x00000080u
#define FSOUND_SIGNED 0x00000100u
#define FSOUND_HW3D 0x00001000u
#define FSOUND_2D 0x00002000u
#define FSOUND_LOADMEMORY 0x00008000u
#define FSOUND_LOADRAW 0x00010000u
#define FSOUND_FORCEMONO 0x00040000u
#define FSOUND_HW2D 0x00080000u
#define FSOUND_NORMAL (FSOUND_16BITS | FSOUND_SIGNED | FSOUND_MONO)

// ---- special channel, sample and value arguments ------------------------------------------
#define FSOUND_FREE (-1)
#define FSOUND_UNMANAGED (-2)
#define FSOUND_ALL (-3)
#define FSOUND_STEREOPAN (-1)

// ---- music types (FMUSIC_GetType) -------------------------------------------------------------
enum {
    FMUSIC_TYPE_NONE = 0,
    FMUSIC_TYPE_MOD = 1,
    FMUSIC_TYPE_S3M = 2,
    FMUSIC_TYPE_XM = 3,
    FMUSIC_TYPE_IT = 4,
    FMUSIC_TYPE_MIDI = 5,
    FMUSIC_TYPE_FSB = 6
};

// The 225 functions in table order: X(return type, name, (parameters)).
#define QRNSOUND_FUNCTIONS(X) \
    X(signed char, FSOUND_SetOutput, (int outputtype)) \
    X(signed char, FSOUND_SetDriver, (int driver)) \
    X(signed char, FSOUND_SetMixer, (int mixer)) \
    X(signed char, FSOUND_SetBufferSize, (int len_ms)) \
    X(signed char, FSOUND_SetHWND, (void* hwnd)) \
    X(signed char, FSOUND_SetMinHardwareChannels, (int min)) \
    X(signed char, FSOUND_SetMaxHardwareChannels, (int max)) \
    X(signed char, FSOUND_SetMemorySystem, (void* pool, int poollen, FSOUND_ALLOCCALLBACK useralloc, FSOUND_REALLOCCALLBACK userrealloc, FSOUND_FREECALLBACK userfree)) \
    X(signed char, FSOUND_Init, (int mixrate, int maxsoftwarechannels, unsigned int flags)) \
    X(void, FSOUND_Close, (void)) \
    X(void, FSOUND_Update, (void)) \
    X(void, FSOUND_SetSpeakerMode, (unsigned int speakermode)) \
    X(void, FSOUND_SetSFXMasterVolume, (int volume)) \
    X(void, FSOUND_SetPanSeperation, (float pansep)) \
    X(void, FSOUND_File_SetCallbacks, (FSOUND_OPENCALLBACK useropen, FSOUND_CLOSECALLBACK userclose, FSOUND_READCALLBACK userread, FSOUND_SEEKCALLBACK userseek, FSOUND_TELLCALLBACK usertell)) \
    X(int, FSOUND_GetError, (void)) \
    X(float, FSOUND_GetVersion, (void)) \
    X(int, FSOUND_GetOutput, (void)) \
    X(void*, FSOUND_GetOutputHandle, (void)) \
    X(int, FSOUND_GetDriver, (void)) \
    X(int, FSOUND_GetMixer, (void)) \
    X(int, FSOUND_GetNumDrivers, (void)) \
    X(const char*, FSOUND_GetDriverName, (int id)) \
    X(signed char, FSOUND_GetDriverCaps, (int id, unsigned int* caps)) \
    X(int, FSOUND_GetOutputRate, (void)) \
    X(int, FSOUND_GetMaxChannels, (void)) \
    X(int, FSOUND_GetMaxSamples, (void)) \
    X(int, FSOUND_GetSFXMasterVolume, (void)) \
    X(signed char, FSOUND_GetNumHWChannels, (int* num2d, int* num3d, int* total)) \
    X(int, FSOUND_GetChannelsPlaying, (void)) \
    X(float, FSOUND_GetCPUUsage, (void)) \
    X(void, FSOUND_GetMemoryStats, (unsigned int* currentalloced, unsigned int* maxalloced)) \
    X(FSOUND_SAMPLE*, FSOUND_Sample_Load, (int index, const char* name_or_data, unsigned int mode, int offset, int length)) \
    X(FSOUND_SAMPLE*, FSOUND_Sample_Alloc, (int index, int length, unsigned int mode, int deffreq, int defvol, int defpan, int defpri)) \
    X(void, FSOUND_Sample_Free, (FSOUND_SAMPLE* sptr)) \
    X(signed char, FSOUND_Sample_Upload, (FSOUND_SAMPLE* sptr, void* srcdata, unsigned int mode)) \
    X(signed char, FSOUND_Sample_Lock, (FSOUND_SAMPLE* sptr, int offset, int length, void** ptr1, void** ptr2, unsigned int* len1, unsigned int* len2)) \
    X(signed char, FSOUND_Sample_Unlock, (FSOUND_SAMPLE* sptr, void* ptr1, void* ptr2, unsigned int len1, unsigned int len2)) \
    X(signed char, FSOUND_Sample_SetMode, (FSOUND_SAMPLE* sptr, unsigned int mode)) \
    X(signed char, FSOUND_Sample_SetLoopPoints, (FSOUND_SAMPLE* sptr, int loopstart, int loopend)) \
    X(signed char, FSOUND_Sample_SetDefaults, (FSOUND_SAMPLE* sptr, int deffreq, int defvol, int defpan, int defpri)) \
    X(signed char, FSOUND_Sample_SetDefaultsEx, (FSOUND_SAMPLE* sptr, int deffreq, int defvol, int defpan, int defpri, int varfreq, int varvol, int varpan)) \
    X(signed char, FSOUND_Sample_SetMinMaxDistance, (FSOUND_SAMPLE* sptr, float min, float max)) \
    X(signed char, FSOUND_Sample_SetMaxPlaybacks, (FSOUND_SAMPLE* sptr, int max)) \
    X(FSOUND_SAMPLE*, FSOUND_Sample_Get, (int sampno)) \
    X(const char*, FSOUND_Sample_GetName, (FSOUND_SAMPLE* sptr)) \
    X(unsigned int, FSOUND_Sample_GetLength, (FSOUND_SAMPLE* sptr)) \
    X(signed char, FSOUND_Sample_GetLoopPoints, (FSOUND_SAMPLE* sptr, int* loopstart, int* loopend)) \
    X(signed char, FSOUND_Sample_GetDefaults, (FSOUND_SAMPLE* sptr, int* deffreq, int* defvol, int* defpan, int* defpri)) \
    X(signed char, FSOUND_Sample_GetDefaultsEx, (FSOUND_SAMPLE* sptr, int* deffreq, int* defvol, int* defpan, int* defpri, int* varfreq, int* varvol, int* varpan)) \
    X(unsigned int, FSOUND_Sample_GetMode, (FSOUND_SAMPLE* sptr)) \
    X(signed char, FSOUND_Sample_GetMinMaxDistance, (FSOUND_SAMPLE* sptr, float* min, float* max)) \
    X(int, FSOUND_PlaySound, (int channel, FSOUND_SAMPLE* sptr)) \
    X(int, FSOUND_PlaySoundEx, (int channel, FSOUND_SAMPLE* sptr, FSOUND_DSPUNIT* dsp, signed char startpaused)) \
    X(signed char, FSOUND_StopSound, (int channel)) \
    X(signed char, FSOUND_SetFrequency, (int channel, int freq)) \
    X(signed char, FSOUND_SetVolume, (int channel, int vol)) \
    X(signed char, FSOUND_SetVolumeAbsolute, (int channel, int vol)) \
    X(signed char, FSOUND_SetPan, (int channel, int pan)) \
    X(signed char, FSOUND_SetSurround, (int channel, signed char surround)) \
    X(signed char, FSOUND_SetMute, (int channel, signed char mute)) \
    X(signed char, FSOUND_SetPriority, (int channel, int priority)) \
    X(signed char, FSOUND_SetReserved, (int channel, signed char reserved)) \
    X(signed char, FSOUND_SetPaused, (int channel, signed char paused)) \
    X(signed char, FSOUND_SetLoopMode, (int channel, unsigned int loopmode)) \
    X(signed char, FSOUND_SetCurrentPosition, (int channel, unsigned int offset)) \
    X(signed char, FSOUND_3D_SetAttributes, (int channel, const float* pos, const float* vel)) \
    X(signed char, FSOUND_3D_SetMinMaxDistance, (int channel, float min, float max)) \
    X(signed char, FSOUND_IsPlaying, (int channel)) \
    X(int, FSOUND_GetFrequency, (int channel)) \
    X(int, FSOUND_GetVolume, (int channel)) \
    X(int, FSOUND_GetAmplitude, (int channel)) \
    X(int, FSOUND_GetPan, (int channel)) \
    X(signed char, FSOUND_GetSurround, (int channel)) \
    X(signed char, FSOUND_GetMute, (int channel)) \
    X(int, FSOUND_GetPriority, (int channel)) \
    X(signed char, FSOUND_GetReserved, (int channel)) \
    X(signed char, FSOUND_GetPaused, (int channel)) \
    X(unsigned int, FSOUND_GetLoopMode, (int channel)) \
    X(unsigned int, FSOUND_GetCurrentPosition, (int channel)) \
    X(FSOUND_SAMPLE*, FSOUND_GetCurrentSample, (int channel)) \
    X(signed char, FSOUND_GetCurrentLevels, (int channel, float* l, float* r)) \
    X(int, FSOUND_GetNumSubChannels, (int channel)) \
    X(int, FSOUND_GetSubChannel, (int channel, int subchannel)) \
    X(signed char, FSOUND_3D_GetAttributes, (int channel, float* pos, float* vel)) \
    X(signed char, FSOUND_3D_GetMinMaxDistance, (int channel, float* min, float* max)) \
    X(void, FSOUND_3D_SetDopplerFactor, (float scale)) \
    X(void, FSOUND_3D_SetDistanceFactor, (float scale)) \
    X(void, FSOUND_3D_SetRolloffFactor, (float scale)) \
    X(void, FSOUND_3D_Listener_SetCurrent, (int current, int numlisteners)) \
    X(void, FSOUND_3D_Listener_SetAttributes, (const float* pos, const float* vel, float fx, float fy, float fz, float tx, float ty, float tz)) \
    X(void, FSOUND_3D_Listener_GetAttributes, (float* pos, float* vel, float* fx, float* fy, float* fz, float* tx, float* ty, float* tz)) \
    X(int, FSOUND_FX_Enable, (int channel, unsigned int fxtype)) \
    X(signed char, FSOUND_FX_Disable, (int channel)) \
    X(signed char, FSOUND_FX_SetChorus, (int fxid, float WetDryMix, float Depth, float Feedback, float Frequency, int Waveform, float Delay, int Phase)) \
    X(signed char, FSOUND_FX_SetCompressor, (int fxid, float Gain, float Attack, float Release, float Threshold, float Ratio, float Predelay)) \
    X(signed char, FSOUND_FX_SetDistortion, (int fxid, float Gain, float Edge, float PostEQCenterFrequency, float PostEQBandwidth, float PreLowpassCutoff)) \
    X(signed char, FSOUND_FX_SetEcho, (int fxid, float WetDryMix, float Feedback, float LeftDelay, float RightDelay, int PanDelay)) \
    X(signed char, FSOUND_FX_SetFlanger, (int fxid, float WetDryMix, float Depth, float Feedback, float Frequency, int Waveform, float Delay, int Phase)) \
    X(signed char, FSOUND_FX_SetGargle, (int fxid, int RateHz, int WaveShape)) \
    X(signed char, FSOUND_FX_SetI3DL2Reverb, (int fxid, int Room, int RoomHF, float RoomRolloffFactor, float DecayTime, float DecayHFRatio, int Reflections, float ReflectionsDelay, int Reverb, float ReverbDelay, float Diffusion, float Density, float HFReference)) \
    X(signed char, FSOUND_FX_SetParamEQ, (int fxid, float Center, float Bandwidth, float Gain)) \
    X(signed char, FSOUND_FX_SetWavesReverb, (int fxid, float InGain, float ReverbMix, float ReverbTime, float HighFreqRTRatio)) \
    X(signed char, FSOUND_Stream_SetBufferSize, (int ms)) \
    X(FSOUND_STREAM*, FSOUND_Stream_Open, (const char* name_or_data, unsigned int mode, int offset, int length)) \
    X(FSOUND_STREAM*, FSOUND_Stream_Create, (FSOUND_STREAMCALLBACK callback, int length, unsigned int mode, int samplerate, void* userdata)) \
    X(signed char, FSOUND_Stream_Close, (FSOUND_STREAM* stream)) \
    X(int, FSOUND_Stream_Play, (int channel, FSOUND_STREAM* stream)) \
    X(int, FSOUND_Stream_PlayEx, (int channel, FSOUND_STREAM* stream, FSOUND_DSPUNIT* dsp, signed char startpaused)) \
    X(signed char, FSOUND_Stream_Stop, (FSOUND_STREAM* stream)) \
    X(signed char, FSOUND_Stream_SetPosition, (FSOUND_STREAM* stream, unsigned int position)) \
    X(unsigned int, FSOUND_Stream_GetPosition, (FSOUND_STREAM* stream)) \
    X(signed char, FSOUND_Stream_SetTime, (FSOUND_STREAM* stream, int ms)) \
    X(int, FSOUND_Stream_GetTime, (FSOUND_STREAM* stream)) \
    X(int, FSOUND_Stream_GetLength, (FSOUND_STREAM* stream)) \
    X(int, FSOUND_Stream_GetLengthMs, (FSOUND_STREAM* stream)) \
    X(signed char, FSOUND_Stream_SetMode, (FSOUND_STREAM* stream, unsigned int mode)) \
    X(unsigned int, FSOUND_Stream_GetMode, (FSOUND_STREAM* stream)) \
    X(signed char, FSOUND_Stream_SetLoopPoints, (FSOUND_STREAM* stream, unsigned int loopstartpcm, unsigned int loopendpcm)) \
    X(signed char, FSOUND_Stream_SetLoopCount, (FSOUND_STREAM* stream, int count)) \
    X(int, FSOUND_Stream_GetOpenState, (FSOUND_STREAM* stream)) \
    X(FSOUND_SAMPLE*, FSOUND_Stream_GetSample, (FSOUND_STREAM* stream)) \
    X(FSOUND_DSPUNIT*, FSOUND_Stream_CreateDSP, (FSOUND_STREAM* stream, FSOUND_DSPCALLBACK callback, int priority, void* userdata)) \
    X(signed char, FSOUND_Stream_SetEndCallback, (FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback, void* userdata)) \
    X(signed char, FSOUND_Stream_SetSyncCallback, (FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback, void* userdata)) \
    X(FSOUND_SYNCPOINT*, FSOUND_Stream_AddSyncPoint, (FSOUND_STREAM* stream, unsigned int pcmoffset, const char* name)) \
    X(signed char, FSOUND_Stream_DeleteSyncPoint, (FSOUND_SYNCPOINT* point)) \
    X(int, FSOUND_Stream_GetNumSyncPoints, (FSOUND_STREAM* stream)) \
    X(FSOUND_SYNCPOINT*, FSOUND_Stream_GetSyncPoint, (FSOUND_STREAM* stream, int index)) \
    X(char*, FSOUND_Stream_GetSyncPointInfo, (FSOUND_SYNCPOINT* point, unsigned int* pcmoffset)) \
    X(signed char, FSOUND_Stream_SetSubStream, (FSOUND_STREAM* stream, int index)) \
    X(int, FSOUND_Stream_GetNumSubStreams, (FSOUND_STREAM* stream)) \
    X(signed char, FSOUND_Stream_SetSubStreamSentence, (FSOUND_STREAM* stream, const int* sentencelist, int numitems)) \
    X(signed char, FSOUND_Stream_GetNumTagFields, (FSOUND_STREAM* stream, int* num)) \
    X(signed char, FSOUND_Stream_GetTagField, (FSOUND_STREAM* stream, int num, int* type, char** name, void** value, int* length)) \
    X(signed char, FSOUND_Stream_FindTagField, (FSOUND_STREAM* stream, int type, const char* name, void** value, int* length)) \
    X(signed char, FSOUND_Stream_Net_SetProxy, (const char* proxy)) \
    X(char*, FSOUND_Stream_Net_GetLastServerStatus, (void)) \
    X(signed char, FSOUND_Stream_Net_SetBufferProperties, (int buffersize, int prebuffer_percent, int rebuffer_percent)) \
    X(signed char, FSOUND_Stream_Net_GetBufferProperties, (int* buffersize, int* prebuffer_percent, int* rebuffer_percent)) \
    X(signed char, FSOUND_Stream_Net_SetMetadataCallback, (FSOUND_STREAM* stream, FSOUND_METADATACALLBACK callback, void* userdata)) \
    X(signed char, FSOUND_Stream_Net_GetStatus, (FSOUND_STREAM* stream, int* status, int* bufferpercentused, int* bitrate, unsigned int* flags)) \
    X(signed char, FSOUND_CD_Play, (char drive, int track)) \
    X(void, FSOUND_CD_SetPlayMode, (char drive, signed char mode)) \
    X(signed char, FSOUND_CD_Stop, (char drive)) \
    X(signed char, FSOUND_CD_SetPaused, (char drive, signed char paused)) \
    X(signed char, FSOUND_CD_SetVolume, (char drive, int volume)) \
    X(signed char, FSOUND_CD_SetTrackTime, (char drive, unsigned int ms)) \
    X(signed char, FSOUND_CD_OpenTray, (char drive, signed char open)) \
    X(signed char, FSOUND_CD_GetPaused, (char drive)) \
    X(int, FSOUND_CD_GetTrack, (char drive)) \
    X(int, FSOUND_CD_GetNumTracks, (char drive)) \
    X(int, FSOUND_CD_GetVolume, (char drive)) \
    X(int, FSOUND_CD_GetTrackLength, (char drive, int track)) \
    X(int, FSOUND_CD_GetTrackTime, (char drive)) \
    X(FSOUND_DSPUNIT*, FSOUND_DSP_Create, (FSOUND_DSPCALLBACK callback, int priority, void* userdata)) \
    X(void, FSOUND_DSP_Free, (FSOUND_DSPUNIT* unit)) \
    X(void, FSOUND_DSP_SetPriority, (FSOUND_DSPUNIT* unit, int priority)) \
    X(int, FSOUND_DSP_GetPriority, (FSOUND_DSPUNIT* unit)) \
    X(void, FSOUND_DSP_SetActive, (FSOUND_DSPUNIT* unit, signed char active)) \
    X(signed char, FSOUND_DSP_GetActive, (FSOUND_DSPUNIT* unit)) \
    X(FSOUND_DSPUNIT*, FSOUND_DSP_GetClearUnit, (void)) \
    X(FSOUND_DSPUNIT*, FSOUND_DSP_GetSFXUnit, (void)) \
    X(FSOUND_DSPUNIT*, FSOUND_DSP_GetMusicUnit, (void)) \
    X(FSOUND_DSPUNIT*, FSOUND_DSP_GetFFTUnit, (void)) \
    X(FSOUND_DSPUNIT*, FSOUND_DSP_GetClipAndCopyUnit, (void)) \
    X(signed char, FSOUND_DSP_MixBuffers, (void* destbuffer, void* srcbuffer, int len, int freq, int vol, int pan, unsigned int mode)) \
    X(void, FSOUND_DSP_ClearMixBuffer, (void)) \
    X(int, FSOUND_DSP_GetBufferLength, (void)) \
    X(int, FSOUND_DSP_GetBufferLengthTotal, (void)) \
    X(float*, FSOUND_DSP_GetSpectrum, (void)) \
    X(signed char, FSOUND_Reverb_SetProperties, (const FSOUND_REVERB_PROPERTIES* prop)) \
    X(signed char, FSOUND_Reverb_GetProperties, (FSOUND_REVERB_PROPERTIES* prop)) \
    X(signed char, FSOUND_Reverb_SetChannelProperties, (int channel, const FSOUND_REVERB_CHANNELPROPERTIES* prop)) \
    X(signed char, FSOUND_Reverb_GetChannelProperties, (int channel, FSOUND_REVERB_CHANNELPROPERTIES* prop)) \
    X(signed char, FSOUND_Record_SetDriver, (int outputtype)) \
    X(int, FSOUND_Record_GetNumDrivers, (void)) \
    X(const char*, FSOUND_Record_GetDriverName, (int id)) \
    X(int, FSOUND_Record_GetDriver, (void)) \
    X(signed char, FSOUND_Record_StartSample, (FSOUND_SAMPLE* sptr, signed char loop)) \
    X(signed char, FSOUND_Record_Stop, (void)) \
    X(int, FSOUND_Record_GetPosition, (void)) \
    X(FMUSIC_MODULE*, FMUSIC_LoadSong, (const char* name)) \
    X(FMUSIC_MODULE*, FMUSIC_LoadSongEx, (const char* name_or_data, int offset, int length, unsigned int mode, const int* samplelist, int samplelistnum)) \
    X(int, FMUSIC_GetOpenState, (FMUSIC_MODULE* mod)) \
    X(signed char, FMUSIC_FreeSong, (FMUSIC_MODULE* mod)) \
    X(signed char, FMUSIC_PlaySong, (FMUSIC_MODULE* mod)) \
    X(signed char, FMUSIC_StopSong, (FMUSIC_MODULE* mod)) \
    X(void, FMUSIC_StopAllSongs, (void)) \
    X(signed char, FMUSIC_SetZxxCallback, (FMUSIC_MODULE* mod, FMUSIC_CALLBACK callback)) \
    X(signed char, FMUSIC_SetRowCallback, (FMUSIC_MODULE* mod, FMUSIC_CALLBACK callback, int rowstep)) \
    X(signed char, FMUSIC_SetOrderCallback, (FMUSIC_MODULE* mod, FMUSIC_CALLBACK callback, int orderstep)) \
    X(signed char, FMUSIC_SetInstCallback, (FMUSIC_MODULE* mod, FMUSIC_CALLBACK callback, int instrument)) \
    X(signed char, FMUSIC_SetSample, (FMUSIC_MODULE* mod, int sampno, FSOUND_SAMPLE* sptr)) \
    X(signed char, FMUSIC_SetUserData, (FMUSIC_MODULE* mod, void* userdata)) \
    X(signed char, FMUSIC_OptimizeChannels, (FMUSIC_MODULE* mod, int maxchannels, int minvolume)) \
    X(signed char, FMUSIC_SetReverb, (signed char reverb)) \
    X(signed char, FMUSIC_SetLooping, (FMUSIC_MODULE* mod, signed char looping)) \
    X(signed char, FMUSIC_SetOrder, (FMUSIC_MODULE* mod, int order)) \
    X(signed char, FMUSIC_SetPaused, (FMUSIC_MODULE* mod, signed char pause)) \
    X(signed char, FMUSIC_SetMasterVolume, (FMUSIC_MODULE* mod, int volume)) \
    X(signed char, FMUSIC_SetMasterSpeed, (FMUSIC_MODULE* mod, float speed)) \
    X(signed char, FMUSIC_SetPanSeperation, (FMUSIC_MODULE* mod, float pansep)) \
    X(const char*, FMUSIC_GetName, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetType, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetNumOrders, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetNumPatterns, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetNumInstruments, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetNumSamples, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetNumChannels, (FMUSIC_MODULE* mod)) \
    X(FSOUND_SAMPLE*, FMUSIC_GetSample, (FMUSIC_MODULE* mod, int sampno)) \
    X(int, FMUSIC_GetPatternLength, (FMUSIC_MODULE* mod, int orderno)) \
    X(signed char, FMUSIC_IsFinished, (FMUSIC_MODULE* mod)) \
    X(signed char, FMUSIC_IsPlaying, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetMasterVolume, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetGlobalVolume, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetOrder, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetPattern, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetSpeed, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetBPM, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetRow, (FMUSIC_MODULE* mod)) \
    X(signed char, FMUSIC_GetPaused, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetTime, (FMUSIC_MODULE* mod)) \
    X(int, FMUSIC_GetRealChannel, (FMUSIC_MODULE* mod, int modchannel)) \
    X(void*, FMUSIC_GetUserData, (FMUSIC_MODULE* mod))

#define QRNSOUND_FUNCTION_COUNT 225

#ifdef __cplusplus
}
#endif
