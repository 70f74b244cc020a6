// Samples: whole sounds in memory, decoded by SDL_mixer (WAV, AIFF, VOC, MP3,
// Ogg Vorbis and Opus, FLAC) or given as raw PCM, played from a chunk in the
// output format.
#include "internal.h"
#include "soundfile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace qrs {

namespace {

constexpr uint64_t kMaxFileBytes = 1ull << 30;

// A compressed stream can decode to far more than its headers say, and the
// mixer keeps all of it. While a file is decoded, the bytes SDL allocates on
// the decoding thread and has not freed are counted; an allocation past the
// budget fails, which makes the decoder give up. Other threads and other
// times are not affected. The allocator forwards to the one SDL had before.
class DecodeBudget {
public:
    explicit DecodeBudget(uint64_t limit) : m_limit(limit)
    {
        static const bool installed = Install();
        (void)installed;
        t_budget = this;
    }
    ~DecodeBudget() { t_budget = nullptr; }
    DecodeBudget(const DecodeBudget&) = delete;
    DecodeBudget& operator=(const DecodeBudget&) = delete;

private:
    static bool Install()
    {
        SDL_GetMemoryFunctions(&s_malloc, &s_calloc, &s_realloc, &s_free);
        return SDL_SetMemoryFunctions(Malloc, Calloc, Realloc, Free) == 0;
    }

    bool Fits(uint64_t more) const { return more <= m_limit - m_live; }
    void Add(void* mem, size_t size)
    {
        if (!mem) return;
        m_sizes[mem] = size;
        m_live += size;
    }
    void Remove(void* mem)
    {
        const auto it = m_sizes.find(mem);
        if (it == m_sizes.end()) return;   // allocated before the decode began
        m_live -= it->second;
        m_sizes.erase(it);
    }

    static void* Malloc(size_t size)
    {
        DecodeBudget* b = t_budget;
        if (!b) return s_malloc(size);
        if (!b->Fits(size)) return nullptr;
        void* mem = s_malloc(size);
        b->Add(mem, size);
        return mem;
    }
    static void* Calloc(size_t count, size_t size)
    {
        DecodeBudget* b = t_budget;
        if (!b) return s_calloc(count, size);
        if (count && size > SIZE_MAX / count) return nullptr;
        if (!b->Fits(count * size)) return nullptr;
        void* mem = s_calloc(count, size);
        b->Add(mem, count * size);
        return mem;
    }
    static void* Realloc(void* mem, size_t size)
    {
        DecodeBudget* b = t_budget;
        if (!b) return s_realloc(mem, size);
        const auto it = b->m_sizes.find(mem);
        const size_t old = it == b->m_sizes.end() ? 0 : it->second;
        if (size > old && !b->Fits(size - old)) return nullptr;
        void* grown = s_realloc(mem, size);
        if (grown || size == 0) {
            b->Remove(mem);
            b->Add(grown, size);
        }
        return grown;
    }
    static void Free(void* mem)
    {
        if (DecodeBudget* b = t_budget) b->Remove(mem);
        s_free(mem);
    }

    const uint64_t m_limit;
    uint64_t m_live = 0;
    std::unordered_map<void*, size_t> m_sizes;   // what this decode allocated and still holds

