#include "normal_random.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(NormalRandom, StripTablesFollowThePublishedSetUp)
{
    NormalRandom random;
    random.seedGaussian(1);
    EXPECT_EQ(NormalRandom::kn(0), 1991057938u);
    EXPECT_EQ(NormalRandom::kn(1), 0u);
}

TEST(NormalRandom, FirstDeviatesOfTheFirstLevel)
{
    // A fresh generator seeded with 1, as the first Brownian level of a process.
    NormalRandom random;
    const float expected[] = {-2.019942f, 0.411776f, 0.681454f, -0.182586f};
    random.seedGaussian(1);
    for (const float e : expected)
        EXPECT_NEAR(random.gaussian(), e, 5e-7);
}

TEST(NormalRandom, SeedIsMixedIntoTheRunningState)
{
    NormalRandom fresh;
    fresh.seedGaussian(1);
    const float first = fresh.gaussian();

    // Seeding twice with 1 flips the lowest bit back: the start state again.
    NormalRandom twice;
    twice.seedGaussian(1);
    twice.seedGaussian(1);
    twice.seedGaussian(1);
    EXPECT_EQ(twice.gaussian(), first);

    // A generator that has drawn already continues its own stream.
    NormalRandom used;
    used.gaussian();
    used.seedGaussian(1);
    EXPECT_NE(used.gaussian(), first);
}

TEST(NormalRandom, DeviatesAreStandardNormalIncludingTheTail)
{
    NormalRandom random;
    random.seedGaussian(1);
    const int n = 1000000;
    double sum = 0.0;
    double squares = 0.0;
    int withinOne = 0;
    int beyondTailStart = 0;
    for (int i = 0; i < n; ++i) {
        const double x = random.gaussian();
        sum += x;
        squares += x * x;
        withinOne += std::fabs(x) < 1.0;
        beyondTailStart += std::fabs(x) > 3.44262;
    }
    const double mean = sum / n;
    EXPECT_NEAR(mean, 0.0, 0.005);
    EXPECT_NEAR(squares / n - mean * mean, 1.0, 0.01);
    EXPECT_NEAR(double(withinOne) / n, 0.682689, 0.003);
    // P(|x| > 3.44262) = 5.76e-4: only the base strip's tail produces these.
    EXPECT_NEAR(double(beyondTailStart) / n, 5.76e-4, 1.2e-4);
}
