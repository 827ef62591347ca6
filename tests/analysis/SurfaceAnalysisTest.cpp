// The surface analysis against its definitions written out as direct sums over small lattices,
// and on surfaces whose answers are known in closed form.
#include "analysis/FftPlans.h"
#include "analysis/SurfaceAnalysis.h"
#include "SurfaceReference.h"

#include "model/AppError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <thread>
#include <vector>

namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

Lattice randomLattice(int32_t rows, int32_t cols, int64_t low, int64_t high, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int64_t> height(low, high);
    Lattice l{rows, cols, std::vector<int32_t>(size_t(rows) * cols)};
    for (int32_t& v : l.h)
        v = static_cast<int32_t>(height(random));
    return l;
}

// Equal to 1e-9 of the larger of the expected value and the surface's own scale.
void expectClose(const std::vector<double>& actual, const std::vector<double>& expected, double scale)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-9 * std::max(std::abs(expected[i]), scale)) << "entry " << i;
}

class SurfaceAnalysisTest : public ::testing::Test {
protected:
    // Odd, even and non-square sizes; 8 x 6 has wave vectors on a bin boundary (|q| / D = 2.5)
    // and heights 2^29 apart; two sit at the int32 limits.
    static inline const std::vector<Lattice> lattices = {
        randomLattice(5, 7, -3, 5, 1),         randomLattice(8, 6, 0, 1 << 29, 2),
        randomLattice(2, 9, -1, 1, 3),         randomLattice(16, 8, -50, 50, 4),
        randomLattice(9, 9, kMax - 6, kMax, 5), randomLattice(4, 10, kMin, kMax, 6),
        randomLattice(6, 4, 0, 70000, 13),
    };
    static inline std::vector<Reference> references;
    static void SetUpTestSuite()
    {
        for (const Lattice& l : lattices)
            references.push_back(reference(l));
    }
};

TEST_F(SurfaceAnalysisTest, StructureFactorMatchesTheDirectSum)
{
    for (size_t i = 0; i < lattices.size(); ++i) {
        SCOPED_TRACE(i);
        const Reference& ref = references[i];
        expectClose(structureFactorMap(lattices[i].view()), ref.map, double(ref.w2));
        const StructureFactorCurve curve = structureFactor(lattices[i].view());
        expectClose(curve.s, ref.s, double(ref.w2));
        EXPECT_EQ(curve.modes, ref.modes);
        for (size_t b = 0; b < curve.k.size(); ++b)
            EXPECT_DOUBLE_EQ(curve.k[b], (b + 1) * 2 * M_PI / std::min(lattices[i].rows, lattices[i].cols));
    }
}

TEST_F(SurfaceAnalysisTest, CorrelationAndHeightDifferenceMatchTheDirectSums)
{
    for (size_t i = 0; i < lattices.size(); ++i) {
        SCOPED_TRACE(i);
        const Reference& ref = references[i];
        const CorrelationCurves curves = correlation(lattices[i].view());
        expectClose(curves.c, ref.c, double(ref.w2));
        expectClose(curves.g, ref.g, double(ref.w2));
        ASSERT_EQ(curves.length.has_value(), ref.length.has_value());
        if (ref.length) {
            EXPECT_NEAR(*curves.length, *ref.length, 1e-9 * *ref.length);
        }
    }
}

TEST_F(SurfaceAnalysisTest, LocalWidthMatchesEveryWindow)
{
    for (size_t i = 0; i < lattices.size(); ++i) {
        SCOPED_TRACE(i);
        const LocalWidthCurve curve = localWidth(lattices[i].view());
        expectClose(curve.w, references[i].w, 0.0);
        for (size_t k = 0; k < curve.l.size(); ++k)
            EXPECT_EQ(curve.l[k], 2 << k);
    }
}

