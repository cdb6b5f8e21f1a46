#include "DemoSound.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace render {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Small linear congruential generator: the same noise everywhere, unlike rand().
class Noise {
public:
    double next() {   // -1 .. 1
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
    }

private:
    uint32_t state_ = 0x2545f491u;
};

class Mixer {
public:
    Mixer(int rate, double seconds)
        : rate_(rate), left_(static_cast<size_t>(rate * seconds), 0.0), right_(left_.size(), 0.0) {}

    int rate() const { return rate_; }

    // Adds a mono voice at time t, panned from -1 (left) to 1 (right) with equal power.
    void add(double t, const std::vector<double>& voice, double pan, double gain) {
        const double angle = (pan + 1.0) * kPi / 4.0;
        const double gl = std::cos(angle) * gain, gr = std::sin(angle) * gain;
        const size_t start = static_cast<size_t>(t * rate_);
        // Every voice ends with a 5 ms fade, so none stops with a click of its own.
        const size_t fade = std::max<size_t>(1, static_cast<size_t>(0.005 * rate_));
        for (size_t i = 0; i < voice.size() && start + i < left_.size(); ++i) {
            const size_t remaining = voice.size() - i;
            const double end = remaining < fade ? static_cast<double>(remaining) / fade : 1.0;
            left_[start + i] += gl * voice[i] * end;
            right_[start + i] += gr * voice[i] * end;
        }
    }

    DemoSound finish() const {
        double peak = 0;
        for (size_t i = 0; i < left_.size(); ++i)
            peak = std::max(peak, std::max(std::fabs(left_[i]), std::fabs(right_[i])));
        const double scale = peak > 0 ? kDemoPeak / peak : 0.0;
        DemoSound d;
        d.left.resize(left_.size());
        d.right.resize(right_.size());
        for (size_t i = 0; i < left_.size(); ++i) {
            d.left[i] = static_cast<float>(left_[i] * scale);
            d.right[i] = static_cast<float>(right_[i] * scale);
        }
        return d;
    }

private:
    int rate_;
    std::vector<double> left_, right_;
};

double noteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Plucked string: a noise burst circulating in a delay line of one period, averaged
// a little on every pass so the upper partials die first.
std::vector<double> pluck(int rate, double hz, double seconds, Noise& noise) {
    const size_t period = std::max<size_t>(2, static_cast<size_t>(rate / hz + 0.5));
    std::vector<double> line(period);
    for (double& v : line) v = noise.next();
    std::vector<double> out(static_cast<size_t>(seconds * rate));
    const double loss = 0.996;
    size_t pos = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const size_t next = (pos + 1) % period;
        out[i] = line[pos];
        line[pos] = loss * 0.5 * (line[pos] + line[next]);
        pos = next;
    }
    return out;
}

std::vector<double> kick(int rate) {
    std::vector<double> out(static_cast<size_t>(0.4 * rate));
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double hz = 50.0 + 110.0 * std::exp(-t / 0.03);
        phase += 2.0 * kPi * hz / rate;
        out[i] = std::sin(phase) * std::exp(-t / 0.12);
    }
    return out;
}

std::vector<double> snare(int rate, Noise& noise) {
    std::vector<double> out(static_cast<size_t>(0.3 * rate));
    double prev = 0, hp = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double n = noise.next();
        hp = 0.85 * (hp + n - prev);   // brighten the rattle with a first-order high-pass
        prev = n;
        out[i] = 0.8 * hp * std::exp(-t / 0.07) + 0.6 * std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t / 0.04);
    }
    return out;
}

// An electric-piano-like tone: a few harmonics with a quick attack and a slow decay.
std::vector<double> keys(int rate, double hz, double seconds) {
    std::vector<double> out(static_cast<size_t>(seconds * rate));
    const double harmonics[] = {1.0, 0.45, 0.2, 0.08};
    const double release = 0.02;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        for (int h = 0; h < 4; ++h)
            v += harmonics[h] * std::sin(2.0 * kPi * hz * (h + 1) * t) * std::exp(-t * (1.2 + h));
        const double attack = std::min(1.0, t / 0.004);
        const double end = std::min(1.0, (seconds - t) / release);
        out[i] = v * attack * end;
    }
    return out;
}

void chord(Mixer& m, double t, std::initializer_list<int> notes, double seconds, double gain) {
    double pan = -0.4;
    const double step = notes.size() > 1 ? 0.8 / (notes.size() - 1) : 0.0;
    for (int n : notes) {
        m.add(t, keys(m.rate(), noteHz(n), seconds), pan, gain);
        pan += step;
    }
}

}  // namespace

DemoSound synthesiseDemo(int sampleRate) {
    Mixer m(sampleRate, kDemoSeconds);
    Noise noise;
    const int rate = sampleRate;

    // Bar 1: plucked C major arpeggio over kick and snare.
    m.add(0.00, kick(rate), 0.0, 0.9);
    m.add(0.00, pluck(rate, noteHz(60), 0.6, noise), -0.5, 0.5);
    m.add(0.25, pluck(rate, noteHz(64), 0.6, noise), 0.5, 0.5);
    m.add(0.50, snare(rate, noise), 0.1, 0.6);
    m.add(0.50, pluck(rate, noteHz(67), 0.6, noise), -0.5, 0.5);
    m.add(0.75, pluck(rate, noteHz(72), 0.6, noise), 0.5, 0.5);
    // A held C major seventh chord.
    m.add(1.00, kick(rate), 0.0, 0.9);
    chord(m, 1.00, {48, 52, 55, 59}, 0.9, 0.25);
    // A falling run of plucks.
    m.add(2.00, snare(rate, noise), 0.1, 0.6);
    m.add(2.000, pluck(rate, noteHz(67), 0.4, noise), 0.6, 0.45);
    m.add(2.125, pluck(rate, noteHz(64), 0.4, noise), 0.2, 0.45);
    m.add(2.250, pluck(rate, noteHz(62), 0.4, noise), -0.2, 0.45);
    m.add(2.375, pluck(rate, noteHz(60), 0.4, noise), -0.6, 0.45);
    m.add(2.50, kick(rate), 0.0, 0.9);
    // A short F major stab on kick and snare, then one last note that stops dead.
    m.add(3.00, kick(rate), 0.0, 0.9);
    m.add(3.00, snare(rate, noise), 0.1, 0.6);
    chord(m, 3.00, {53, 57, 60}, 0.25, 0.3);
    m.add(3.50, snare(rate, noise), -0.1, 0.5);
    m.add(3.50, pluck(rate, noteHz(72), 0.45, noise), 0.3, 0.55);
    return m.finish();
}

}  // namespace render
