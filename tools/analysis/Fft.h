#pragma once
// Real FFTs through FFTW, for the response analysis. FFTW's planner is not thread-safe:
// plans are made under a lock, while running them is safe from any thread.

#include <complex>
#include <cstddef>
#include <vector>

namespace analysis {

// The smallest size at least n whose only factors are 2, 3, 5 and 7 (fast for FFTW).
size_t goodFftSize(size_t n);

class RealFft {
public:
    explicit RealFft(size_t n);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    size_t size() const { return n_; }
    size_t bins() const { return n_ / 2 + 1; }
    // in: count <= size() samples, zero-padded; out: bins() values.
    void forward(const double* in, size_t count, std::complex<double>* out);
    void forward(const float* in, size_t count, std::complex<double>* out);
    // in: bins() values; out: size() samples, scaled by 1/size() (forward then inverse
    // gives the input back).
    void inverse(const std::complex<double>* in, double* out);

private:
    template <typename Sample>
    void load(const Sample* in, size_t count);   // into the time buffer, zero-padded
    void run(std::complex<double>* out);          // the forward transform of the time buffer
    size_t n_;
    double* time_;
    std::complex<double>* freq_;
    void* forwardPlan_;
    void* inversePlan_;
};

// Linear convolution of a and b (length a + b - 1).
std::vector<double> convolve(const std::vector<double>& a, const std::vector<double>& b);

}  // namespace analysis
