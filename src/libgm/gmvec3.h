// Three-component double vector used for every position, normal and direction.
// Header only, inline, allocation-free. The index and divisor checks are
// assertions that stay active in every build type, Release included.
#ifndef GMVEC3_H
#define GMVEC3_H

#ifdef NDEBUG
#define GMVEC3_RESTORE_NDEBUG
#undef NDEBUG
#endif
#include <cassert>
#include <cmath>

constexpr double gmEpsilon = 1e-10;

inline double gmAbsolute(double x) { return x >= 0 ? x : -x; }
inline double gmSquare(double x) { return x * x; }
inline bool gmIsZero(double x) { return gmAbsolute(x) < gmEpsilon; }
inline bool gmNearlyEqual(double f, double g)
{
    if (f <= g)
        return f >= g - gmEpsilon;
    return f <= g + gmEpsilon;
}

class gmVec3 {
public:
    gmVec3() : v_{0.0, 0.0, 0.0} {}
    gmVec3(double x, double y, double z) : v_{x, y, z} {}

    double& operator[](int i)
    {
        assert(i == 0 || i == 1 || i == 2);
        return v_[i];
    }
    const double& operator[](int i) const
    {
        assert(i == 0 || i == 1 || i == 2);
        return v_[i];
    }

    gmVec3& operator+=(const gmVec3& w)
    {
        v_[0] += w.v_[0];
        v_[1] += w.v_[1];
        v_[2] += w.v_[2];
        return *this;
    }
    gmVec3& operator/=(double c)
    {
        assert(!gmIsZero(c));
        const double r = 1.0 / c;
        v_[0] *= r;
        v_[1] *= r;
        v_[2] *= r;
        return *this;
    }

    gmVec3 operator+(const gmVec3& w) const { return {v_[0] + w.v_[0], v_[1] + w.v_[1], v_[2] + w.v_[2]}; }
    gmVec3 operator-(const gmVec3& w) const { return {v_[0] - w.v_[0], v_[1] - w.v_[1], v_[2] - w.v_[2]}; }
    gmVec3 operator*(double c) const { return {v_[0] * c, v_[1] * c, v_[2] * c}; }
    gmVec3 operator/(double c) const
    {
        assert(!gmIsZero(c));
        const double r = 1.0 / c;
        return {v_[0] * r, v_[1] * r, v_[2] * r};
    }

    bool operator==(const gmVec3& w) const
    {
        return gmNearlyEqual(v_[0], w.v_[0]) && gmNearlyEqual(v_[1], w.v_[1]) && gmNearlyEqual(v_[2], w.v_[2]);
    }
    bool operator!=(const gmVec3& w) const { return !(*this == w); }

    double lengthSquared() const { return gmSquare(v_[0]) + gmSquare(v_[1]) + gmSquare(v_[2]); }
    double length() const { return std::sqrt(lengthSquared()); }

    // Vectors shorter than 1e-5 (squared length below gmEpsilon) are left as they are.
    gmVec3& normalize()
    {
        const double len2 = lengthSquared();
        if (!gmIsZero(len2))
            *this /= std::sqrt(len2);
        return *this;
    }

private:
    double v_[3];
};

inline gmVec3 operator*(double c, const gmVec3& v) { return v * c; }

inline double dot(const gmVec3& a, const gmVec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

inline gmVec3 cross(const gmVec3& a, const gmVec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

inline double distanceSquared(const gmVec3& a, const gmVec3& b)
{
    return gmSquare(a[0] - b[0]) + gmSquare(a[1] - b[1]) + gmSquare(a[2] - b[2]);
}

#ifdef GMVEC3_RESTORE_NDEBUG
#define NDEBUG
#include <cassert>
#undef GMVEC3_RESTORE_NDEBUG
#endif

#endif
