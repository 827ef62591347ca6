#pragma once
// FftPlans: the FFTW plans of the surface analysis, one pair per lattice size (a real-to-complex
// forward transform and its complex-to-real inverse, both in place), made once and kept for the
// process.
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
struct FftwFree {
    void operator()(double* p) const { fftw_free(p); }
};
using FftwArray = std::unique_ptr<double[], FftwFree>;

// The array one in-place transform of a rows x cols lattice works on: row y of the lattice at
// y * paddedCols(cols), then as many complex numbers (cols / 2 + 1 per row, re and im) after
// the transform.
inline int64_t paddedCols(int32_t cols) { return 2 * (static_cast<int64_t>(cols) / 2 + 1); }
FftwArray allocatePadded(int32_t rows, int32_t cols);

class FftPlans {
public:
    // Transforms of a rows x cols real lattice to its rows x (cols / 2 + 1) half spectrum and
    // back, in place on an allocatePadded array; neither is normalised.
    struct Pair {
        int32_t rows = 0;
        int32_t cols = 0;
        fftw_plan forward = nullptr;  // r2c
        fftw_plan backward = nullptr; // c2r
        Pair() = default;
        Pair(const Pair&) = delete;
        Pair& operator=(const Pair&) = delete;
        ~Pair();

        void transform(double* padded) const
        {
            fftw_execute_dft_r2c(forward, padded, reinterpret_cast<fftw_complex*>(padded));
        }
        void inverse(double* padded) const
        {
            fftw_execute_dft_c2r(backward, reinterpret_cast<fftw_complex*>(padded), padded);
        }
    };

    // The plans for rows x cols, made on first use. The plans stay valid while the pointer is
    // held, even when clear() runs meanwhile.
    static std::shared_ptr<const Pair> forSize(int32_t rows, int32_t cols);

    // Forgets every cached plan (each is destroyed once its last user lets it go).
    static void clear();

    // Held while FFTW's planner runs; code elsewhere that makes FFTW plans must take it too.
    static std::mutex& plannerMutex();
};
