// Views with a terrain for the drawing tests, and pixel counting.
#ifndef RENDER_TEST_SUPPORT_H
#define RENDER_TEST_SUPPORT_H

#include "display_platform.h"
#include "glnprgrid.h"
#include "support/test_grid.h"

#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace rendertest {

inline QString dataFile(const char* name)
{
    return QString(HYPSA_SOURCE_DIR) + "/data/" + name;
}

// Fills the view's grid by hand: heights f(row, column), 30 m cells.
inline void fillGrid(GLNPRGrid& view, unsigned w, unsigned h, const std::function<float(unsigned, unsigned)>& f)
{
    fillTestGrid(view.grid, w, h, 30.0f, f);
}

inline float hills(unsigned r, unsigned c)
{
    return float(400.0 + 150.0 * std::sin(r * 0.15) * std::cos(c * 0.11) + 2.0 * c);
}

// A view of w x h pixels without a grid: shown but not mapped, or, where Qt
// runs without a display, drawing with a surfaceless context.
inline std::unique_ptr<GLNPRGrid> emptyView(int w = 699, int h = 500)
{
    auto view = std::make_unique<GLNPRGrid>(nullptr, "glgrid");
    view->resize(w, h);
    if (runsOffscreen()) {
        QString error;
        EXPECT_TRUE(view->drawWithoutWindow(error)) << error.toStdString();
        return view;
    }
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->show();
    return view;
}

// The real terrain of data/jacksboro.grd with its mesh built.
inline std::unique_ptr<GLNPRGrid> terrainView(int w = 699, int h = 500)
{
    auto view = emptyView(w, h);
    view->grid.loadGRD(dataFile("jacksboro.grd"));
    view->findCurvature();
    return view;
}

// The box of the pixels darker than `below`; an empty box for none.
inline QRect inkBox(const QImage& image, int below = 128)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < below) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

inline int darkPixels(const QImage& image, int below = 128)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qGray(image.pixel(x, y)) < below;
    return n;
}

} // namespace rendertest

#endif
