#include "library/ClipFormat.h"

#include <sndfile.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <mpg123.h>

#include "base/Files.h"

namespace marrowick {
namespace {

// How much of a file is read at a time; the only buffer the reading holds.
constexpr std::size_t Piece = std::size_t{64} * 1024;

// The clip file, opened once for both readers: libsndfile reads through it
// (virtual I/O, so names outside ASCII open on Windows too) and libmpg123 is
// fed from it piece by piece.
struct OpenFile {
    std::ifstream in;
    std::int64_t size = 0;
};

sf_count_t FileLength(void* user)
{
    return static_cast<OpenFile*>(user)->size;
}

sf_count_t FileSeek(sf_count_t offset, int whence, void* user)
{
    auto& file = *static_cast<OpenFile*>(user);
    file.in.clear();
    const auto from = whence == SEEK_SET ? std::ios::beg : whence == SEEK_CUR ? std::ios::cur : std::ios::end;
    file.in.seekg(offset, from);
    return file.in ? static_cast<sf_count_t>(file.in.tellg()) : -1;
}

sf_count_t FileRead(void* to, sf_count_t count, void* user)
{
    auto& file = *static_cast<OpenFile*>(user);
    if (count <= 0)
        return 0;
    file.in.read(static_cast<char*>(to), count);
    return static_cast<sf_count_t>(file.in.gcount());
}

sf_count_t FileTell(void* user)
{
    auto& file = *static_cast<OpenFile*>(user);
    file.in.clear();
    return static_cast<sf_count_t>(file.in.tellg());
}

ClipFormat::Coding CodingOf(int format, int* bits)
{
    *bits = 0;
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        *bits = 8;
        return ClipFormat::Coding::Pcm;
    case SF_FORMAT_PCM_16:
        *bits = 16;
        return ClipFormat::Coding::Pcm;
    case SF_FORMAT_PCM_24:
        *bits = 24;
        return ClipFormat::Coding::Pcm;
    case SF_FORMAT_PCM_32:
        *bits = 32;
        return ClipFormat::Coding::Pcm;
    case SF_FORMAT_FLOAT:
        *bits = 32;
        return ClipFormat::Coding::Float;
    case SF_FORMAT_DOUBLE:
        *bits = 64;
        return ClipFormat::Coding::Float;
    case SF_FORMAT_ULAW:
        return ClipFormat::Coding::MuLaw;
    case SF_FORMAT_ALAW:
        return ClipFormat::Coding::ALaw;
    case SF_FORMAT_IMA_ADPCM:
        return ClipFormat::Coding::ImaAdpcm;
    case SF_FORMAT_MS_ADPCM:
        return ClipFormat::Coding::MsAdpcm;
    case SF_FORMAT_GSM610:
        return ClipFormat::Coding::Gsm610;
    default:
        return ClipFormat::Coding::Other;
    }
}

// Whether the file calls itself a WAV file (its first 12 bytes), to tell a
// damaged WAV file from one of another kind.
bool SaysWave(OpenFile& file)
{
    std::array<char, 12> start{};
    FileSeek(0, SEEK_SET, &file);
    if (FileRead(start.data(), start.size(), &file) != static_cast<sf_count_t>(start.size()))
        return false;
    const bool riff = std::memcmp(start.data(), "RIFF", 4) == 0 || std::memcmp(start.data(), "RIFX", 4) == 0 ||
                      std::memcmp(start.data(), "RF64", 4) == 0;
    return riff && std::memcmp(start.data() + 8, "WAVE", 4) == 0;
}

// The file as WAV, through libsndfile, which reads the header only. False when
// it is not a WAV file (`format` then says why when the file claims to be one).
bool ReadWav(OpenFile& file, ClipFormat& format)
{
    SF_VIRTUAL_IO io{FileLength, FileSeek, FileRead, nullptr, FileTell};
    SF_INFO info{};
    FileSeek(0, SEEK_SET, &file);
    SNDFILE* sound = sf_open_virtual(&io, SFM_READ, &info, &file);
    if (!sound) {
        if (SaysWave(file)) {
            format.kind = ClipFormat::Kind::Neither;
            format.why = ClipFormat::Why::DamagedWav;
            format.detail = sf_strerror(nullptr);
        }
        return false;
    }
    const int container = info.format & SF_FORMAT_TYPEMASK;
    const bool wav = container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX || container == SF_FORMAT_RF64;
    if (wav && info.samplerate > 0 && info.channels > 0) {
        format.kind = ClipFormat::Kind::Wav;
        format.sampleRate = info.samplerate;
        format.channels = info.channels;
        format.coding = CodingOf(info.format, &format.bits);
        // libsndfile counts the frames the file holds, not those its header
        // promises, so a WAV file cut short gives the time of what is there.
        format.seconds = static_cast<double>(info.frames) / info.samplerate;
    }
    sf_close(sound);
    return format.kind == ClipFormat::Kind::Wav;
}

struct Mpg123Handle {
    void operator()(mpg123_handle* handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};

// Frames counted in an MPEG audio stream.
struct MpegCount {
    long frames = 0;
    long long kbpsSum = 0; // of every frame, for the average
    int layer = 0;
    int firstKbps = 0;
    bool bitrateChanges = false;
    mpg123_frameinfo2 first{};
};

// The file as MPEG audio, through libmpg123 fed piece by piece: every frame
// is found and its header parsed, none is decoded. ID3v2 tags are skipped
// without being read into memory.
bool ReadMpeg(OpenFile& file, ClipFormat& format)
{
    static const bool initialised = mpg123_init() == MPG123_OK;
    if (!initialised)
        return false;
    int error = MPG123_OK;
    std::unique_ptr<mpg123_handle, Mpg123Handle> handle(mpg123_new(nullptr, &error));
    if (!handle)
        return false;
    mpg123_handle* mh = handle.get();
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
    if (mpg123_open_feed(mh) != MPG123_OK)
        return false;

    MpegCount count;
    long expectedFrames = 0; // what a Xing or Info header says, 0 without one
    std::array<unsigned char, Piece> piece{};
    FileSeek(0, SEEK_SET, &file);
    bool fed = true;
    while (true) {
        const int got = mpg123_framebyframe_next(mh);
        if (got == MPG123_NEED_MORE) {
            const sf_count_t read = fed ? FileRead(piece.data(), piece.size(), &file) : 0;
            if (read <= 0)
                break;
            fed = mpg123_feed(mh, piece.data(), static_cast<std::size_t>(read)) == MPG123_OK;
            if (!fed)
                break;
            continue;
        }
        // A stream that breaks off ends the count: what came before it plays.
        if (got != MPG123_OK && got != MPG123_NEW_FORMAT)
            break;
        mpg123_frameinfo2 info{};
        if (mpg123_info2(mh, &info) != MPG123_OK)
            break;
        if (count.frames == 0) {
            count.first = info;
            count.layer = info.layer;
            // Right after the first frame the expected length is the header's;
            // without a header it is the one frame seen.
            const auto expected = mpg123_framelength(mh);
            expectedFrames = expected > 1 ? static_cast<long>(expected) : 0;
        }
        // A free-format frame names no bit rate: its size and length give it
        // (rounded up, so a frame of any bytes has one).
        const long long perFrame = 1000LL * mpg123_spf(mh);
        if (info.bitrate == 0 && info.rate > 0 && info.framesize > 0 && perFrame > 0)
            info.bitrate = static_cast<int>((8LL * info.framesize * info.rate + perFrame - 1) / perFrame);
        if (count.frames == 0)
            count.firstKbps = info.bitrate;
        ++count.frames;
        count.kbpsSum += info.bitrate;
        if (info.bitrate != count.firstKbps)
            count.bitrateChanges = true;
        if (count.layer != 3)
            break; // MP1 or MP2: nothing more to know
    }
    if (count.frames == 0)
        return false;
    const int spf = mpg123_spf(mh);
    const long rate = count.first.rate;
    if (rate <= 0 || spf <= 0)
        return false;
    if (count.layer != 3) {
        format.kind = ClipFormat::Kind::Neither;
        format.why = ClipFormat::Why::OtherMpegLayer;
        format.mpegLayer = count.layer;
        return true;
    }
    format.kind = ClipFormat::Kind::Mp3;
    format.sampleRate = static_cast<int>(rate);
    format.channels = count.first.mode == MPG123_M_MONO ? 1 : 2;
    format.variable = count.bitrateChanges;
    format.kbps = static_cast<int>((count.kbpsSum + count.frames / 2) / count.frames);
    format.seconds = static_cast<double>(count.frames) * spf / static_cast<double>(rate);
    if (expectedFrames > count.frames) {
        format.why = ClipFormat::Why::Truncated;
        format.expectedSeconds = static_cast<double>(expectedFrames) * spf / static_cast<double>(rate);
    }
    return true;
}

} // namespace

ClipFormat ReadClipFormat(const std::string& path)
{
    ClipFormat format;
    const auto neither = [&](ClipFormat::Why why, std::string detail = {}) {
        format.kind = ClipFormat::Kind::Neither;
        format.why = why;
        format.detail = std::move(detail);
        return format;
    };
    std::string error;
    const auto size = RegularFileSize(PathFromUtf8(path), &error);
    if (!size)
        return neither(ClipFormat::Why::CannotOpen, error);
    if (*size == 0)
        return neither(ClipFormat::Why::Empty);
    OpenFile file;
    file.in.open(PathFromUtf8(path), std::ios::binary);
    if (!file.in)
        return neither(ClipFormat::Why::CannotOpen, std::strerror(errno));
    file.size = static_cast<std::int64_t>(*size);
    if (ReadWav(file, format) || format.kind == ClipFormat::Kind::Neither)
        return format;
    if (ReadMpeg(file, format))
        return format;
    return neither(ClipFormat::Why::Unrecognised);
}

} // namespace marrowick
