#pragma once
// FftPlans: the FFTW plans of the surface analysis, one pair per lattice size (a real-to-complex
// forward transform and its complex-to-real inverse), made once and kept for the process.
// FFTW's planner is not thread-safe, so every plan is made and destroyed under one lock; a plan
// once made is executed on caller-owned arrays (FFTW's new-array functions), so any number of
// threads may transform at the same time.
#include <fftw3.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

// An FFTW-aligned array (fftw_malloc): every array handed to a cached plan must be one of these,
// so that its alignment matches the plan's.
template <class T>
struct FftwFree {
    void operator()(T* p) const { fftw_free(p); }
};
template <class T>
using FftwArray = std::unique_ptr<T[], FftwFree<T>>;

FftwArray<double> allocateReal(std::size_t count);
FftwArray<fftw_complex> allocateComplex(std::size_t count);

class FftPlans {
public:
    // Transforms of a rows x cols real lattice (row-major) to its rows x (cols / 2 + 1)
    // half spectrum and back; neither is normalised.
    struct Pair {
        int32_t rows = 0;
        int32_t cols = 0;
        fftw_plan forward = nullptr;  // r2c: real rows x cols -> half spectrum
        fftw_plan backward = nullptr; // c2r: half spectrum -> real; destroys its input
        Pair() = default;
        Pair(const Pair&) = delete;
        Pair& operator=(const Pair&) = delete;
        ~Pair();

        void transform(double* real, fftw_complex* half) const { fftw_execute_dft_r2c(forward, real, half); }
        void inverse(fftw_complex* half, double* real) const { fftw_execute_dft_c2r(backward, half, real); }
    };

    // The plans for rows x cols, made on first use. The plans stay valid while the pointer is
    // held, even when clear() runs meanwhile.
    static std::shared_ptr<const Pair> forSize(int32_t rows, int32_t cols);

    // Forgets every cached plan (each is destroyed once its last user lets it go).
    static void clear();

    // Held while FFTW's planner runs; code elsewhere that makes FFTW plans must take it too.
    static std::mutex& plannerMutex();
};
