#include "gmvec3.h"

#include <gtest/gtest.h>

TEST(GmScalar, ZeroTestIsStrictAtEpsilon)
{
    EXPECT_FALSE(gmIsZero(1e-10));
    EXPECT_TRUE(gmIsZero(-9.9e-11));
    EXPECT_TRUE(gmIsZero(0.0));
    EXPECT_EQ(gmAbsolute(-2.5), 2.5);
    EXPECT_EQ(gmSquare(-3.0), 9.0);
}

TEST(GmScalar, NearlyEqualIncludesTheBound)
{
    EXPECT_TRUE(gmNearlyEqual(1.0, 1.0 + 1e-10));
    EXPECT_TRUE(gmNearlyEqual(1.0 + 1e-10, 1.0));
    EXPECT_TRUE(gmNearlyEqual(0.0, 1e-10));
    EXPECT_FALSE(gmNearlyEqual(0.0, 1.1e-10));
    EXPECT_FALSE(gmNearlyEqual(1.1e-10, 0.0));
}

TEST(GmVec3, ConstructionIndexingAndLayout)
{
    const gmVec3 zero;
    EXPECT_EQ(zero[0], 0.0);
    EXPECT_EQ(zero[1], 0.0);
    EXPECT_EQ(zero[2], 0.0);
    gmVec3 v(1.0, 2.0, 3.0);
    v[1] = 5.0;
    EXPECT_EQ(v[1], 5.0);
    static_assert(sizeof(gmVec3) == 3 * sizeof(double));
    gmVec3 pair[2] = {{1, 2, 3}, {4, 5, 6}};
    EXPECT_EQ(reinterpret_cast<const double*>(pair)[4], 5.0);
}

TEST(GmVec3, Arithmetic)
{
    gmVec3 a(1, 2, 3);
    const gmVec3 b(4, -5, 6);
    EXPECT_EQ(a + b, gmVec3(5, -3, 9));
    EXPECT_EQ(a - b, gmVec3(-3, 7, -3));
    EXPECT_EQ(a * 2.0, gmVec3(2, 4, 6));
    EXPECT_EQ(2.0 * a, gmVec3(2, 4, 6));
    EXPECT_EQ(a / 2.0, gmVec3(0.5, 1, 1.5));
    EXPECT_EQ(&(a += b), &a);
    EXPECT_EQ(a, gmVec3(5, -3, 9));
    EXPECT_EQ(&(a /= 5.0), &a);
    EXPECT_EQ(a, gmVec3(1, -0.6, 1.8));
    EXPECT_EQ(dot(gmVec3(1, 2, 3), b), 12.0);
    EXPECT_EQ(cross(gmVec3(1, 0, 0), gmVec3(0, 1, 0)), gmVec3(0, 0, 1));
    EXPECT_EQ(cross(gmVec3(0, 1, 0), gmVec3(1, 0, 0)), gmVec3(0, 0, -1));
    EXPECT_EQ(distanceSquared(gmVec3(1, 1, 1), gmVec3(2, 3, 4)), 14.0);
}

TEST(GmVec3, DivisionMultipliesByTheReciprocal)
{
    // 1/3 is rounded once, then multiplied: not the same bits as x / 3.
    const gmVec3 v = gmVec3(1.0, 2.0, 5.0) / 3.0;
    const double r = 1.0 / 3.0;
    EXPECT_EQ(v[0], 1.0 * r);
    EXPECT_EQ(v[2], 5.0 * r);
    EXPECT_NE(5.0 * r, 5.0 / 3.0);
}

TEST(GmVec3, ComparisonUsesTheTolerancePerComponent)
{
    EXPECT_FALSE(gmVec3(1, 2, 3) == gmVec3(1, 2, 3.1));
    EXPECT_TRUE(gmVec3(1, 2, 3) != gmVec3(1, 2, 3.1));
    EXPECT_TRUE(gmVec3(1, 2, 3) == gmVec3(1, 2, 3 + 5e-11));
    EXPECT_FALSE(gmVec3(1, 2, 3) != gmVec3(1, 2, 3 + 5e-11));
}

TEST(GmVec3, LengthAndNormalize)
{
    gmVec3 v(3, 0, 4);
    EXPECT_EQ(v.lengthSquared(), 25.0);
    EXPECT_EQ(v.length(), 5.0);
    EXPECT_EQ(&v.normalize(), &v);
    EXPECT_EQ(v[0], 3.0 * (1.0 / 5.0));
    EXPECT_EQ(v[2], 4.0 * (1.0 / 5.0));

    gmVec3 zero;
    zero.normalize();
    EXPECT_EQ(zero[0], 0.0);
    EXPECT_EQ(zero[1], 0.0);
    EXPECT_EQ(zero[2], 0.0);

    gmVec3 tiny(1e-6, 0, 0);
    tiny.normalize();
    EXPECT_EQ(tiny[0], 1e-6);

    gmVec3 small(2e-5, 0, 0); // squared length 4e-10: long enough to scale
    small.normalize();
    EXPECT_DOUBLE_EQ(small[0], 1.0);
}

using GmVec3Death = ::testing::Test;

TEST(GmVec3Death, IndexOutsideZeroToTwoFailsTheAssertion)
{
    gmVec3 v(1, 2, 3);
    const gmVec3& c = v;
    EXPECT_DEATH(v[3] = 1.0, "i == 0 \\|\\| i == 1 \\|\\| i == 2");
    EXPECT_DEATH((void)c[-1], "i == 0 \\|\\| i == 1 \\|\\| i == 2");
}

TEST(GmVec3Death, DivisionByZeroFailsTheAssertionInBothForms)
{
    gmVec3 v(1, 2, 3);
    EXPECT_DEATH(v /= 0.0, "!gmIsZero\\(c\\)");
    EXPECT_DEATH((void)(v / 1e-11), "gmvec3.h.*!gmIsZero\\(c\\)");
}