TEST_F(SurfaceAnalysisTest, MomentsAndSlopesMatchTheDirectCount)
{
    for (size_t i = 0; i < lattices.size(); ++i) {
        SCOPED_TRACE(i);
        const Reference& ref = references[i];
        const HeightMoments moments = heightMoments(lattices[i].view());
        EXPECT_NEAR(*moments.skewness, *ref.skewness, 1e-9 * std::max(1.0, std::abs(*ref.skewness)));
        EXPECT_NEAR(*moments.excessKurtosis, *ref.kurtosis, 1e-9 * std::max(1.0, std::abs(*ref.kurtosis)));
        std::map<int64_t, int64_t> steps;
        double fractions = 0;
        for (const SlopeBin& bin : slopeHistogram(lattices[i].view())) {
            EXPECT_TRUE(steps.empty() || bin.difference > steps.rbegin()->first) << "sorted, each once";
            steps[bin.difference] = bin.count;
            EXPECT_DOUBLE_EQ(bin.fraction, double(bin.count) / (2 * lattices[i].cells()));
            fractions += bin.fraction;
        }
        EXPECT_EQ(steps, ref.steps);
        EXPECT_NEAR(fractions, 1.0, 1e-12);
    }
}

TEST_F(SurfaceAnalysisTest, TheWholeAnalysisGivesWhatTheSingleFunctionsGive)
{
    for (size_t i = 0; i < lattices.size(); ++i) {
        SCOPED_TRACE(i);
        const HeightView view = lattices[i].view();
        const SurfaceAnalysis all = analyseSurface(view);
        EXPECT_NEAR(all.mean, double(references[i].mean), 1e-15 * std::abs(double(references[i].mean)) + 1e-15);
        EXPECT_NEAR(all.width2, double(references[i].w2), 1e-12 * double(references[i].w2));
        EXPECT_DOUBLE_EQ(all.width * all.width, all.width2);
        EXPECT_EQ(all.structureFactor.s, structureFactor(view).s);
        EXPECT_EQ(all.correlation.g, correlation(view).g);
        EXPECT_EQ(all.correlation.length, correlation(view).length);
        EXPECT_EQ(all.localWidth.w, localWidth(view).w);
        EXPECT_EQ(all.moments.excessKurtosis, heightMoments(view).excessKurtosis);
        EXPECT_EQ(all.slopes.size(), slopeHistogram(view).size());
    }
}

TEST(SurfaceAnalysis, ASinusoidPutsItsPowerAtItsWaveNumber)
{
    // Three periods along the 16 rows of a 16 x 32 lattice: |q| = 3 D.
    Lattice l{16, 32, std::vector<int32_t>(16 * 32)};
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 32; ++x)
            l.h[y * 32 + x] = int32_t(std::lround(1000 * std::sin(2 * M_PI * 3 * y / 16)));
    const SurfaceAnalysis a = analyseSurface(l.view());
    ASSERT_EQ(a.structureFactor.s.size(), 8u);
    // The two wave vectors +-q carry all the power, A W^2, between them.
    EXPECT_NEAR(a.structureFactor.s[2] * a.structureFactor.modes[2], l.cells() * a.width2, 1e-6 * l.cells() * a.width2);
    EXPECT_DOUBLE_EQ(a.structureFactor.k[2], 3 * 2 * M_PI / 16);
}

TEST(SurfaceAnalysis, TheStructureFactorSumsToAW2)
{
    // Parseval over every q != 0, on a lattice too large for the direct sums, heights far from 0.
    const Lattice l = randomLattice(48, 63, 1'000'000'000, 1'000'000'400, 7);
    const std::vector<double> map = structureFactorMap(l.view());
    long double total = 0;
    for (double s : map)
        total += s;
    const double w2 = analyseSurface(l.view()).width2;
    EXPECT_NEAR(double(total), l.cells() * w2, 1e-9 * l.cells() * w2);
}

TEST(SurfaceAnalysis, AFlatFilmHasNoRoughnessAtAll)
{
    const Lattice l{6, 8, std::vector<int32_t>(48, kMin)};
    const SurfaceAnalysis a = analyseSurface(l.view());
    EXPECT_EQ(a.width2, 0.0);
    EXPECT_EQ(a.mean, double(kMin));
    for (const auto* curve : {&a.structureFactor.s, &a.correlation.c, &a.correlation.g, &a.localWidth.w})
        for (double v : *curve)
            EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(a.correlation.length);
    EXPECT_FALSE(a.moments.skewness);
    EXPECT_FALSE(a.moments.excessKurtosis);
    ASSERT_EQ(a.slopes.size(), 1u);
    EXPECT_EQ(a.slopes[0].difference, 0);
    EXPECT_EQ(a.slopes[0].fraction, 1.0);
}

