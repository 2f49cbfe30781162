#pragma once
// Measuring rendered audio in tests: a windowed amplitude spectrum (FFTW,
// double precision), the amplitude at a frequency, and a period-by-period
// peak envelope. Amplitudes are those of a sine: a full-scale sine reads 1.

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace vox::test {

// The 4-term Blackman-Harris window: side lobes below -92 dB, so a pure
// sine leaves nothing above -60 dB more than four bins from its peak.
inline std::vector<double> BlackmanHarris(std::size_t n) {
    std::vector<double> w(n);
    const double pi = 3.14159265358979323846;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = 2.0 * pi * static_cast<double>(i) / static_cast<double>(n);
        w[i] = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
    }
    return w;
}

struct Spectrum {
    double binHz = 1.0;
    std::vector<double> amplitude; // bins 0 .. n/2

    std::size_t binOf(double hz) const { return static_cast<std::size_t>(std::lround(hz / binHz)); }
    // The highest amplitude within `bins` of a frequency (the window's main
    // lobe is 4 bins either side).
    double at(double hz, std::size_t bins = 2) const {
        const std::size_t centre = binOf(hz);
        double best = 0;
        for (std::size_t b = centre > bins ? centre - bins : 0; b <= centre + bins && b < amplitude.size();
             ++b)
            best = std::max(best, amplitude[b]);
        return best;
    }
    std::size_t peakBin() const {
        return static_cast<std::size_t>(std::max_element(amplitude.begin(), amplitude.end()) -
                                        amplitude.begin());
    }
    // The peak's frequency, refined by a parabola through the log amplitudes
    // of the three bins around it.
    double peakHz() const {
        const std::size_t k = peakBin();
        if (k == 0 || k + 1 >= amplitude.size()) return static_cast<double>(k) * binHz;
        const double a = std::log(amplitude[k - 1]), b = std::log(amplitude[k]),
                     c = std::log(amplitude[k + 1]);
        const double shift = 0.5 * (a - c) / (a - 2 * b + c);
        return (static_cast<double>(k) + shift) * binHz;
    }
    // The highest amplitude outside `bins` of any of the given frequencies.
    double highestOutside(const std::vector<double> &hz, std::size_t bins = 4) const {
        double best = 0;
        for (std::size_t b = 1; b < amplitude.size(); ++b) {
            bool near = false;
            for (double f : hz) {
                const std::size_t c = binOf(f);
                near = near || (b + bins >= c && b <= c + bins);
            }
            if (!near) best = std::max(best, amplitude[b]);
        }
        return best;
    }
};

inline Spectrum AmplitudeSpectrum(const std::vector<float> &samples, double sampleRate) {
    const std::size_t n = samples.size();
    const std::vector<double> w = BlackmanHarris(n);
    double windowSum = 0;
    for (double v : w)
        windowSum += v;
    double *in = fftw_alloc_real(n);
    fftw_complex *out = fftw_alloc_complex(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(static_cast<int>(n), in, out, FFTW_ESTIMATE);
    for (std::size_t i = 0; i < n; ++i)
        in[i] = samples[i] * w[i];
    fftw_execute(plan);
    Spectrum s;
    s.binHz = sampleRate / static_cast<double>(n);
    s.amplitude.resize(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k)
        s.amplitude[k] = 2.0 * std::hypot(out[k][0], out[k][1]) / windowSum;
    fftw_destroy_plan(plan);
    fftw_free(out);
    fftw_free(in);
    return s;
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

// The largest |sample| of each run of `period` samples.
inline std::vector<double> PeakEnvelope(const std::vector<float> &samples, std::size_t period) {
    std::vector<double> env;
    for (std::size_t start = 0; start + period <= samples.size(); start += period) {
        double peak = 0;
        for (std::size_t i = start; i < start + period; ++i)
            peak = std::max(peak, static_cast<double>(std::abs(samples[i])));
        env.push_back(peak);
    }
    return env;
}

inline double Peak(const std::vector<float> &samples, std::size_t from = 0) {
    double peak = 0;
    for (std::size_t i = from; i < samples.size(); ++i)
        peak = std::max(peak, static_cast<double>(std::abs(samples[i])));
    return peak;
}

} // namespace vox::test
