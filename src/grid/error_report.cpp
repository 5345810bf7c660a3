#include "error_report.h"

#include <QStringList>

#include <cstdarg>
#include <cstdio>

namespace {

thread_local ErrorCollector* activeCollector = nullptr;

} // namespace

void reportError(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string line(length > 0 ? std::size_t(length) : 0, '\0');
    std::vsnprintf(line.data(), line.size() + 1, format, again);
    va_end(again);

    std::fputs(line.c_str(), stdout);
    if (activeCollector)
        activeCollector->add(std::move(line));
}

ErrorCollector::ErrorCollector() : outer_(activeCollector)
{
    activeCollector = this;
}

ErrorCollector::~ErrorCollector()
{
    activeCollector = outer_;
}

void ErrorCollector::add(std::string line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (lines_.size() < maxLines && !line.empty())
        lines_.push_back(std::move(line));
}

QString ErrorCollector::text() const
{
    QStringList lines;
    for (const std::string& line : lines_)
        lines << QString::fromLocal8Bit(line);
    return lines.join('\n');
}
