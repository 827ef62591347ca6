// Experiment: a run grown alone (runSeries) is the run the pool grows, and the pool hands each
// run's series to its observer in run order.
#include "run/Experiment.h"

#include <gtest/gtest.h>

TEST(ExperimentSeries, RunsGrownAloneAndAddedInOrderGiveThePoolsStatisticsBitForBit)
{
    for (Generator generator : {Generator::Lcg, Generator::Philox}) {
        FilmSetup setup;
        setup.scenario.sizeX = 12;
        setup.scenario.sizeY = 10;
        setup.scenario.ratePosition = 300;
        setup.generator = generator;
        setup.autoHeight = true;
        const int32_t runs = 5;
        const int64_t ticks = 40;

        Experiment experiment(setup, 77, runs, ticks);
        std::vector<int32_t> order;
        std::vector<std::vector<double>> observed;
        experiment.observeRuns([&](int32_t k, const std::vector<double>& w, const std::vector<double>&, const std::vector<double>&) {
            order.push_back(k);
            observed.push_back(w);
        });
        const RoughnessStats pooled = experiment.run(3);

        RoughnessStats alone(ticks);
        for (int32_t k = 0; k < runs; ++k) {
            const Experiment::RunSeries s = Experiment::runSeries(setup, 77, static_cast<uint32_t>(k), ticks);
            EXPECT_EQ(s.roughness, observed.at(static_cast<size_t>(k))) << "run " << k;
            alone.addRun(s.roughness, s.deposited);
        }
        EXPECT_EQ(order, (std::vector<int32_t>{0, 1, 2, 3, 4}));
        for (int64_t i = 0; i < ticks; ++i) {
            EXPECT_EQ(pooled.mean(i), alone.mean(i)) << "tick " << i + 1;
            EXPECT_EQ(pooled.stddev(i), alone.stddev(i)) << "tick " << i + 1;
            EXPECT_EQ(pooled.deposited(i), alone.deposited(i)) << "tick " << i + 1;
        }
        // The runs differ, or the comparison above would prove little.
        EXPECT_NE(observed[0], observed[1]);
    }
}
