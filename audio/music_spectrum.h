// The show's spectrum: 256 magnitudes of a 512-point FFT of a mono block, lowest band first,
// with a periodic Hann window w[i] = 0.5 - 0.5 cos(2 pi i / 512) and magnitude k = |X_k| * 2 / sum(w).
// On that scale a full-scale sine centred on bin k >= 1 reads 1.0 in bin k.
#pragma once

struct kiss_fftr_state;

class SpectrumAnalyzer {
public:
    static constexpr int size = 512;   // samples in
    static constexpr int bands = 256;  // magnitudes out

    SpectrumAnalyzer();
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

    // Writes out[0..255] only.
    void Analyze(const float* samples, float* out);

private:
    kiss_fftr_state* fft = nullptr;
    float window[size];
    double scale = 0;  // 2 / sum of the window
};
