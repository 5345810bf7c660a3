#include "scale_bar.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr double margin = 20.0;
constexpr double shortest = 10.0;

std::string lengthLabel(double metres)
{
    char text[32];
    if (metres >= 1000.0)
        std::snprintf(text, sizeof text, "%g km", metres / 1000.0);
    else
        std::snprintf(text, sizeof text, "%g m", metres);
    return text;
}

} // namespace

std::optional<ScaleBar> scaleBarFor(double metresPerPixel, int width, int height)
{
    if (!(metresPerPixel > 0.0) || !std::isfinite(metresPerPixel) || width <= 0 || height <= 2 * margin)
        return std::nullopt;
    const double room = width / 5.0;
    const double most = room * metresPerPixel;
    // The largest 1, 2 or 5 x 10^n not above `most`.
    double power = std::pow(10.0, std::floor(std::log10(most)));
    if (10.0 * power <= most * (1.0 + 1e-12)) // log10 rounded below a power of ten
        power *= 10.0;
    double metres = power;
    for (const double step : {5.0, 2.0})
        if (step * power <= most * (1.0 + 1e-12)) {
            metres = step * power;
            break;
        }
    const double length = metres / metresPerPixel;
    if (length < shortest || !std::isfinite(length))
        return std::nullopt;
    return ScaleBar{metres, margin, height - margin, length, lengthLabel(metres)};
}
