// Writes the program's two alarm sounds as 16-bit mono WAVE files: "alarm.wav", a
// rising two-tone call, and "p.wav", a short soft blip. Both are synthesized here.
//
//   kivsounds FOLDER

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;

struct Tone
{
    double hz;
    double seconds;
};

// Sine tones one after another, each with short fades so no step clicks.
std::vector<int16_t> Synthesize(const std::vector<Tone> &tones, double volume)
{
    std::vector<int16_t> samples;
    for (const Tone &tone : tones) {
        const int count = int(tone.seconds * kRate);
        const int fade = std::min(count / 4, kRate / 200);
        for (int i = 0; i < count; ++i) {
            double envelope = 1.0;
            if (i < fade)
                envelope = double(i) / fade;
            else if (i >= count - fade)
                envelope = double(count - 1 - i) / fade;
            // A little of the octave above makes a small speaker carry the tone.
            const double t = double(i) / kRate;
            const double wave = tone.hz > 0 ? 0.8 * std::sin(2 * std::numbers::pi * tone.hz * t)
                                                  + 0.2 * std::sin(4 * std::numbers::pi * tone.hz * t)
                                            : 0.0;
            samples.push_back(int16_t(std::lround(wave * envelope * volume * 32767)));
        }
    }
    return samples;
}

void Put32(std::ofstream &out, uint32_t v)
{
    const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.write(b, 4);
}

void Put16(std::ofstream &out, uint16_t v)
{
    const char b[2] = {char(v), char(v >> 8)};
    out.write(b, 2);
}

bool WriteWave(const std::string &path, const std::vector<int16_t> &samples)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const uint32_t data = uint32_t(samples.size() * 2);
    out.write("RIFF", 4);
    Put32(out, 36 + data);
    out.write("WAVEfmt ", 8);
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, kRate);
    Put32(out, kRate * 2);
    Put16(out, 2);
    Put16(out, 16);
    out.write("data", 4);
    Put32(out, data);
    for (int16_t s : samples)
        Put16(out, uint16_t(s));
    return bool(out);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kivsounds FOLDER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    const auto alarm = Synthesize({{660, 0.12}, {880, 0.12}, {0, 0.06}, {660, 0.12}, {880, 0.18}}, 0.6);
    const auto blip = Synthesize({{1320, 0.07}}, 0.45);
    if (!WriteWave(folder + "alarm.wav", alarm) || !WriteWave(folder + "p.wav", blip)) {
        std::fprintf(stderr, "kivsounds: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
