// The command-line conventions shared by hypsa, hypsa-grid and hypsa-render:
// --help prints the usage on standard output (status 0), --version prints
// the program's name and version (status 0), and a usage error prints the
// reason and the usage on standard error (status 2). Each program declares
// its own options and arguments on `parser` before parsing.
#ifndef PROGRAM_OPTIONS_H
#define PROGRAM_OPTIONS_H

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

class ProgramOptions {
public:
    ProgramOptions(const QString& program, const QString& description);

    // Whether options the parser does not know end the program. Before a
    // QApplication exists, Qt's own options (-platform, -style, ...) are still
    // among the arguments: that first pass only answers --help and --version.
    enum class UnknownOptions { refuse, allow };

    // Parses the arguments (the program's name first). Returns the exit
    // status when the program ends here, after --help, --version or a usage
    // error; nothing when it should run.
    std::optional<int> parse(const QStringList& arguments, UnknownOptions unknown = UnknownOptions::refuse);

    // Prints "PROGRAM: reason" and the usage to standard error; returns 2.
    int usageError(const QString& reason) const;

    QString usage() const;
    const QString& program() const { return program_; }

    QCommandLineParser parser;

private:
    QString unknownOptionError(const QStringList& arguments) const;

    QString program_;
};

// The arguments as the program received them, before QApplication exists.
QStringList argumentList(int argc, char** argv);

#endif
