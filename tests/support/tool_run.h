// Runs one of the programs in build/bin as a user would and keeps what it
// printed and its exit status.
#ifndef TOOL_RUN_H
#define TOOL_RUN_H

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

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

namespace toolrun_detail {

inline void start(QProcess& process, const char* program, const QStringList& arguments,
                  const QProcessEnvironment& environment, const QString& workingDirectory)
{
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(HYPSA_BIN_DIR "/") + program, arguments);
}

inline ToolRun finish(QProcess& process)
{
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

} // namespace toolrun_detail

inline ToolRun runTool(const char* program, const QStringList& arguments,
                       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                       const QString& workingDirectory = QString())
{
    QProcess process;
    toolrun_detail::start(process, program, arguments, environment, workingDirectory);
    return toolrun_detail::finish(process);
}

// Runs the program once for each list of arguments, all at the same time.
inline std::vector<ToolRun> runToolTogether(const char* program, const std::vector<QStringList>& argumentLists,
                                            const QProcessEnvironment& environment)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& arguments : argumentLists) {
        processes.push_back(std::make_unique<QProcess>());
        toolrun_detail::start(*processes.back(), program, arguments, environment, QString());
    }
    std::vector<ToolRun> runs;
    for (const auto& process : processes)
        runs.push_back(toolrun_detail::finish(*process));
    return runs;
}

#endif
