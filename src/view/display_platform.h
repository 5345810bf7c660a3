// Starting Qt where there may be no display. Qt's window platforms (xcb,
// wayland) end the program when no display can be reached; the offscreen
// platform starts anywhere, so it is chosen where there is no display and
// kept as the fallback where the display named cannot be reached.
#ifndef DISPLAY_PLATFORM_H
#define DISPLAY_PLATFORM_H

#include <QStringList>

// Before QApplication, with the program's arguments. `offscreen` asks for
// the offscreen platform even where a display is available. A platform the
// user names with -platform, or one other than xcb or wayland in
// QT_QPA_PLATFORM, is kept.
void chooseQtPlatform(const QStringList& arguments, bool offscreen = false);

// After QApplication: Qt runs on the offscreen platform, where no window can
// be shown and QOpenGLWidget has no context.
bool runsOffscreen();

// After QApplication: the program runs offscreen because no display could be
// had, not because the user asked for it.
bool noDisplay();

#endif
