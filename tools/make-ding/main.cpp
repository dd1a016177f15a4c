// Writes the alarm sound: a short bell-like ding (two decaying partials), 16-bit mono PCM WAV.
// Usage: make-ding OUTPUT.wav

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void put16(std::vector<unsigned char>& out, uint16_t v)
{
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& out, uint32_t v)
{
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
    put16(out, static_cast<uint16_t>(v >> 16));
}

void putTag(std::vector<unsigned char>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-ding OUTPUT.wav\n");
        return 2;
    }
    constexpr uint32_t rate = 22050;
    constexpr double seconds = 0.8;
    constexpr double pi = 3.14159265358979323846;
    const auto samples = static_cast<uint32_t>(rate * seconds);

    std::vector<unsigned char> wav;
    putTag(wav, "RIFF");
    put32(wav, 36 + samples * 2);
    putTag(wav, "WAVE");
    putTag(wav, "fmt ");
    put32(wav, 16);
    put16(wav, 1); // PCM
    put16(wav, 1); // mono
    put32(wav, rate);
    put32(wav, rate * 2);
    put16(wav, 2);
    put16(wav, 16);
    putTag(wav, "data");
    put32(wav, samples * 2);
    for (uint32_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double attack = std::fmin(1.0, t / 0.004);
        const double v = attack * (0.6 * std::exp(-5.0 * t) * std::sin(2 * pi * 1318.5 * t) +
                                   0.3 * std::exp(-8.0 * t) * std::sin(2 * pi * 2637.0 * t));
        put16(wav, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767 * 0.8))));
    }

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(wav.data(), 1, wav.size(), f) != wav.size() || std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
