// The main window shown on the test display, and the bundled terrain.
#ifndef WINDOW_TEST_SUPPORT_H
#define WINDOW_TEST_SUPPORT_H

#include "hypsamainwindow.h"

#include <QTest>

#include <gtest/gtest.h>

inline const QString terrain = QStringLiteral(HYPSA_SOURCE_DIR "/data/jacksboro.grd");

struct ShownWindow {
    HypsaMainWindow w;
    ShownWindow()
    {
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
    }
};

#endif
