#include "georeference.h"

#include <cmath>

Georeference Georeference::resampled(double factor, double shift) const
{
    Georeference out = *this;
    const std::array<double, 6>& t = transform;
    out.transform = {t[0] + shift * (t[1] + t[2]), factor * t[1], factor * t[2],
                     t[3] + shift * (t[4] + t[5]), factor * t[4], factor * t[5]};
    return out;
}

Orientation orientationOf(const std::array<double, 6>& t)
{
    if (t[2] == 0.0 && t[4] == 0.0)
        return {t[5] > 0.0, t[1] < 0.0};
    return {t[1] * t[5] - t[2] * t[4] > 0.0, false};
}

std::array<double, 6> reoriented(const std::array<double, 6>& t, const Orientation& o, int columns, int rows)
{
    std::array<double, 6> out = t;
    if (o.flipColumns) {
        out[0] += columns * t[1];
        out[3] += columns * t[4];
        out[1] = -t[1];
        out[4] = -t[4];
    }
    if (o.flipRows) {
        out[0] += rows * t[2];
        out[3] += rows * t[5];
        out[2] = -t[2];
        out[5] = -t[5];
    }
    return out;
}

double columnSpacing(const std::array<double, 6>& t)
{
    return std::hypot(t[1], t[4]);
}

double rowSpacing(const std::array<double, 6>& t)
{
    return std::hypot(t[2], t[5]);
}