    static inline SDL_malloc_func s_malloc = nullptr;
    static inline SDL_calloc_func s_calloc = nullptr;
    static inline SDL_realloc_func s_realloc = nullptr;
    static inline SDL_free_func s_free = nullptr;
    static inline thread_local DecodeBudget* t_budget = nullptr;
};

SDL_AudioFormat FormatFromMode(unsigned int mode)
{
    if (mode & FSOUND_8BITS) return (mode & FSOUND_UNSIGNED) ? AUDIO_U8 : AUDIO_S8;
    return (mode & FSOUND_UNSIGNED) ? AUDIO_U16LSB : AUDIO_S16LSB;
}

unsigned int FormatBits(const Sample& s)
{
    unsigned int bits = SDL_AUDIO_BITSIZE(s.fmt) == 8 ? FSOUND_8BITS : FSOUND_16BITS;
    bits |= s.channels == 1 ? FSOUND_MONO : FSOUND_STEREO;
    bits |= SDL_AUDIO_ISSIGNED(s.fmt) ? FSOUND_SIGNED : FSOUND_UNSIGNED;
    return bits;
}

constexpr unsigned int kLoopBits = FSOUND_LOOP_OFF | FSOUND_LOOP_NORMAL | FSOUND_LOOP_BIDI;

// Keeps the memory statistics: delta bytes of sample data were added (or freed).
void Account(int64_t delta)
{
    State& st = S();
    st.bytesAllocated = static_cast<uint64_t>(static_cast<int64_t>(st.bytesAllocated) + delta);
    st.maxBytesAllocated = std::max(st.maxBytesAllocated, st.bytesAllocated);
}

int64_t Footprint(const Sample& s) { return static_cast<int64_t>(s.pcm.size() + s.out.size()); }

// Converts PCM between formats with SDL's resampler.
bool Convert(const uint8_t* src, size_t bytes, SDL_AudioFormat fmt, int channels, int rate,
             SDL_AudioFormat toFmt, int toChannels, int toRate, std::vector<uint8_t>& out)
{
    SDL_AudioStream* stream = SDL_NewAudioStream(fmt, static_cast<Uint8>(channels), rate, toFmt,
                                                 static_cast<Uint8>(toChannels), toRate);
    if (!stream) return false;
    bool ok = SDL_AudioStreamPut(stream, src, static_cast<int>(bytes)) == 0 && SDL_AudioStreamFlush(stream) == 0;
    if (ok) {
        out.resize(static_cast<size_t>(SDL_AudioStreamAvailable(stream)));
        ok = SDL_AudioStreamGet(stream, out.data(), static_cast<int>(out.size())) == static_cast<int>(out.size());
    }
    SDL_FreeAudioStream(stream);
    return ok;
}

// Finds the managed slot for an index argument; -1 for unmanaged, -2 on error.
int SlotFor(int index)
{
    State& s = S();
    if (index == FSOUND_UNMANAGED) return -1;
    if (index == FSOUND_FREE) {
        for (int i = 0; i < kMaxManagedSamples; ++i)
            if (!s.slots[static_cast<size_t>(i)]) return i;
        s.error = QRNSOUND_ERR_MEMORY;
        return -2;
    }
    if (index < 0 || index >= kMaxManagedSamples) {
        s.error = QRNSOUND_ERR_INVALID_PARAM;
        return -2;
    }
    return index;
}

Sample* Register(std::unique_ptr<Sample> sample, int slot)
{
    State& s = S();
    if (slot >= 0 && s.slots[static_cast<size_t>(slot)]) FreeSample(s.slots[static_cast<size_t>(slot)]);
    sample->id = s.nextSampleId++;
    sample->slot = slot;
    if (slot >= 0) s.slots[static_cast<size_t>(slot)] = sample->id;
    Sample* raw = sample.get();
    s.samples[raw->id] = std::move(sample);
    return raw;
}

bool GetSampleDefaults(Sample* s, int* deffreq, int* defvol, int* defpan, int* defpri)
{
    if (!s) return false;
    if (deffreq) *deffreq = s->rate;
    if (defvol) *defvol = s->defVol;
    if (defpan) *defpan = s->defPan;
    if (defpri) *defpri = s->defPri;
    return true;
}

}  // namespace

Sample* FindSample(FSOUND_SAMPLE* handle)
{
    std::unique_ptr<Sample>* entry = FindHandle(S().samples, handle);
    return entry ? entry->get() : nullptr;
}

Sample* SampleById(uint32_t id)
{
    auto it = S().samples.find(id);
    return it == S().samples.end() ? nullptr : it->second.get();
}

FSOUND_SAMPLE* HandleOf(const Sample& sample)
{
    return reinterpret_cast<FSOUND_SAMPLE*>(static_cast<uintptr_t>(sample.id));
}

void FreeSample(uint32_t id)
{
    State& s = S();
    auto it = s.samples.find(id);
    if (it == s.samples.end()) return;
    Sample& sample = *it->second;
    HaltChannelsOfSample(id);
    if (sample.chunk) Mix_FreeChunk(sample.chunk);
    if (sample.slot >= 0 && static_cast<size_t>(sample.slot) < s.slots.size()) s.slots[static_cast<size_t>(sample.slot)] = 0;
    Account(-Footprint(sample));
    s.samples.erase(it);
}

void FreeAllSamples()
{
    while (!S().samples.empty()) FreeSample(S().samples.begin()->first);
}

