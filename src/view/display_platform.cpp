#include "display_platform.h"

#include <QGuiApplication>

namespace {

bool userNamedOffscreen = false;

// The platform named on the command line ("-platform NAME", also with two
// dashes or "=NAME"), empty when none is.
QString platformArgument(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word == "--")
            break;
        if (word == "-platform" || word == "--platform")
            return i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (word.startsWith("-platform=") || word.startsWith("--platform="))
            return word.section('=', 1);
    }
    return QString();
}

bool windowPlatforms(const QString& names)
{
    for (const QString& name : names.split(';', Qt::SkipEmptyParts))
        if (name != "xcb" && !name.startsWith("wayland"))
            return false;
    return true;
}

} // namespace

void chooseQtPlatform(const QStringList& arguments, bool offscreen)
{
    const QString named = platformArgument(arguments);
    if (!named.isEmpty()) {
        userNamedOffscreen = named.split(';').contains("offscreen");
        return;
    }
    const QString chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!chosen.isEmpty() && !windowPlatforms(chosen)) {
        userNamedOffscreen = chosen.split(';').contains("offscreen");
        return;
    }
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (offscreen || !hasDisplay)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (!chosen.isEmpty())
        qputenv("QT_QPA_PLATFORM", (chosen + ";offscreen").toLocal8Bit());
    else if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb;offscreen");
    userNamedOffscreen = offscreen;
}

bool runsOffscreen()
{
    return QGuiApplication::platformName() == "offscreen";
}

bool noDisplay()
{
    return runsOffscreen() && !userNamedOffscreen;
}
