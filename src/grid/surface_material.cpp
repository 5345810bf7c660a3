#include "surface_material.h"

namespace {
constexpr MaterialColour snow{0.95f, 0.95f, 0.95f, 1.0f};
constexpr MaterialColour yellow{0.9f, 0.9f, 0.0f, 1.0f};
constexpr MaterialColour orange{1.0f, 0.6f, 0.0f, 1.0f};
constexpr MaterialColour red{0.7f, 0.0f, 0.0f, 1.0f};
constexpr MaterialColour green{0.0f, 0.7f, 0.0f, 1.0f};
constexpr MaterialColour darkGreen{0.0f, 0.4f, 0.0f, 1.0f};
constexpr MaterialColour brown{0.4f, 0.2f, 0.0f, 1.0f};
constexpr MaterialColour blue{0.0f, 0.0f, 0.7f, 1.0f};
constexpr MaterialColour magenta{1.0f, 0.0f, 1.0f, 1.0f};
} // namespace

const MaterialColour& materialForHeight(float h, float averageHeight, float minHeight, float range)
{
    const float d = h - averageHeight;
    if (d > 0) {
        if (d > 0.95 * range)
            return snow;
        if (d > 0.75 * range)
            return yellow;
        if (d > 0.5 * range)
            return orange;
        if (d > 0.25 * range)
            return red;
        return green;
    }
    if (h > minHeight + (averageHeight - minHeight) * 0.5)
        return darkGreen;
    if (h > 5.0)
        return brown;
    if (h > -9000.0)
        return blue;
    return magenta;
}
