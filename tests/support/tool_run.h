// Runs one of the programs in build/bin as a user would and keeps what it
// printed and its exit status.
#ifndef TOOL_RUN_H
#define TOOL_RUN_H

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <string>

struct ToolRun {
    int exitCode = -1; // -1 when it crashed or did not finish
    std::string out;
    std::string err;
};

// Without a display: no X or Wayland server to reach, so a program that
// tried to open a window would fail.
inline QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    return environment;
}

inline ToolRun runTool(const char* program, const QStringList& arguments,
                       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                       const QString& workingDirectory = QString())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(HYPSA_BIN_DIR "/") + program, arguments);
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

#endif
