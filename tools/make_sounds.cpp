// Synthesises the panel's two wave sounds.
//
// owave, the power-on sound: a rising three-note chime (C5, G5, C6), each
// note a sine with two soft overtones, a quick attack and an exponential
// decay; about half a second, peak at -6 dBFS.
// bwave, the click of the volume buttons: a 60 ms blip whose pitch falls
// from 1500 to 1000 Hz, peak at -9 dBFS, with no DC offset.
//
// Both are complete RIFF WAVE files (PCM, 16-bit, mono, 22050 Hz) that the
// viewer plays straight from its resources. Each sound starts on a zero
// crossing and fades to exactly 0, so neither clicks when it starts or stops.
//
// Only +, -, * and / are used (no sin, cos or exp from the maths library):
// oscillators are rotations by a fixed step and decays are repeated
// multiplications, so the output bytes are the same on every run and every
// system. Build with -ffp-contract=off so no fused multiply-add changes a
// rounding.
//
// Usage: make_sounds OUT_OWAVE.wav OUT_BWAVE.wav   (exit 2 on error)

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "generator_support.h"

namespace {

using gen::Put16;
using gen::Put32;
using gen::WriteFile;

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// Peak levels as fractions of full scale: 10^(-6/20) and 10^(-9/20).
constexpr double kMinus6dB = 0.50118723362727224;
constexpr double kMinus9dB = 0.35481338923357548;

// ---------------------------------------------------------------- maths

// Taylor series, for the small arguments used here (|x| well below 1): a
// fixed number of terms, far past double precision.
double SmallExp(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k <= 20; ++k) {
        term = term * x / k;
        sum += term;
    }
    return sum;
}

struct CosSin {
    double c, s;
};

CosSin SmallCosSin(double x) {
    double c = 1.0, s = x, term = x;
    for (int k = 2; k <= 24; ++k) {
        term = term * x / k;
        if (k % 4 == 0) c += term;
        if (k % 4 == 1) s += term;
        if (k % 4 == 2) c -= term;
        if (k % 4 == 3) s -= term;
    }
    return {c, s};
}

// The rotation per sample of a tone of the given frequency.
CosSin Step(double hz) { return SmallCosSin(kTwoPi * hz / kRate); }

// A unit phasor turned by a step each sample; its imaginary part is a sine
// that starts at 0. One Newton step towards length 1 each sample keeps the
// rounding from slowly changing its amplitude.
struct Oscillator {
    double c = 1.0, s = 0.0;
    double Next(CosSin step) {
        double out = s;
        double nc = c * step.c - s * step.s;
        double ns = s * step.c + c * step.s;
        double fix = (3.0 - (nc * nc + ns * ns)) * 0.5;
        c = nc * fix;
        s = ns * fix;
        return out;
    }
};

// 0 at t <= 0, 1 at t >= 1, with level ends, for attacks and fades.
double Smooth(double t) {
    if (t <= 0.0) return 0.0;
    if (t >= 1.0) return 1.0;
    return t * t * (3.0 - 2.0 * t);
}

// The gain that falls to 1/e after the given time, per sample.
double DecayPerSample(double seconds) { return SmallExp(-1.0 / (seconds * kRate)); }

// Fades the last `count` samples so the very last one is exactly 0.
void FadeOut(std::vector<double>& wave, int count) {
    const int n = static_cast<int>(wave.size());
    for (int i = 0; i < count && i < n; ++i) {
        // i = 0 is the last sample.
        wave[n - 1 - i] *= Smooth(static_cast<double>(i) / count);
    }
}

// Scales to the given peak (a fraction of full scale) and rounds to 16 bits,
// halves away from zero.
std::vector<int16_t> Quantise(const std::vector<double>& wave, double peakLevel) {
    double peak = 0.0;
    for (double v : wave) {
        double a = v < 0.0 ? -v : v;
        if (a > peak) peak = a;
    }
    const double gain = peak > 0.0 ? peakLevel * 32767.0 / peak : 0.0;
    std::vector<int16_t> out;
    out.reserve(wave.size());
    for (double v : wave) {
        double x = v * gain;
        int q = x < 0.0 ? -static_cast<int>(-x + 0.5) : static_cast<int>(x + 0.5);
        out.push_back(static_cast<int16_t>(q));
    }
    return out;
}

// ---------------------------------------------------------------- sounds

