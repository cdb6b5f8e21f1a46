#include "Fft.h"

#include <fftw3.h>

#include <algorithm>
#include <mutex>

namespace analysis {

namespace {
std::mutex planLock;
}

size_t goodFftSize(size_t n) {
    for (size_t m = std::max<size_t>(n, 1);; ++m) {
        size_t r = m;
        for (size_t f : {2, 3, 5, 7})
            while (r % f == 0) r /= f;
        if (r == 1) return m;
    }
}

RealFft::RealFft(size_t n) : n_(std::max<size_t>(n, 2)) {
    time_ = fftw_alloc_real(n_);
    freq_ = reinterpret_cast<std::complex<double>*>(fftw_alloc_complex(bins()));
    std::lock_guard<std::mutex> lock(planLock);
    auto* f = reinterpret_cast<fftw_complex*>(freq_);
    forwardPlan_ = fftw_plan_dft_r2c_1d(static_cast<int>(n_), time_, f, FFTW_ESTIMATE);
    inversePlan_ = fftw_plan_dft_c2r_1d(static_cast<int>(n_), f, time_, FFTW_ESTIMATE);
}

RealFft::~RealFft() {
    {
        std::lock_guard<std::mutex> lock(planLock);
        fftw_destroy_plan(static_cast<fftw_plan>(forwardPlan_));
        fftw_destroy_plan(static_cast<fftw_plan>(inversePlan_));
    }
    fftw_free(time_);
    fftw_free(freq_);
}

template <typename Sample>
void RealFft::load(const Sample* in, size_t count) {
    count = std::min(count, n_);
    std::copy(in, in + count, time_);
    std::fill(time_ + count, time_ + n_, 0.0);
}

void RealFft::run(std::complex<double>* out) {
    fftw_execute(static_cast<fftw_plan>(forwardPlan_));
    std::copy(freq_, freq_ + bins(), out);
}

void RealFft::forward(const double* in, size_t count, std::complex<double>* out) {
    load(in, count);
    run(out);
}

void RealFft::forward(const float* in, size_t count, std::complex<double>* out) {
    load(in, count);
    run(out);
}

void RealFft::inverse(const std::complex<double>* in, double* out) {
    std::copy(in, in + bins(), freq_);
    fftw_execute(static_cast<fftw_plan>(inversePlan_));
    const double scale = 1.0 / static_cast<double>(n_);
    for (size_t i = 0; i < n_; ++i) out[i] = time_[i] * scale;
}

std::vector<double> convolve(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.empty() || b.empty()) return {};
    const size_t len = a.size() + b.size() - 1;
    RealFft fft(goodFftSize(len));
    std::vector<std::complex<double>> fa(fft.bins()), fb(fft.bins());
    fft.forward(a.data(), a.size(), fa.data());
    fft.forward(b.data(), b.size(), fb.data());
    for (size_t k = 0; k < fa.size(); ++k) fa[k] *= fb[k];
    std::vector<double> out(fft.size());
    fft.inverse(fa.data(), out.data());
    out.resize(len);
    return out;
}

}  // namespace analysis