bool RebuildChunk(Sample& sample)
{
    State& s = S();
    const bool same = sample.fmt == kOutputFormat && sample.channels == kOutputChannels && sample.rate == s.rate;
    // A long sample at a very low frequency would be resampled to gigabytes:
    // refused, and the chunk it had stays.
    if (!same && DecodedBytes(sample.Frames(), static_cast<uint32_t>(sample.rate), static_cast<uint32_t>(s.rate)) >
                     MaxSampleBytes(static_cast<uint32_t>(s.rate)))
        return Fail<bool>(QRNSOUND_ERR_MEMORY, false);
    if (sample.chunk) {
        HaltChannelsOfSample(sample.id);
        Mix_FreeChunk(sample.chunk);
        sample.chunk = nullptr;
    }
    const int64_t before = Footprint(sample);
    sample.out.clear();
    if (!same && !Convert(sample.pcm.data(), sample.pcm.size(), sample.fmt, sample.channels, sample.rate,
                          kOutputFormat, kOutputChannels, s.rate, sample.out)) {
        sample.out.clear();
        sample.out.shrink_to_fit();
        Account(Footprint(sample) - before);
        return Fail<bool>(QRNSOUND_ERR_FILE_FORMAT, false);
    }
    sample.out.shrink_to_fit();
    Account(Footprint(sample) - before);
    std::vector<uint8_t>& bytes = same ? sample.pcm : sample.out;
    if (bytes.empty()) return Fail<bool>(QRNSOUND_ERR_FILE_FORMAT, false);
    sample.chunk = Mix_QuickLoad_RAW(bytes.data(), static_cast<Uint32>(bytes.size()));
    if (!sample.chunk) return Fail<bool>(QRNSOUND_ERR_MEMORY, false);
    return true;
}

bool ReadFileBytes(const char* name, int offset, int length, std::vector<uint8_t>& bytes)
{
    State& s = S();
    if (offset < 0 || length < 0) return Fail<bool>(QRNSOUND_ERR_INVALID_PARAM, false);
    bytes.clear();
    if (s.files.open) {
        const FileCallbacks f = s.files;
        void* handle = f.open(name);
        if (!handle) return Fail<bool>(QRNSOUND_ERR_FILE_NOTFOUND, false);
        f.seek(handle, 0, SEEK_END);
        const int size = f.tell(handle);
        bool ok = size >= 0 && offset <= size;
        if (ok) {
            const int want = length > 0 ? std::min(length, size - offset) : size - offset;
            bytes.resize(static_cast<size_t>(want));
            ok = f.seek(handle, offset, SEEK_SET) == 0 || f.tell(handle) == offset;
            int got = 0;
            while (ok && got < want) {
                const int n = f.read(bytes.data() + got, want - got, handle);
                if (n <= 0) break;
                got += n;
            }
            ok = ok && got == want;
        }
        f.close(handle);
        return ok ? true : Fail<bool>(QRNSOUND_ERR_FILE_BAD, false);
    }
    FILE* file = std::fopen(name, "rb");
    if (!file) return Fail<bool>(QRNSOUND_ERR_FILE_NOTFOUND, false);
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && static_cast<uint64_t>(size) <= kMaxFileBytes && offset <= size;
    if (ok) {
        const long want = length > 0 ? std::min<long>(length, size - offset) : size - offset;
        bytes.resize(static_cast<size_t>(want));
        ok = std::fseek(file, offset, SEEK_SET) == 0 &&
             std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok ? true : Fail<bool>(QRNSOUND_ERR_FILE_BAD, false);
}

Sample* LoadSampleBytes(int index, const std::string& name, std::vector<uint8_t>& bytes, unsigned int mode)
{
    State& s = S();
    const int slot = SlotFor(index);
    if (slot == -2) return nullptr;
    auto sample = std::make_unique<Sample>();
    sample->name = name;
    if (mode & FSOUND_LOADRAW) {
        sample->fmt = FormatFromMode(mode);
        sample->channels = (mode & FSOUND_STEREO) ? 2 : 1;
        sample->rate = 44100;
        sample->pcm = std::move(bytes);
        sample->pcm.resize(sample->pcm.size() / static_cast<size_t>(sample->FrameBytes()) *
                           static_cast<size_t>(sample->FrameBytes()));
    } else {
        // Only sampled sound whose headers promise a sane rate and length
        // reaches the decoders: the mixer would otherwise render songs whole
        // or overflow its converter on absurd rates.
        SoundFileInfo info;
        if (!CheckSampleFile(bytes, static_cast<uint32_t>(s.rate), info))
            return Fail<Sample*>(QRNSOUND_ERR_FILE_FORMAT, nullptr);
        Mix_Chunk* decoded = nullptr;
        {
            DecodeBudget budget(DecodeBufferLimit(info, static_cast<uint32_t>(s.rate)));
            // Closed here: the mixer leaves it open on some failures when asked to close it.
            SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
            decoded = rw ? Mix_LoadWAV_RW(rw, 0) : nullptr;
            if (rw) SDL_RWclose(rw);
        }
        if (!decoded) return Fail<Sample*>(QRNSOUND_ERR_FILE_FORMAT, nullptr);
        sample->pcm.assign(decoded->abuf, decoded->abuf + decoded->alen);
        Mix_FreeChunk(decoded);
        sample->fmt = kOutputFormat;
        sample->channels = kOutputChannels;
        sample->rate = s.rate;
        sample->pcm.resize(sample->pcm.size() / 4 * 4);
        if (mode & FSOUND_FORCEMONO) {
            // Average the two channels of the decoded stereo.
            const size_t frames = sample->pcm.size() / 4;
            std::vector<uint8_t> mono(frames * 2);
            for (size_t i = 0; i < frames; ++i) {
                int16_t lr[2];
                std::memcpy(lr, &sample->pcm[i * 4], 4);
                const int16_t m = static_cast<int16_t>((lr[0] + lr[1]) / 2);
                std::memcpy(&mono[i * 2], &m, 2);
            }
            sample->pcm = std::move(mono);
            sample->channels = 1;
        }
    }
    if (sample->pcm.empty()) return Fail<Sample*>(QRNSOUND_ERR_FILE_FORMAT, nullptr);
    sample->mode = (mode & kLoopBits) ? (mode & kLoopBits) : FSOUND_LOOP_OFF;
    sample->mode |= FormatBits(*sample) | (mode & (FSOUND_2D | FSOUND_HW2D | FSOUND_HW3D));
    sample->loopEnd = static_cast<int>(sample->Frames()) - 1;
    Account(Footprint(*sample));
    if (!RebuildChunk(*sample)) {
        Account(-Footprint(*sample));
        return nullptr;
    }
    return Register(std::move(sample), slot);
}

}  // namespace qrs