struct Note {
    double start;    // seconds
    double hz;
    double level;
    double decay;    // seconds to fall to 1/e
};

// The overtones ring more quietly and die sooner than the fundamental,
// which keeps the chime soft rather than metallic.
struct Partial {
    double multiple, level, decayShare;
};
const Partial kPartials[] = {{1.0, 1.0, 1.0}, {2.0, 0.28, 0.5}, {3.0, 0.08, 0.33}};

std::vector<int16_t> MakeOwave() {
    const int length = kRate * 55 / 100;  // 0.55 s
    const double attack = 0.005;
    const Note notes[] = {
        {0.000, 523.25, 0.70, 0.12},   // C5
        {0.085, 783.99, 0.80, 0.13},   // G5
        {0.170, 1046.50, 0.90, 0.15},  // C6
    };
    std::vector<double> wave(length, 0.0);
    for (const Note& note : notes) {
        const int first = static_cast<int>(note.start * kRate + 0.5);
        for (const Partial& partial : kPartials) {
            const CosSin step = Step(note.hz * partial.multiple);
            const double decay = DecayPerSample(note.decay * partial.decayShare);
            Oscillator osc;
            double gain = note.level * partial.level;
            for (int i = first; i < length; ++i) {
                double shape = Smooth(static_cast<double>(i - first) / (attack * kRate));
                wave[i] += osc.Next(step) * gain * shape;
                gain *= decay;
            }
        }
    }
    FadeOut(wave, kRate * 50 / 1000);
    return Quantise(wave, kMinus6dB);
}

std::vector<int16_t> MakeBwave() {
    const int length = kRate * 60 / 1000;  // 60 ms
    const double attack = 0.002 * kRate;
    const double glide = 0.020 * kRate;
    const double decay = DecayPerSample(0.012);
    std::vector<double> wave(length, 0.0), envelope(length, 0.0);
    Oscillator low, high;
    double gain = 1.0;
    for (int i = 0; i < length; ++i) {
        // The pitch falls quickly at first and settles at 1000 Hz.
        double t = static_cast<double>(i) / glide;
        double fall = t >= 1.0 ? 0.0 : (1.0 - t) * (1.0 - t);
        double hz = 1000.0 + 500.0 * fall;
        envelope[i] = gain * Smooth(i / attack);
        wave[i] = (low.Next(Step(hz)) + 0.15 * high.Next(Step(2.0 * hz))) * envelope[i];
        gain *= decay;
    }
    std::vector<double> fade(length, 1.0);
    FadeOut(fade, kRate * 8 / 1000);
    for (int i = 0; i < length; ++i) {
        wave[i] *= fade[i];
        envelope[i] *= fade[i];
    }
    // A burst this short is not quite balanced about zero. Taking away a
    // little of its own envelope removes the offset and keeps both ends at 0.
    double sum = 0.0, envelopeSum = 0.0;
    for (int i = 0; i < length; ++i) {
        sum += wave[i];
        envelopeSum += envelope[i];
    }
    for (int i = 0; i < length; ++i) wave[i] -= sum / envelopeSum * envelope[i];
    return Quantise(wave, kMinus9dB);
}

// ---------------------------------------------------------------- files

void PutTag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

// RIFF header, the PCM format chunk and the data chunk. The data is an even
// number of bytes, so no chunk needs a pad byte.
std::vector<uint8_t> MakeWav(const std::vector<int16_t>& samples) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<uint8_t> out;
    PutTag(out, "RIFF");
    Put32(out, 4 + (8 + 16) + (8 + dataBytes));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, kRate);
    Put32(out, kRate * 2);  // bytes per second
    Put16(out, 2);          // bytes per frame
    Put16(out, 16);         // bits per sample
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || argv[1][0] == '\0' || argv[2][0] == '\0') {
        std::fprintf(stderr, "usage: make_sounds OUT_OWAVE.wav OUT_BWAVE.wav\n");
        return 2;
    }
    const std::vector<uint8_t> files[2] = {MakeWav(MakeOwave()), MakeWav(MakeBwave())};
    for (int i = 0; i < 2; ++i) {
        std::string error = WriteFile(argv[i + 1], files[i]);
        if (!error.empty()) {
            std::fprintf(stderr, "make_sounds: %s: %s\n", argv[i + 1], error.c_str());
            return 2;
        }
    }
    return 0;
}
