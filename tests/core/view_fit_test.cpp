#include "view_fit.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ViewFit, BoundingBoxOfPoints)
{
    EXPECT_FALSE(boundingBox({}).has_value());
    const std::vector<gmVec3> points{{1, -2, 3}, {-4, 5, 0.5}, {2, 0, -1}};
    const auto box = boundingBox(points);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->low, gmVec3(-4, -2, -1));
    EXPECT_EQ(box->high, gmVec3(2, 5, 3));
}

TEST(ViewFit, FlatSquareFacingTheCamera)
{
    // xRot 75 cancels the base rotation of 285 degrees: the square x, y in
    // [0, 2] faces the camera. Centred (translation -1 in x and y from the
    // view's -3.5 and -3.0) and 2 / 1.9 in front of the camera, its corners
    // lie at 0.95 of the half extents of a square view.
    const ViewBox square{{0, 0, 0}, {2, 2, 0}};
    const auto fit = fitViewTranslation(square, 75, 0, 0, 1.0f, 400, 400);
    ASSERT_TRUE(fit.has_value());
    EXPECT_NEAR(fit->x, 2.5f, 1e-5);
    EXPECT_NEAR(fit->y, 2.0f, 1e-5);
    EXPECT_NEAR(fit->z, 7.0f - 2.0f / 1.9f, 1e-5);

    // A view twice as wide as high: the height decides, the same fit.
    const auto wide = fitViewTranslation(square, 75, 0, 0, 1.0f, 800, 400);
    ASSERT_TRUE(wide.has_value());
    EXPECT_NEAR(wide->z, fit->z, 1e-5);
    // Scale 2 doubles every distance from the model's origin.
    const auto doubled = fitViewTranslation(square, 75, 0, 0, 2.0f, 400, 400);
    ASSERT_TRUE(doubled.has_value());
    EXPECT_NEAR(doubled->x, 3.5f - 2.0f, 1e-5);
    EXPECT_NEAR(doubled->z, 7.0f - 4.0f / 1.9f, 1e-5);
}

TEST(ViewFit, NearPlaneEmptyViewAndFarPlane)
{
    // A box seen edge-on has no extent across the view: it is put just
    // beyond the near plane, not on the camera.
    const ViewBox line{{0, 0, 0}, {0, 0, 1}};
    const auto fit = fitViewTranslation(line, 75, 0, 0, 1.0f, 400, 400);
    ASSERT_TRUE(fit.has_value());
    EXPECT_GT(7.0f - fit->z - 1.0f, 0.5f);

    EXPECT_FALSE(fitViewTranslation(line, 0, 0, 0, 1.0f, 0, 400).has_value());
    // Too long to fit before the far plane at 200.
    const ViewBox far{{0, 0, 0}, {0, 0, 500}};
    EXPECT_FALSE(fitViewTranslation(far, 75, 0, 0, 1.0f, 400, 400).has_value());
}