using namespace qrs;

extern "C" {

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name_or_data, unsigned int mode, int offset, int length)
{
    if (!RequireInit()) return nullptr;
    if (!name_or_data || offset < 0 || length < 0) return Fail<FSOUND_SAMPLE*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
    std::vector<uint8_t> bytes;
    std::string name;
    if (mode & FSOUND_LOADMEMORY) {
        if (length <= 0) return Fail<FSOUND_SAMPLE*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
        const auto* data = reinterpret_cast<const uint8_t*>(name_or_data) + offset;
        bytes.assign(data, data + length);
    } else {
        if (!ReadFileBytes(name_or_data, offset, length, bytes)) return nullptr;
        name = name_or_data;
    }
    Sample* sample = LoadSampleBytes(index, name, bytes, mode);
    return sample ? HandleOf(*sample) : nullptr;
}

FSOUND_SAMPLE* FSOUND_Sample_Alloc(int index, int length, unsigned int mode, int deffreq, int defvol,
                                   int defpan, int defpri)
{
    if (!RequireInit()) return nullptr;
    if (length <= 0 || length > (1 << 28) || deffreq < 100 || deffreq > 192000 || defvol < 0 || defvol > 255 ||
        defpan < -1 || defpan > 255 || defpri < 0 || defpri > 255)
        return Fail<FSOUND_SAMPLE*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
    const int slot = SlotFor(index);
    if (slot == -2) return nullptr;
    auto sample = std::make_unique<Sample>();
    sample->fmt = FormatFromMode(mode);
    sample->channels = (mode & FSOUND_STEREO) ? 2 : 1;
    sample->rate = deffreq;
    const uint8_t silence = SDL_AUDIO_ISSIGNED(sample->fmt) ? 0 : (SDL_AUDIO_BITSIZE(sample->fmt) == 8 ? 0x80 : 0);
    sample->pcm.assign(static_cast<size_t>(length) * static_cast<size_t>(sample->FrameBytes()), silence);
    if (sample->fmt == AUDIO_U16LSB)
        for (size_t i = 1; i < sample->pcm.size(); i += 2) sample->pcm[i] = 0x80;
    sample->mode = ((mode & kLoopBits) ? (mode & kLoopBits) : FSOUND_LOOP_OFF) | FormatBits(*sample);
    sample->defVol = defvol;
    sample->defPan = defpan;
    sample->defPri = defpri;
    sample->loopEnd = length - 1;
    Account(Footprint(*sample));
    if (!RebuildChunk(*sample)) {
        Account(-Footprint(*sample));
        return nullptr;
    }
    return HandleOf(*Register(std::move(sample), slot));
}

