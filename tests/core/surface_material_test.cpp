#include "surface_material.h"

#include <gtest/gtest.h>

namespace {

// Heights 0 to 1000, average 400: the range above the average is 600.
const MaterialColour& band(float h)
{
    return materialForHeight(h, 400.0f, 0.0f, 600.0f);
}

} // namespace

TEST(SurfaceMaterial, UpperBandsByFractionOfTheRange)
{
    EXPECT_EQ(band(1000.0f), (MaterialColour{0.95f, 0.95f, 0.95f, 1.0f})); // d 600 > 570
    EXPECT_EQ(band(970.0f), (MaterialColour{0.9f, 0.9f, 0.0f, 1.0f}));    // exactly 0.95: not above
    EXPECT_EQ(band(850.1f), (MaterialColour{0.9f, 0.9f, 0.0f, 1.0f}));
    EXPECT_EQ(band(850.0f), (MaterialColour{1.0f, 0.6f, 0.0f, 1.0f}));
    EXPECT_EQ(band(700.0f), (MaterialColour{0.7f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(band(550.0f), (MaterialColour{0.0f, 0.7f, 0.0f, 1.0f}));
    EXPECT_EQ(band(400.5f), (MaterialColour{0.0f, 0.7f, 0.0f, 1.0f}));
}

TEST(SurfaceMaterial, LowerBands)
{
    // Exactly at the average: not an upper band, dark green above the midpoint 200.
    EXPECT_EQ(band(400.0f), (MaterialColour{0.0f, 0.4f, 0.0f, 1.0f}));
    EXPECT_EQ(band(200.5f), (MaterialColour{0.0f, 0.4f, 0.0f, 1.0f}));
    EXPECT_EQ(band(200.0f), (MaterialColour{0.4f, 0.2f, 0.0f, 1.0f}));
    EXPECT_EQ(band(5.0f), (MaterialColour{0.0f, 0.0f, 0.7f, 1.0f}));
    EXPECT_EQ(band(0.0f), (MaterialColour{0.0f, 0.0f, 0.7f, 1.0f})); // sea level
    EXPECT_EQ(band(-9000.0f), (MaterialColour{1.0f, 0.0f, 1.0f, 1.0f}));
    EXPECT_EQ(band(-9999.0f), (MaterialColour{1.0f, 0.0f, 1.0f, 1.0f})); // no data
}

TEST(SurfaceMaterial, RangeOfAnotherGridShiftsTheBands)
{
    // A grid with its average at 100 and its maximum at 200, drawn with the
    // range 600 of the first grid: 200 is only in the lowest upper band.
    EXPECT_EQ(materialForHeight(200.0f, 100.0f, 0.0f, 600.0f), (MaterialColour{0.0f, 0.7f, 0.0f, 1.0f}));
    EXPECT_EQ(materialForHeight(200.0f, 100.0f, 0.0f, 100.0f), (MaterialColour{0.95f, 0.95f, 0.95f, 1.0f}));
}
