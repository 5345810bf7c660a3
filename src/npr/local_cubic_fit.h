// A cubic polynomial fitted by least squares to the heights of the 5 x 5
// window around a grid sample, for its first, second and third derivatives.
//
// A 3 x 3 quadratic fit gives slope and curvature only; the lines drawn from
// curvature need its derivatives as well, so the fit is the full cubic
//   z(u, v) = z0 + zu u + zv v + zuu u^2/2 + zuv u v + zvv v^2/2
//           + zuuu u^3/6 + zuuv u^2 v/2 + zuvv u v^2/2 + zvvv v^3/6
// in cell units (u along the columns, v along the rows, the sample at 0),
// over the 25 samples of the window: 10 terms, so the 15 extra samples also
// smooth the noise of quantised heights, which third derivatives magnify.
#ifndef LOCAL_CUBIC_FIT_H
#define LOCAL_CUBIC_FIT_H

#include <array>

// The window's samples, row by row: offset (v, u) at index (v + 2) x 5 + u + 2.
inline constexpr int fitWindowSide = 5;
inline constexpr int fitWindowSamples = fitWindowSide * fitWindowSide;

// The derivatives of the fitted cubic at the window's centre, in cell units.
struct CubicJet {
    double zu, zv, zuu, zuv, zvv, zuuu, zuuv, zuvv, zvvv;
};

// The fit of a whole window: fixed weights per sample, computed once.
CubicJet fitWholeWindow(const std::array<double, fitWindowSamples>& z);

// The fit of the samples whose `use` flag is set; false when they do not
// determine a cubic well (fewer than 15, or too few distinct rows or columns,
// as in a window cut by the grid's first row).
bool fitPartialWindow(const std::array<double, fitWindowSamples>& z, const std::array<bool, fitWindowSamples>& use,
                      CubicJet& jet);

#endif
