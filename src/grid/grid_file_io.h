// Files named by QString (opened by their 8-bit local form) and the text
// rows that the grid and detail writers share.
#ifndef GRID_FILE_IO_H
#define GRID_FILE_IO_H

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <memory>
#include <span>
#include <vector>

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// The name as the file system sees it; also what messages print.
inline QByteArray localName(const QString& name) { return QFile::encodeName(name); }

FileHandle openFile(const QString& name, const char* mode);

// Opens a text file for reading past a UTF-8 byte-order mark at its start.
FileHandle openTextFile(const QString& name);

// Closes a written file; false when any write or the close failed.
bool closeWrittenFile(FileHandle file);

// Closes a written file and reports the outcome on the console: the success
// line, or an error when any write or the close failed (a full disk), so that
// a writer never reports a partly written file as written.
bool finishWriting(FileHandle file, const QString& name);

// Writes rows of float values as text: each value as printf's "%1.<p>f"
// followed by one blank, each row ended by "\n". One line buffer is reused
// for every row.
class ValueRowWriter {
public:
    // Each value with the fewest digits that read back as the same float.
    static constexpr int shortest = -1;

    explicit ValueRowWriter(int precision) : precision_(precision) {}
    void write(std::FILE* file, std::span<const float> values);

private:
    int precision_;
    std::vector<char> line_;
};

#endif
