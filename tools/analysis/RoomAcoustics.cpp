#include "RoomAcoustics.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>

#include "Fft.h"

namespace analysis {

namespace {

using Spectrum = std::vector<std::complex<double>>;

// Octave filters: Butterworth magnitude of this order around each centre, applied with
// zero phase in the frequency domain, so that their ringing blurs short decays least.
constexpr int kFilterOrder = 4;
// Stretches end this far above the floor to count as reached.
constexpr double kFloorMarginDb = 10.0;
constexpr double kEarlySeconds = 0.080;
constexpr double kMaxLagSeconds = 0.001;
// The tail spectrum leaves out this much after the arrival (the early reflections).
constexpr double kTailStartSeconds = 0.100;

double octaveGain(double f, double centre) {
    if (f <= 0) return 0.0;
    const double relativeWidth = std::sqrt(2.0) - std::sqrt(0.5);
    const double w = (f / centre - centre / f) / relativeWidth;
    return 1.0 / std::sqrt(1.0 + std::pow(w * w, kFilterOrder));
}

double dB(double energyRatio) { return 10.0 * std::log10(std::max(energyRatio, 1e-300)); }

// Energy after the window's end, extrapolated from its last quarter: the mean power at
// the end times the decay's time constant there (no longer than the window itself, so a
// response that has stopped decaying counts as continuing as long again).
double missingEnergy(const std::vector<double>& e, size_t from, double rate) {
    const size_t n = e.size() - from;
    const size_t win = std::max<size_t>(1, static_cast<size_t>(rate * 0.010));
    const size_t windows = n / win;
    if (windows < 4) return 0.0;
    const size_t first = windows - std::max<size_t>(4, windows / 4);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double count = static_cast<double>(windows - first);
    double lastPower = 0;
    for (size_t w = first; w < windows; ++w) {
        double sum = 0;
        for (size_t i = 0; i < win; ++i) sum += e[from + w * win + i];
        const double x = w * win / rate, y = dB(sum / win);
        sx += x, sy += y, sxx += x * x, sxy += x * y;
        lastPower = sum / win;
    }
    const double slope = (count * sxy - sx * sy) / (count * sxx - sx * sx);   // dB per second
    const double windowSeconds = n / rate;
    double tau = windowSeconds;
    if (slope < 0) tau = std::min(tau, 10.0 / (-slope * std::log(10.0)));
    return lastPower * tau * rate;
}

// Band energy (summed over paths) from `from` to the end, and its decay figures.
BandDecay bandDecay(const std::vector<double>& e, size_t from, double rate, double centre, double step) {
    BandDecay b;
    b.centreHz = centre;
    const double tail = missingEnergy(e, from, rate);
    std::vector<double> curve(e.size() - from);
    double sum = tail;
    for (size_t i = e.size(); i-- > from;) {
        sum += e[i];
        curve[i - from] = sum;
    }
    const double total = curve.empty() ? 0.0 : curve[0];
    if (!(total > 0)) {
        b.floorDb = 0;
        return b;
    }
    for (double& c : curve) c = dB(c / total);
    b.floorDb = tail > 0 ? dB(tail / total) : curve.back();
    b.edt = decayTime(curve, rate, 0.0, -10.0, b.floorDb);
    b.t20 = decayTime(curve, rate, -5.0, -25.0, b.floorDb);
    b.t30 = decayTime(curve, rate, -5.0, -35.0, b.floorDb);
    const size_t every = std::max<size_t>(1, static_cast<size_t>(std::lround(step * rate)));
    for (size_t i = 0; i < curve.size(); i += every) b.curveDb.push_back(static_cast<float>(curve[i]));
    return b;
}


// Power spectrum of the stereo tail, averaged over sixth-octave steps from 20 Hz up.
void tailSpectrum(const std::vector<float>& l, const std::vector<float>& r, size_t from, double rate,
                  ResponseFigures& out) {
    const size_t n = l.size() > from ? l.size() - from : 0;
    if (n < 64) return;
    RealFft fft(goodFftSize(n));
    Spectrum sl(fft.bins()), sr(fft.bins());
    fft.forward(l.data() + from, n, sl.data());
    fft.forward(r.data() + from, n, sr.data());
    const double binHz = rate / fft.size();
    std::vector<double> hz, level;
    for (double lo = 20.0; lo * std::pow(2.0, 1.0 / 6) < rate / 2; lo *= std::pow(2.0, 1.0 / 6)) {
        const double hi = lo * std::pow(2.0, 1.0 / 6);
        const size_t k0 = static_cast<size_t>(std::ceil(lo / binHz)), k1 = static_cast<size_t>(std::ceil(hi / binHz));
        double sum = 0;
        size_t count = 0;
        for (size_t k = k0; k < k1 && k < sl.size(); ++k, ++count) sum += std::norm(sl[k]) + std::norm(sr[k]);
        if (count == 0) continue;
        hz.push_back(std::sqrt(lo * hi));
        level.push_back(dB(sum / count));
    }
    const double top = level.empty() ? 0.0 : *std::max_element(level.begin(), level.end());
    for (double& v : level) v -= top;
    out.spectrumHz = hz;
    out.spectrumDb = level;
}

}  // namespace

size_t arrivalIndex(const std::vector<const std::vector<float>*>& signals) {
    float peak = 0;
    for (const auto* s : signals)
        for (float v : *s) peak = std::max(peak, std::fabs(v));
    if (!(peak > 0)) return 0;
    size_t first = SIZE_MAX;
    for (const auto* s : signals)
        for (size_t i = 0; i < s->size() && i < first; ++i)
            if (std::fabs((*s)[i]) >= peak * 0.1f) first = i;
    return first == SIZE_MAX ? 0 : first;
}

double crossCorrelation(const float* l, const float* r, size_t n, size_t maxLag, std::vector<double>* curve) {
    if (curve) curve->assign(2 * maxLag + 1, 0.0);
    double el = 0, er = 0;
    for (size_t i = 0; i < n; ++i) el += double(l[i]) * l[i], er += double(r[i]) * r[i];
    if (!(el > 0 && er > 0)) return 0.0;
    RealFft fft(goodFftSize(n + maxLag + 1));
    Spectrum fl(fft.bins()), fr(fft.bins());
    fft.forward(l, n, fl.data());
    fft.forward(r, n, fr.data());
    for (size_t k = 0; k < fl.size(); ++k) fl[k] = std::conj(fl[k]) * fr[k];
    std::vector<double> c(fft.size());
    fft.inverse(fl.data(), c.data());   // c[lag] = sum of l[i] * r[i + lag], circular
    const double norm = std::sqrt(el * er);
    double best = 0;
    for (long lag = -static_cast<long>(maxLag); lag <= static_cast<long>(maxLag); ++lag) {
        const double v = c[(lag + static_cast<long>(fft.size())) % static_cast<long>(fft.size())] / norm;
        if (curve) (*curve)[static_cast<size_t>(lag + static_cast<long>(maxLag))] = v;
        best = std::max(best, std::fabs(v));
    }
    return std::min(best, 1.0);
}

DecayTime decayTime(const std::vector<double>& curveDb, double rate, double startDb, double endDb, double floorDb) {
    DecayTime t;
    size_t i0 = 0;
    while (i0 < curveDb.size() && curveDb[i0] > startDb) ++i0;
    size_t i1 = i0;
    while (i1 < curveDb.size() && curveDb[i1] > endDb) ++i1;
    if (i1 >= curveDb.size() || i1 <= i0 + 1) return t;
    // The sums run over sample positions relative to i0, so that long curves keep precision.
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = i0; i <= i1; ++i) {
        const double x = (i - i0) / rate, y = curveDb[i];
        sx += x, sy += y, sxx += x * x, sxy += x * y;
    }
    const double n = static_cast<double>(i1 - i0 + 1);
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    if (!(slope < 0)) return t;
    t.seconds = -60.0 / slope;
    t.reached = floorDb <= endDb - kFloorMarginDb;
    return t;
}

