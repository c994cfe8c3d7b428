// Synthesises the program's short interface sounds into a folder as "<name>.wav" (16-bit PCM, mono,
// 44100 Hz). Run by the build: the files are embedded as the resources ":/sounds/<name>.wav".
//
// Every sound is a few soft partials under an envelope that starts and ends at silence (a raised-cosine
// attack, an exponential decay and a short cosine fade at the end), so nothing clicks. Glides keep a
// running phase, so the pitch moves without a jump in the wave.
//
// Usage: make_sounds OUTPUT_FOLDER

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int sampleRate = 44100;
constexpr double pi = 3.14159265358979323846;
// Full scale is 1.0; the loudest sound peaks well below it.
constexpr double masterLevel = 0.32;

// One note: a pitch gliding from From to To (Hz) over the note, starting Start seconds into the sound.
struct TNote
{
    double Start;
    double Length;
    double From;
    double To;
    double Level;
    // Seconds for the level to fall to 1/e after the attack.
    double Decay;
    // Level of the second and third harmonics relative to the fundamental (brightness).
    double Second = 0.0;
    double Third = 0.0;
    // An extra inharmonic partial, as a ratio to the fundamental, for bell-like sounds (0 = none).
    double BellRatio = 0.0;
    double BellLevel = 0.0;
};

struct TSound
{
    const char* Name;
    double Length; // seconds
    std::vector<TNote> Notes;
};

constexpr double attack = 0.004;
constexpr double fadeOut = 0.012;

double Envelope(double t, const TNote& note)
{
    if (t < 0.0 || t >= note.Length)
        return 0.0;
    double level = std::exp(-std::max(0.0, t - attack) / note.Decay);
    if (t < attack)
        level *= 0.5 - 0.5 * std::cos(pi * t / attack);
    const double left = note.Length - t;
    if (left < fadeOut)
        level *= 0.5 - 0.5 * std::cos(pi * left / fadeOut);
    return level;
}

std::vector<int16_t> Render(const TSound& sound)
{
    const int count = int(std::lround(sound.Length * sampleRate));
    std::vector<double> mix(static_cast<size_t>(count), 0.0);
    for (const TNote& note : sound.Notes) {
        const int first = int(std::lround(note.Start * sampleRate));
        const int length = int(std::lround(note.Length * sampleRate));
        double phase = 0.0;
        for (int i = 0; i < length && first + i < count; ++i) {
            const double t = double(i) / sampleRate;
            // An exponential glide sounds even across the octave.
            const double frequency = note.From * std::pow(note.To / note.From, t / note.Length);
            phase += 2.0 * pi * frequency / sampleRate;
            double wave =
                std::sin(phase) + note.Second * std::sin(2.0 * phase) + note.Third * std::sin(3.0 * phase);
            if (note.BellRatio > 0.0)
                // The bell partial dies away faster than the fundamental.
                wave += note.BellLevel * std::exp(-t / (note.Decay * 0.4)) * std::sin(note.BellRatio * phase);
            mix[size_t(first + i)] += note.Level * Envelope(t, note) * wave;
        }
    }
    double peak = 0.0;
    for (double value : mix)
        peak = std::max(peak, std::abs(value));
    std::vector<int16_t> samples(static_cast<size_t>(count));
    const double scale = peak > 0.0 ? masterLevel / peak : 0.0;
    for (size_t i = 0; i < mix.size(); ++i)
        samples[i] = int16_t(std::lround(mix[i] * scale * 32767.0));
    return samples;
}

void Put16(std::string& out, uint16_t value)
{
    out.push_back(char(value & 0xFF));
    out.push_back(char(value >> 8));
}

void Put32(std::string& out, uint32_t value)
{
    Put16(out, uint16_t(value & 0xFFFF));
    Put16(out, uint16_t(value >> 16));
}

std::string Wave(const std::vector<int16_t>& samples)
{
    const uint32_t dataSize = uint32_t(samples.size() * 2);
    std::string out;
    out += "RIFF";
    Put32(out, 36 + dataSize);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, sampleRate);
    Put32(out, sampleRate * 2); // bytes per second
    Put16(out, 2);              // bytes per frame
    Put16(out, 16);             // bits per sample
    out += "data";
    Put32(out, dataSize);
    for (int16_t sample : samples)
        Put16(out, uint16_t(sample));
    return out;
}

// The program's sounds. Pitches are notes of A major, so sounds heard one after another agree.
const std::vector<TSound>& Sounds()
{
    static const std::vector<TSound> sounds = {
        // A palette command: one short, soft tap.
        {"diClassesItemSound", 0.060, {{0.0, 0.060, 880.0, 880.0, 1.0, 0.020, 0.15}}},
        // An element inserted: a soft rising fourth, E to A.
        {"diClassesElementSound",
         0.130,
         {{0.0, 0.060, 659.3, 659.3, 0.8, 0.030, 0.2, 0.05},
          {0.045, 0.085, 880.0, 880.0, 1.0, 0.035, 0.2, 0.05}}},
        // Disabled or enabled: a low, dry tick.
        {"diClassesDisableSound", 0.045, {{0.0, 0.045, 220.0, 196.0, 1.0, 0.012, 0.35, 0.15}}},
        // A value chosen: a light high blip.
        {"diClassesValueSound", 0.050, {{0.0, 0.050, 1108.7, 1108.7, 1.0, 0.016, 0.1}}},
        // A drop-down list opens: a short slide down.
        {"diClassesDropDownSound", 0.080, {{0.0, 0.080, 740.0, 554.4, 1.0, 0.030, 0.15}}},
        // Expand and collapse: a blip rising or falling by a fifth.
        {"diExpandButtonExpandSound", 0.090, {{0.0, 0.090, 493.9, 740.0, 1.0, 0.040, 0.15}}},
        {"diExpandButtonCollapseSound", 0.090, {{0.0, 0.090, 740.0, 493.9, 1.0, 0.040, 0.15}}},
        // A message in the log: a gentle two-partial chime.
        {"diLogMessageSound",
         0.150,
         {{0.0, 0.150, 1318.5, 1318.5, 1.0, 0.055, 0.0, 0.0, 2.76, 0.25},
          {0.0, 0.150, 1760.0, 1760.0, 0.35, 0.040}}},
    };
    return sounds;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("Usage: make_sounds OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    for (const TSound& sound : Sounds()) {
        const std::string path = std::string(argv[1]) + "/" + sound.Name + ".wav";
        const std::string bytes = Wave(Render(sound));
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            std::perror(path.c_str());
            return 1;
        }
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) != 0 || !written) {
            std::fprintf(stderr, "%s: write failed\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
