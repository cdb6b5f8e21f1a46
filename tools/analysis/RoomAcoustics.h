#pragma once
// Room-acoustic figures of an impulse response, after ISO 3382-1: energy decay curves
// by backward integration in octave bands, reverberation times T20 and T30, early decay
// time, arrival time, interaural cross-correlation, and the spectrum of the tail.

#include <cstddef>
#include <string>
#include <vector>

namespace analysis {

constexpr int kBandCount = 7;
constexpr double kBandCentres[kBandCount] = {125, 250, 500, 1000, 2000, 4000, 8000};

// A decay time from a stretch of an energy decay curve. Not reached when the curve cannot
// be trusted down to the end of the stretch within the analysed window.
struct DecayTime {
    double seconds = 0;
    bool reached = false;
};

struct BandDecay {
    double centreHz = 0;
    DecayTime edt, t20, t30;
    // Lowest level (dB) the decay curve reaches before the end of the window makes it
    // unreliable; a stretch counts as reached when it ends 10 dB above this.
    double floorDb = 0;
    std::vector<float> curveDb;   // energy decay curve from the arrival, one value per curveStep
};

struct ResponseFigures {
    double rate = 0;
    double windowSeconds = 0;      // length of the analysed response
    double arrivalSeconds = 0;     // first sample within 20 dB of the peak
    double curveStep = 0.001;      // seconds between the points of each curveDb
    BandDecay bands[kBandCount];
    double iaccAll = 0, iaccEarly = 0, iaccLate = 0;   // whole response, first 80 ms, after 80 ms
    std::vector<double> iacfEarly;   // correlation over lags -1..+1 ms, for the early part
    std::vector<double> spectrumHz, spectrumDb;   // the tail's spectrum in sixth-octave steps, 0 dB at its top
};

// paths: the responses whose energies the decay figures add up (e.g. the four paths from
// each input to each output); left, right: the stereo response whose correlation and
// tail spectrum are measured. All at the same rate and of the same length.
ResponseFigures analyseResponse(double rate, const std::vector<const std::vector<float>*>& paths,
                                const std::vector<float>& left, const std::vector<float>& right);

// Index of the first sample, in any of the signals, within 20 dB of the largest magnitude.
size_t arrivalIndex(const std::vector<const std::vector<float>*>& signals);

// Normalised interaural cross-correlation of l and r over lags up to maxLag samples: the
// largest magnitude (0..1). curve, when given, receives the values at lags -maxLag..maxLag.
double crossCorrelation(const float* l, const float* r, size_t n, size_t maxLag,
                        std::vector<double>* curve = nullptr);

// Decay time from the stretch of an energy decay curve (dB, one value per sample from
// `from`) between startDb and endDb: a least-squares line through it, extended to -60 dB.
DecayTime decayTime(const std::vector<double>& curveDb, double rate, double startDb, double endDb,
                    double floorDb);

// "1.23" for a reached time, "not reached" otherwise.
std::string decayText(const DecayTime& t);

}  // namespace analysis
