#include "DemoSounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ByteWriters.h"

namespace demo {

namespace {

constexpr double kTau = 2 * M_PI;

struct Noise {
    std::uint32_t s;
    double next() {  // -1..1
        s = s * 1664525u + 1013904223u;
        return (s >> 8) / double(1 << 23) - 1.0;
    }
};

// Two-pole band-pass (constant peak gain), enough to colour noise.
struct BandPass {
    double b0 = 0, b2 = 0, a1 = 0, a2 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    void set(double rate, double centre, double q) {
        const double w = kTau * centre / rate, alpha = std::sin(w) / (2 * q), a0 = 1 + alpha;
        b0 = alpha / a0;
        b2 = -alpha / a0;
        a1 = -2 * std::cos(w) / a0;
        a2 = (1 - alpha) / a0;
    }
    double step(double x) {
        const double y = b0 * x + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

std::vector<double> silence(int rate, double seconds) {
    return std::vector<double>(static_cast<size_t>(std::lround(rate * seconds)), 0.0);
}

void normalise(std::vector<double>& s, double peak) {
    double m = 0;
    for (double v : s) m = std::max(m, std::abs(v));
    if (m > 0)
        for (double& v : s) v *= peak / m;
}

// A struck bell: inharmonic partials, the high ones dying first.
void bell(std::vector<double>& s, int rate, double at, double f, double gain) {
    const double ratios[] = {1.0, 2.0, 2.76, 5.4, 8.93};
    const double amps[] = {1.0, 0.5, 0.35, 0.18, 0.08};
    const double decay[] = {1.4, 0.9, 0.6, 0.3, 0.15};
    for (size_t i = static_cast<size_t>(at * rate); i < s.size(); ++i) {
        const double t = i / double(rate) - at;
        double v = 0;
        for (int k = 0; k < 5; ++k)
            if (f * ratios[k] < rate / 2.0) v += amps[k] * std::exp(-t / decay[k]) * std::sin(kTau * f * ratios[k] * t);
        s[i] += gain * v * std::min(1.0, t * 400);
    }
}

std::vector<double> chime(int rate) {
    auto s = silence(rate, 2.4);
    bell(s, rate, 0.0, 1318.5, 1.0);
    bell(s, rate, 0.32, 987.8, 0.8);
    bell(s, rate, 0.64, 1174.7, 0.7);
    normalise(s, 0.7);
    return s;
}

// Hinges: a train of clicks whose rate wanders, each ringing the iron briefly.
std::vector<double> creak(int rate) {
    auto s = silence(rate, 1.1);
    double t = 0.02;
    while (t < 1.0) {
        const double pulseRate = 35 + 30 * std::sin(t * 5.5) + 10 * std::sin(t * 23);
        for (size_t i = static_cast<size_t>(t * rate); i < s.size() && i < static_cast<size_t>((t + 0.03) * rate); ++i) {
            const double u = i / double(rate) - t;
            s[i] += std::exp(-u * 180) * (std::sin(kTau * 720 * u) + 0.6 * std::sin(kTau * 1530 * u) +
                                          0.3 * std::sin(kTau * 2650 * u));
        }
        t += 1.0 / pulseRate;
    }
    for (size_t i = 0; i < s.size(); ++i) {
        const double u = i / double(rate);
        s[i] *= std::min(1.0, u * 20) * std::min(1.0, (1.1 - u) * 8);
    }
    normalise(s, 0.6);
    return s;
}

// A drop of water: a short rising whistle, then its echo off the stones.
std::vector<double> drip(int rate, double low, double high, double length) {
    auto s = silence(rate, length);
    for (int echo = 0; echo < 3; ++echo) {
        const double at = echo * 0.11, gain = std::pow(0.35, echo);
        for (size_t i = static_cast<size_t>(at * rate); i < s.size(); ++i) {
            const double t = i / double(rate) - at;
            if (t > 0.12) break;
            const double f = low + (high - low) * std::min(1.0, t / 0.03);
            s[i] += gain * std::exp(-t * 45) * std::sin(kTau * f * t);
        }
    }
    normalise(s, 0.8);
    return s;
}

std::vector<double> owl(int rate) {
    auto s = silence(rate, 1.5);
    Noise n{9};
    const std::pair<double, double> hoots[] = {{0.05, 0.42}, {0.62, 0.16}, {0.84, 0.5}};
    for (const auto& [at, len] : hoots)
        for (size_t i = static_cast<size_t>(at * rate); i < static_cast<size_t>((at + len) * rate) && i < s.size(); ++i) {
            const double t = i / double(rate) - at;
            const double env = std::sin(M_PI * t / len);
            const double f = 390 - 40 * t / len;
            s[i] += env * env * (std::sin(kTau * f * t) + 0.15 * std::sin(kTau * 2 * f * t) + 0.05 * n.next());
        }
    normalise(s, 0.8);
    return s;
}

// A blow landing: a low thump with a burst of noise on top.
std::vector<double> hit(int rate) {
    auto s = silence(rate, 0.4);
    Noise n{4};
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / double(rate);
        phase += kTau * (55 + 60 * std::exp(-t * 20)) / rate;
        s[i] = std::exp(-t * 9) * std::sin(phase) + 0.6 * std::exp(-t * 40) * n.next();
    }
    normalise(s, 0.9);
    return s;
}

std::vector<double> growl(int rate) {
    auto s = silence(rate, 1.3);
    Noise n{17};
    BandPass bp;
    bp.set(rate, 420, 1.2);
    double phase = 0, rough = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / double(rate);
        phase += (75 + 12 * std::sin(t * 7)) / rate;
        rough = 0.995 * rough + 0.005 * n.next();
        const double saw = 2 * (phase - std::floor(phase)) - 1;
        const double env = std::min(1.0, t * 5) * std::min(1.0, (1.3 - t) * 3);
        s[i] = env * bp.step(saw * (1 + 8 * rough) + 0.2 * n.next());
    }
    normalise(s, 0.8);
    return s;
}

std::vector<double> wind(int rate) {
    auto s = silence(rate, 3.0);
    Noise n{21};
    BandPass bp;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / double(rate);
        if (i % 64 == 0) bp.set(rate, 380 + 240 * std::sin(t * 1.7) + 120 * std::sin(t * 4.3), 4.0);
        s[i] = std::sin(M_PI * t / 3.0) * bp.step(n.next());
    }
    normalise(s, 0.6);
    return s;
}

// --- Songs --------------------------------------------------------------------

struct Note {
    int key;  // MIDI key, 0 for a rest
    int beats;
};

// "The Lantern Road": a slow waltz in D dorian for flute over a harp.
std::string roadSong() {
    constexpr int q = 96;  // ticks per quarter
    const Note melody[] = {
        {74, 2}, {76, 1}, {77, 2}, {81, 1}, {79, 1}, {77, 1}, {76, 1}, {74, 3},
        {69, 2}, {72, 1}, {74, 2}, {76, 1}, {77, 1}, {76, 1}, {72, 1}, {74, 3},
        {77, 2}, {79, 1}, {81, 2}, {84, 1}, {83, 1}, {81, 1}, {79, 1}, {81, 3},
        {79, 1}, {77, 1}, {76, 1}, {77, 1}, {76, 1}, {74, 1}, {72, 2}, {76, 1}, {74, 3},
    };
    // One chord a bar: root, fifth and tenth, broken upwards.
    const int roots[16] = {50, 53, 48, 50, 45, 50, 48, 50, 53, 45, 43, 45, 48, 46, 48, 50};
    const bool minor[16] = {true, false, false, true, true, true, false, true,
                            false, true, false, true, false, false, false, true};

    MidiTrack conductor;
    conductor.name("The Lantern Road");
    conductor.tempo(600000);  // 100 quarters a minute
    conductor.timeSignature(3, 2);

    MidiTrack tune;
    tune.name("Flute");
    tune.program(0, 0, 73);
    std::uint32_t at = 0;
    for (const auto& n : melody) {
        if (n.key) tune.note(at, n.beats * q - 8, 0, static_cast<std::uint8_t>(n.key), 84);
        at += static_cast<std::uint32_t>(n.beats * q);
    }

    MidiTrack harp;
    harp.name("Harp");
    harp.program(0, 1, 46);
    for (int bar = 0; bar < 16; ++bar) {
        const int r = roots[bar];
        const int third = minor[bar] ? 3 : 4;
        const int keys[3] = {r, r + 7, r + 12 + third};
        for (int beat = 0; beat < 3; ++beat)
            harp.note(static_cast<std::uint32_t>((bar * 3 + beat) * q), 3 * q - beat * q, 1,
                      static_cast<std::uint8_t>(keys[beat]), beat == 0 ? 70 : 56);
    }
    return midiFile(1, q, {conductor.chunk(), tune.chunk(), harp.chunk()});
}

// "Daybreak": a short hymn in D major for bells and strings, one track.
std::string dawnSong() {
    constexpr int q = 120;
    const Note melody[] = {
        {74, 1}, {78, 1}, {81, 2}, {83, 1}, {81, 1}, {78, 2}, {79, 1}, {78, 1}, {76, 1}, {69, 1}, {74, 4},
        {78, 1}, {81, 1}, {86, 2}, {85, 1}, {83, 1}, {81, 2}, {79, 1}, {76, 1}, {73, 1}, {76, 1}, {74, 4},
    };
    const int chords[8][3] = {{50, 57, 66}, {47, 54, 62}, {43, 55, 59}, {50, 57, 66},
                              {50, 57, 66}, {45, 57, 64}, {43, 52, 59}, {50, 57, 66}};
    MidiTrack t;
    t.name("Daybreak");
    t.tempo(750000);  // 80 quarters a minute
    t.timeSignature(4, 2);
    t.program(0, 0, 14);  // tubular bells
    t.program(0, 1, 48);  // strings
    std::uint32_t at = 0;
    for (const auto& n : melody) {
        t.note(at, static_cast<std::uint32_t>(n.beats * q - 10), 0, static_cast<std::uint8_t>(n.key), 80);
        at += static_cast<std::uint32_t>(n.beats * q);
    }
    for (int bar = 0; bar < 8; ++bar)
        for (int k : chords[bar]) t.note(static_cast<std::uint32_t>(bar * 4 * q), 4 * q - 4, 1, static_cast<std::uint8_t>(k), 52);
    return midiFile(0, q, {t.chunk()});
}

}  // namespace

