#include "grid_file_io.h"

#include "error_report.h"

#include <charconv>
#include <utility>

FileHandle openFile(const QString& name, const char* mode)
{
    return FileHandle(std::fopen(localName(name).constData(), mode));
}

FileHandle openTextFile(const QString& name)
{
    FileHandle file = openFile(name, "r");
    if (!file)
        return file;
    unsigned char mark[3] = {0, 0, 0};
    const std::size_t n = std::fread(mark, 1, sizeof mark, file.get());
    if (!(n == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF))
        std::rewind(file.get());
    return file;
}

bool closeWrittenFile(FileHandle file)
{
    const bool written = std::ferror(file.get()) == 0;
    return std::fclose(file.release()) == 0 && written;
}

bool finishWriting(FileHandle file, const QString& name)
{
    if (!closeWrittenFile(std::move(file))) {
        reportError("*** Error *** could not write all of file %s.\n", localName(name).constData());
        return false;
    }
    std::printf("Details file %s has been written successfully\n", localName(name).constData());
    return true;
}

void ValueRowWriter::write(std::FILE* file, std::span<const float> values)
{
    // Longest value: 39 digits of FLT_MAX, sign, point, decimals, blank.
    constexpr std::size_t maxValueChars = 64;
    line_.resize(values.size() * maxValueChars + 1);
    char* p = line_.data();
    for (const float v : values) {
        p = precision_ == shortest
                ? std::to_chars(p, p + maxValueChars - 1, v).ptr
                : std::to_chars(p, p + maxValueChars - 1, static_cast<double>(v), std::chars_format::fixed, precision_)
                      .ptr;
        *p++ = ' ';
    }
    *p++ = '\n';
    std::fwrite(line_.data(), 1, static_cast<std::size_t>(p - line_.data()), file);
}