std::string decayText(const DecayTime& t) {
    if (!t.reached) return "not reached";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", t.seconds);
    return text;
}

ResponseFigures analyseResponse(double rate, const std::vector<const std::vector<float>*>& paths,
                                const std::vector<float>& left, const std::vector<float>& right) {
    ResponseFigures f;
    f.rate = rate;
    size_t n = 0;
    for (const auto* p : paths) n = std::max(n, p->size());
    f.windowSeconds = n / rate;
    std::vector<const std::vector<float>*> all = paths;
    all.push_back(&left);
    all.push_back(&right);
    const size_t arrival = arrivalIndex(all);
    f.arrivalSeconds = arrival / rate;

    // Octave bands: each path through the FFT once, then each band's filter and back.
    const size_t pad = std::max<size_t>(8192, static_cast<size_t>(rate * 0.25));
    RealFft fft(goodFftSize(n + pad));
    Spectrum spectrum(fft.bins()), filtered(fft.bins());
    std::vector<double> bandSignal(fft.size());
    std::vector<std::vector<double>> energy(kBandCount, std::vector<double>(n, 0.0));
    for (const auto* p : paths) {
        fft.forward(p->data(), p->size(), spectrum.data());
        for (int b = 0; b < kBandCount; ++b) {
            for (size_t k = 0; k < spectrum.size(); ++k)
                filtered[k] = spectrum[k] * octaveGain(k * rate / fft.size(), kBandCentres[b]);
            fft.inverse(filtered.data(), bandSignal.data());
            for (size_t i = 0; i < n; ++i) energy[b][i] += bandSignal[i] * bandSignal[i];
        }
    }
    for (int b = 0; b < kBandCount; ++b) f.bands[b] = bandDecay(energy[b], arrival, rate, kBandCentres[b], f.curveStep);

    const size_t maxLag = static_cast<size_t>(std::lround(kMaxLagSeconds * rate));
    const size_t early = arrival + static_cast<size_t>(std::lround(kEarlySeconds * rate));
    const size_t len = std::min(left.size(), right.size());
    auto iacc = [&](size_t from, size_t to, std::vector<double>* curve) {
        to = std::min(to, len);
        return from < to ? crossCorrelation(left.data() + from, right.data() + from, to - from, maxLag, curve) : 0.0;
    };
    f.iaccAll = iacc(arrival, len, nullptr);
    f.iaccEarly = iacc(arrival, early, &f.iacfEarly);
    f.iaccLate = iacc(early, len, nullptr);
    tailSpectrum(left, right, std::min(len, arrival + static_cast<size_t>(kTailStartSeconds * rate)), rate, f);
    return f;
}

}  // namespace analysis
