#include "program_options.h"

#include <cstdio>

ProgramOptions::ProgramOptions(const QString& program, const QString& description) : program_(program)
{
    parser.setApplicationDescription(description);
    // "-name" is one option, not the letters n, a, m, e.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption({{"h", "help"}, "Print this help and exit."});
    parser.addOption({"version", "Print the version and exit."});
}

std::optional<int> ProgramOptions::parse(const QStringList& arguments, UnknownOptions unknown)
{
    const bool parsed = parser.parse(arguments);
    if (parser.isSet("help")) {
        std::fputs(qPrintable(usage()), stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("%s %s\n", qPrintable(program_), HYPSA_VERSION);
        return 0;
    }
    if (parsed)
        return std::nullopt;
    if (parser.unknownOptionNames().isEmpty())
        return usageError(parser.errorText());
    if (unknown == UnknownOptions::allow)
        return std::nullopt;
    return usageError(unknownOptionError(arguments));
}

int ProgramOptions::usageError(const QString& reason) const
{
    std::fprintf(stderr, "%s: %s\n%s", qPrintable(program_), qPrintable(reason), qPrintable(usage()));
    return 2;
}

QString ProgramOptions::usage() const
{
    // The parser starts its text with "Usage: " and the path the program was
    // started by; the program's plain name reads better, and a blank line
    // sets the usage line apart from the description.
    QString text = parser.helpText();
    const qsizetype options = text.indexOf(QLatin1String(" [options]"));
    if (options > 0)
        text.replace(0, options, "Usage: " + program_);
    const qsizetype lineEnd = text.indexOf('\n');
    if (lineEnd > 0 && !parser.applicationDescription().isEmpty())
        text.insert(lineEnd, '\n');
    return text;
}

// Names the first unknown option as it was written: "--fast", "-x".
QString ProgramOptions::unknownOptionError(const QStringList& arguments) const
{
    const QString name = parser.unknownOptionNames().first();
    for (const QString& argument : arguments.mid(1)) {
        if (argument == "--")
            break;
        const QString word = argument.section('=', 0, 0);
        if (word == "-" + name || word == "--" + name)
            return QString("unknown option \"%1\"").arg(word);
    }
    return QString("unknown option \"--%1\"").arg(name);
}

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}