void FSOUND_Sample_Free(FSOUND_SAMPLE* sptr)
{
    if (!sptr) return;
    if (Sample* s = FindSample(sptr)) FreeSample(s->id);
}

signed char FSOUND_Sample_Upload(FSOUND_SAMPLE* sptr, void* srcdata, unsigned int mode)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    if (!srcdata) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    const SDL_AudioFormat fmt = FormatFromMode(mode);
    const int channels = (mode & FSOUND_STEREO) ? 2 : 1;
    const size_t srcBytes = static_cast<size_t>(s->Frames()) * (SDL_AUDIO_BITSIZE(fmt) / 8) * static_cast<size_t>(channels);
    std::vector<uint8_t> converted;
    if (!Convert(static_cast<const uint8_t*>(srcdata), srcBytes, fmt, channels, s->rate, s->fmt, s->channels,
                 s->rate, converted))
        return Fail(QRNSOUND_ERR_FILE_FORMAT);
    converted.resize(s->pcm.size());
    const int64_t before = Footprint(*s);
    s->pcm = std::move(converted);
    Account(Footprint(*s) - before);
    return RebuildChunk(*s) ? 1 : 0;
}

signed char FSOUND_Sample_Lock(FSOUND_SAMPLE* sptr, int offset, int length, void** ptr1, void** ptr2,
                               unsigned int* len1, unsigned int* len2)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    if (!ptr1 || !len1 || offset < 0 || length <= 0 ||
        static_cast<size_t>(offset) + static_cast<size_t>(length) > s->pcm.size())
        return Fail(QRNSOUND_ERR_INVALID_PARAM);
    *ptr1 = s->pcm.data() + offset;
    *len1 = static_cast<unsigned int>(length);
    if (ptr2) *ptr2 = nullptr;
    if (len2) *len2 = 0;
    s->locked = true;
    return 1;
}

signed char FSOUND_Sample_Unlock(FSOUND_SAMPLE* sptr, void* ptr1, void*, unsigned int, unsigned int)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    if (!s->locked || !ptr1) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    s->locked = false;
    if (s->out.empty()) return 1;   // the chunk plays the locked bytes themselves
    // Refresh the converted copy in place so that playing channels go on.
    std::vector<uint8_t> fresh;
    if (Convert(s->pcm.data(), s->pcm.size(), s->fmt, s->channels, s->rate, kOutputFormat, kOutputChannels, S().rate, fresh) &&
        fresh.size() == s->out.size()) {
        std::memcpy(s->out.data(), fresh.data(), fresh.size());
        return 1;
    }
    return RebuildChunk(*s) ? 1 : 0;
}

signed char FSOUND_Sample_SetMode(FSOUND_SAMPLE* sptr, unsigned int mode)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    // Ping-pong loops cannot be played by the mixer.
    if (mode & FSOUND_LOOP_BIDI) return Fail(QRNSOUND_ERR_UNSUPPORTED);
    if (mode & (FSOUND_LOOP_OFF | FSOUND_LOOP_NORMAL)) {
        const unsigned int loop = (mode & FSOUND_LOOP_NORMAL) ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF;
        s->mode = (s->mode & ~kLoopBits) | loop;
    }
    return 1;
}

signed char FSOUND_Sample_SetLoopPoints(FSOUND_SAMPLE* sptr, int loopstart, int loopend)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    const int last = static_cast<int>(s->Frames()) - 1;
    if (loopstart < 0 || loopend <= loopstart || loopend > last) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    // Only a loop over the whole sample can be played.
    if (loopstart != 0 || loopend != last) return Fail(QRNSOUND_ERR_UNSUPPORTED);
    s->loopStart = loopstart;
    s->loopEnd = loopend;
    return 1;
}

