#include "max_samples_option.h"

#include <QCommandLineParser>

void addMaxSamplesOption(QCommandLineParser& parser, std::uint64_t defaultBudget)
{
    parser.addOption({"max-samples",
                      QString("Show a grid with more samples than N coarsened until it fits (Refine restores it); "
                              "0 shows every grid whole (default %1).")
                          .arg(defaultBudget),
                      "N"});
}

QString readMaxSamples(const QCommandLineParser& parser, std::uint64_t limit, std::uint64_t& budget)
{
    if (!parser.isSet("max-samples"))
        return QString();
    bool ok = false;
    const qulonglong value = parser.value("max-samples").toULongLong(&ok);
    if (!ok || value > limit)
        return QString("--max-samples needs a whole number from 0 to %1").arg(limit);
    budget = value;
    return QString();
}
