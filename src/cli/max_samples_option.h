// --max-samples N of hypsa and hypsa-render: a loaded grid with more samples
// than N is shown coarsened, level by level, until it fits; 0 = no budget.
#ifndef MAX_SAMPLES_OPTION_H
#define MAX_SAMPLES_OPTION_H

#include <QString>

#include <cstdint>

class QCommandLineParser;

void addMaxSamplesOption(QCommandLineParser& parser, std::uint64_t defaultBudget);

// Sets budget from the option when it is given. Returns what is wrong with
// its value (not a whole number from 0 to limit), or an empty text.
QString readMaxSamples(const QCommandLineParser& parser, std::uint64_t limit, std::uint64_t& budget);

#endif
