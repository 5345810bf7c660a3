// Failures are printed on the console as they happen. A command started from
// the window also shows them to the user: it collects the failures reported
// on its thread while it runs and hands their text on.
#ifndef ERROR_REPORT_H
#define ERROR_REPORT_H

#include <QString>

#include <cstddef>
#include <string>
#include <vector>

// Prints the line on standard output like printf and gives its text to the
// ErrorCollector active on this thread, if there is one.
void reportError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Collects what reportError prints on this thread while it lives. Collectors
// nest; the innermost one collects.
class ErrorCollector {
public:
    // A failing command reports a line or two; a bad file may repeat one
    // line many times, so only the first few are kept.
    static constexpr std::size_t maxLines = 8;

    ErrorCollector();
    ~ErrorCollector();
    ErrorCollector(const ErrorCollector&) = delete;
    ErrorCollector& operator=(const ErrorCollector&) = delete;

    void add(std::string line);
    bool empty() const { return lines_.empty(); }
    // The lines in the order reported, without their line ends, one a line.
    QString text() const;

private:
    std::vector<std::string> lines_;
    ErrorCollector* outer_;
};

#endif