signed char FSOUND_Sample_SetDefaults(FSOUND_SAMPLE* sptr, int deffreq, int defvol, int defpan, int defpri)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    // -1 leaves a value as it is.
    if ((deffreq != -1 && (deffreq < 100 || deffreq > 192000)) || defvol < -1 || defvol > 255 || defpan < -1 ||
        defpan > 255 || defpri < -1 || defpri > 255)
        return Fail(QRNSOUND_ERR_INVALID_PARAM);
    if (defvol != -1) s->defVol = defvol;
    if (defpan != -1) s->defPan = defpan;
    if (defpri != -1) s->defPri = defpri;
    if (deffreq != -1 && deffreq != s->rate) {
        // A new default frequency replays the PCM at that rate (pitch change).
        const int old = s->rate;
        s->rate = deffreq;
        if (!RebuildChunk(*s)) {
            if (s->chunk) s->rate = old;   // refused before the chunk changed: it plays as before
            return 0;
        }
    }
    return 1;
}

signed char FSOUND_Sample_SetDefaultsEx(FSOUND_SAMPLE* sptr, int deffreq, int defvol, int defpan, int defpri,
                                        int varfreq, int varvol, int varpan)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    if (varvol < -1 || varvol > 255 || varpan < -1 || varpan > 255) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    // Random frequency variation would need a resample per start.
    if (varfreq > 0) return Fail(QRNSOUND_ERR_UNSUPPORTED);
    if (!FSOUND_Sample_SetDefaults(sptr, deffreq, defvol, defpan, defpri)) return 0;
    if (varfreq != -1) s->varFreq = 0;
    if (varvol != -1) s->varVol = varvol;
    if (varpan != -1) s->varPan = varpan;
    return 1;
}

signed char FSOUND_Sample_SetMinMaxDistance(FSOUND_SAMPLE* sptr, float, float)
{
    if (!FindSample(sptr)) return 0;
    return Fail(QRNSOUND_ERR_UNSUPPORTED);   // no 3D sound
}

signed char FSOUND_Sample_SetMaxPlaybacks(FSOUND_SAMPLE* sptr, int max)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    if (max < 0) return Fail(QRNSOUND_ERR_INVALID_PARAM);
    s->maxPlaybacks = max;
    return 1;
}

FSOUND_SAMPLE* FSOUND_Sample_Get(int sampno)
{
    State& s = S();
    if (sampno < 0 || sampno >= static_cast<int>(s.slots.size()) || !s.slots[static_cast<size_t>(sampno)])
        return Fail<FSOUND_SAMPLE*>(QRNSOUND_ERR_INVALID_PARAM, nullptr);
    return reinterpret_cast<FSOUND_SAMPLE*>(static_cast<uintptr_t>(s.slots[static_cast<size_t>(sampno)]));
}

const char* FSOUND_Sample_GetName(FSOUND_SAMPLE* sptr)
{
    Sample* s = FindSample(sptr);
    return s ? s->name.c_str() : nullptr;
}

unsigned int FSOUND_Sample_GetLength(FSOUND_SAMPLE* sptr)
{
    Sample* s = FindSample(sptr);
    return s ? s->Frames() : 0;
}

signed char FSOUND_Sample_GetLoopPoints(FSOUND_SAMPLE* sptr, int* loopstart, int* loopend)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    if (loopstart) *loopstart = s->loopStart;
    if (loopend) *loopend = s->loopEnd;
    return 1;
}

signed char FSOUND_Sample_GetDefaults(FSOUND_SAMPLE* sptr, int* deffreq, int* defvol, int* defpan, int* defpri)
{
    return GetSampleDefaults(FindSample(sptr), deffreq, defvol, defpan, defpri) ? 1 : 0;
}

signed char FSOUND_Sample_GetDefaultsEx(FSOUND_SAMPLE* sptr, int* deffreq, int* defvol, int* defpan, int* defpri,
                                        int* varfreq, int* varvol, int* varpan)
{
    Sample* s = FindSample(sptr);
    if (!GetSampleDefaults(s, deffreq, defvol, defpan, defpri)) return 0;
    if (varfreq) *varfreq = s->varFreq;
    if (varvol) *varvol = s->varVol;
    if (varpan) *varpan = s->varPan;
    return 1;
}

unsigned int FSOUND_Sample_GetMode(FSOUND_SAMPLE* sptr)
{
    Sample* s = FindSample(sptr);
    return s ? s->mode : 0;
}

signed char FSOUND_Sample_GetMinMaxDistance(FSOUND_SAMPLE* sptr, float* min, float* max)
{
    Sample* s = FindSample(sptr);
    if (!s) return 0;
    if (min) *min = s->minDist;
    if (max) *max = s->maxDist;
    return 1;
}

}  // extern "C"
