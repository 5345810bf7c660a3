// hypsa-render's tests need no display, and use none even where there is
// one: the tool runs with DISPLAY unset, and the tests' own views draw with
// a surfaceless GL context on Qt's offscreen platform, as the tool does.
#include "display_platform.h"
#include "program_options.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    chooseQtPlatform(argumentList(argc, argv));
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