std::vector<SoundFile> demoSounds() {
    return {
        {"chime.wav", wavFile(chime(22050), 22050, 16)},
        {"creak.wav", wavFile(creak(22050), 22050, 16)},
        {"growl.wav", wavFile(growl(22050), 22050, 16)},
        {"wind.wav", wavFile(wind(22050), 22050, 16)},
        {"drip.wav", wavFile(drip(11025, 900, 2100, 0.7), 11025, 8)},
        {"plink.wav", wavFile(drip(11025, 600, 1300, 0.9), 11025, 8)},
        {"owl.wav", wavFile(owl(11025), 11025, 8)},
        {"hit.wav", wavFile(hit(11025), 11025, 8)},
    };
}

std::vector<SoundFile> demoSongs() {
    return {{"road.mid", roadSong()}, {"dawn.mid", dawnSong()}};
}

std::vector<double> clipSoundTrack(int rate, double seconds) {
    auto s = silence(rate, seconds);
    Noise n{33};
    BandPass bp;
    bp.set(rate, 2500, 0.8);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / double(rate);
        const double swell = t / seconds;
        const double crackle = (n.next() > 0.995) ? 0.5 : 0.0;
        s[i] = 0.15 * bp.step(n.next()) + 0.5 * crackle +
               0.25 * swell * std::sin(kTau * 55 * t) * (0.6 + 0.4 * std::sin(kTau * 0.7 * t));
    }
    normalise(s, 0.5);
    return s;
}

}  // namespace demo
