#include "audio/music_spectrum.h"

#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

SpectrumAnalyzer::SpectrumAnalyzer() {
    fft = kiss_fftr_alloc(size, 0, nullptr, nullptr);
    double sum = 0;
    for (int i = 0; i < size; ++i) {
        window[i] = float(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / size));
        sum += window[i];
    }
    scale = 2.0 / sum;
}

SpectrumAnalyzer::~SpectrumAnalyzer() {
    kiss_fftr_free(fft);
}

void SpectrumAnalyzer::Analyze(const float* samples, float* out) {
    if (!fft) {  // out of memory at start-up: report silence rather than crash
        for (int k = 0; k < bands; ++k) out[k] = 0.0f;
        return;
    }
    kiss_fft_scalar in[size];
    kiss_fft_cpx bins[size / 2 + 1];
    for (int i = 0; i < size; ++i) in[i] = samples[i] * window[i];
    kiss_fftr(fft, in, bins);
    for (int k = 0; k < bands; ++k) {
        const double re = bins[k].r, im = bins[k].i;
        out[k] = float(std::sqrt(re * re + im * im) * scale);
    }
}