TEST(SurfaceAnalysis, ATwoLevelFilmAtTheInt32LimitsHasItsKnownMoments)
{
    // Every fourth column at the top of int32, the rest at the bottom: a two-point height
    // distribution with p = 1/4, steps of +-(2^32 - 1) in x only.
    Lattice l{6, 8, std::vector<int32_t>(48, kMin)};
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; x += 4)
            l.h[y * 8 + x] = kMax;
    const SurfaceAnalysis a = analyseSurface(l.view());
    const double p = 0.25, span = 4294967295.0;
    EXPECT_NEAR(a.width2, p * (1 - p) * span * span, 1e-12 * a.width2);
    EXPECT_NEAR(*a.moments.skewness, (1 - 2 * p) / std::sqrt(p * (1 - p)), 1e-12);
    EXPECT_NEAR(*a.moments.excessKurtosis, (1 - 6 * p * (1 - p)) / (p * (1 - p)), 1e-12);
    ASSERT_EQ(a.slopes.size(), 3u);
    EXPECT_EQ(a.slopes[0].difference, -4294967295);
    EXPECT_EQ(a.slopes[0].count, 12);
    EXPECT_EQ(a.slopes[1].count, 72);
    EXPECT_EQ(a.slopes[2].difference, 4294967295);
    // Half the 2 x 2 windows are half at the top, half flat; every 4 x 4 window holds one column.
    EXPECT_NEAR(a.localWidth.w[0], 0.5 * 0.5 * span, 1e-12 * span);
    EXPECT_NEAR(a.localWidth.w[1], std::sqrt(p * (1 - p)) * span, 1e-12 * span);
}

TEST(SurfaceAnalysis, TwoThreadsAnalyseAtOnce)
{
    // Each thread drops the cached plans after every analysis, so plans are made and destroyed
    // in one thread while the other plans or transforms.
    const std::vector<Lattice> lattices = {randomLattice(30, 20, 0, 9, 8), randomLattice(21, 33, 0, 9, 9),
                                           randomLattice(64, 64, 0, 9, 10), randomLattice(17, 40, 0, 9, 11)};
    std::vector<std::vector<double>> alone;
    for (const Lattice& l : lattices)
        alone.push_back(analyseSurface(l.view()).correlation.g);
    std::vector<std::vector<double>> together[2];
    auto work = [&](int thread) {
        for (int round = 0; round < 20; ++round)
            for (size_t i = thread; i < lattices.size(); i += 2) {
                together[thread].push_back(analyseSurface(lattices[i].view()).correlation.g);
                FftPlans::clear();
            }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    for (int thread = 0; thread < 2; ++thread)
        for (size_t k = 0; k < together[thread].size(); ++k)
            ASSERT_EQ(together[thread][k], alone[thread + 2 * (k % 2)]) << "thread " << thread << ", run " << k;
}

TEST(SurfaceAnalysis, ALatticeOneCellHighHasNoDistancesToAverage)
{
    const Lattice l = randomLattice(1, 5, -9, 9, 12);
    const SurfaceAnalysis a = analyseSurface(l.view());
    EXPECT_TRUE(a.structureFactor.s.empty());
    EXPECT_TRUE(a.correlation.g.empty());
    EXPECT_FALSE(a.correlation.length);
    EXPECT_TRUE(a.localWidth.w.empty());
    EXPECT_NEAR(*a.moments.skewness, *reference(l).skewness, 1e-9);
}

TEST(SurfaceAnalysis, AViewWithoutCellsIsRefused)
{
    const int32_t one = 0;
    EXPECT_THROW(analyseSurface(HeightView{nullptr, 4, 4}), AppError);
    EXPECT_THROW(localWidth(HeightView{&one, 0, 1}), AppError);
}

} // namespace
