#include "scale_bar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// The longest 1, 2 or 5 x 10^n metres within a fifth of the page's width,
// 20 pixels in from the lower left corner.
TEST(ScaleBar, RoundLengthsInTheLowerLeftCorner)
{
    // 64 m a pixel on 699 pixels: at most 8947 m, so 5 km of 78.125 pixels.
    auto bar = scaleBarFor(64.0, 699, 500);
    ASSERT_TRUE(bar.has_value());
    EXPECT_EQ(bar->metres, 5000.0);
    EXPECT_DOUBLE_EQ(bar->length, 78.125);
    EXPECT_EQ(bar->label, "5 km");
    EXPECT_EQ(bar->left, 20.0);
    EXPECT_EQ(bar->base, 480.0);

    bar = scaleBarFor(0.3, 500, 300); // at most 30 m
    ASSERT_TRUE(bar.has_value());
    EXPECT_EQ(bar->label, "20 m");
    EXPECT_NEAR(bar->length, 66.667, 1e-3);
    // Exactly a power of ten: 1 km, not 500 m.
    bar = scaleBarFor(10.0, 500, 300);
    ASSERT_TRUE(bar.has_value());
    EXPECT_EQ(bar->label, "1 km");
    EXPECT_DOUBLE_EQ(bar->length, 100.0);
    bar = scaleBarFor(2.5e3, 500, 300); // at most 250 km
    ASSERT_TRUE(bar.has_value());
    EXPECT_EQ(bar->label, "200 km");
    bar = scaleBarFor(0.004, 500, 300); // at most 0.4 m
    ASSERT_TRUE(bar.has_value());
    EXPECT_EQ(bar->label, "0.2 m");
}

TEST(ScaleBar, NoBarForNoScaleOrNoRoom)
{
    EXPECT_FALSE(scaleBarFor(0.0, 699, 500).has_value());
    EXPECT_FALSE(scaleBarFor(-3.0, 699, 500).has_value());
    EXPECT_FALSE(scaleBarFor(std::numeric_limits<double>::quiet_NaN(), 699, 500).has_value());
    EXPECT_FALSE(scaleBarFor(std::numeric_limits<double>::infinity(), 699, 500).has_value());
    EXPECT_FALSE(scaleBarFor(10.0, 40, 500).has_value()); // a fifth is 8 pixels
    EXPECT_FALSE(scaleBarFor(10.0, 699, 40).has_value());
    EXPECT_FALSE(scaleBarFor(10.0, 0, 0).has_value());
}
