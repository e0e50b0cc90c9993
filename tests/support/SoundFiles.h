#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marrowick::testing {

// Sound files made byte by byte, for the tests and benchmarks that read
// clips' formats and playing times: the headers are real, the sound is silence.

inline void PutLittle(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void PutBig(std::string& out, std::uint32_t value)
{
    for (int i = 3; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A PCM WAV file: RIFF header, "fmt " chunk and a "data" chunk of `frames` frames.
inline std::string WavBytes(int rate, int channels, int bits, std::uint32_t frames)
{
    const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels * bits / 8);
    const std::uint32_t data = frames * blockAlign;
    std::string out = "RIFF";
    PutLittle(out, 36 + data, 4);
    out += "WAVEfmt ";
    PutLittle(out, 16, 4);
    PutLittle(out, 1, 2); // PCM
    PutLittle(out, static_cast<std::uint32_t>(channels), 2);
    PutLittle(out, static_cast<std::uint32_t>(rate), 4);
    PutLittle(out, static_cast<std::uint32_t>(rate) * blockAlign, 4);
    PutLittle(out, blockAlign, 2);
    PutLittle(out, static_cast<std::uint32_t>(bits), 2);
    out += "data";
    PutLittle(out, data, 4);
    out.append(data, bits == 8 ? '\x80' : '\0');
    return out;
}

// MPEG audio layer III frames: MPEG-1 at 32, 44.1 or 48 kHz (1152 samples a
// frame), MPEG-2 at 16, 22.05 or 24 kHz (576). One frame for each bit rate in
// `kbps`; with `xing`, a Xing header frame in front that counts them (and
// `xingFrames` frames when that is not 0, for a file cut short).
struct Mp3Stream {
    int rate = 44100;
    bool mono = false;
    std::vector<int> kbps;
    bool xing = false;
    std::uint32_t xingFrames = 0;
    int layer = 3;
};

inline std::string Mp3Bytes(const Mp3Stream& s)
{
    const bool mpeg1 = s.rate >= 32000;
    const std::vector<int> rates =
        mpeg1 ? std::vector<int>{44100, 48000, 32000} : std::vector<int>{22050, 24000, 16000};
    const std::vector<int> layer3 =
        mpeg1 ? std::vector<int>{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}
              : std::vector<int>{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const std::vector<int> layer2 = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
    const std::vector<int>& bitrates = s.layer == 2 ? layer2 : layer3;
    int rateIndex = 0;
    while (rates[static_cast<std::size_t>(rateIndex)] != s.rate)
        ++rateIndex;
    const auto frame = [&](int kbps, const std::string& body) {
        int index = 0;
        while (bitrates[static_cast<std::size_t>(index)] != kbps)
            ++index;
        std::string out;
        out += '\xFF';
        const int layerBits = s.layer == 3 ? 1 : 2;
        out += static_cast<char>(0xE0 | (mpeg1 ? 0x18 : 0x10) | (layerBits << 1) | 0x01);
        out += static_cast<char>(index << 4 | rateIndex << 2);
        out += static_cast<char>(s.mono ? 0xC0 : 0x00);
        const int perSecond = s.layer == 2 || mpeg1 ? 144 : 72;
        const std::size_t size = static_cast<std::size_t>(perSecond * kbps * 1000 / s.rate);
        std::string rest = body;
        rest.resize(size - 4, '\0');
        return out + rest;
    };
    std::string out;
    if (s.xing) {
        const std::size_t sideInfo = mpeg1 ? (s.mono ? 17 : 32) : (s.mono ? 9 : 17);
        std::string body(sideInfo, '\0');
        body += "Xing";
        PutBig(body, 1); // the frame count follows
        PutBig(body, s.xingFrames ? s.xingFrames : static_cast<std::uint32_t>(s.kbps.size()));
        out += frame(s.kbps.front(), body);
    }
    for (int kbps : s.kbps)
        out += frame(kbps, {});
    return out;
}

} // namespace marrowick::testing
