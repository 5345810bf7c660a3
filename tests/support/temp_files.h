// Test files in a temporary directory that disappears with the object.
#ifndef TEMP_FILES_H
#define TEMP_FILES_H

#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

class TempFiles {
public:
    QString path(const QString& name) const { return dir_.filePath(name); }

    // Writes `content` byte for byte and returns the file's path.
    QString write(const QString& name, const std::string& content) const
    {
        const QString p = path(name);
        std::ofstream(p.toStdString(), std::ios::binary) << content;
        return p;
    }

    // Writes prefix, `count` copies of `fill`, then suffix, a block at a
    // time, so that a file holding a huge token leaves no huge block freed
    // on the heap (which would change later memory-limit tests).
    QString writeWithRun(const QString& name, const std::string& prefix, char fill, std::size_t count,
                         const std::string& suffix) const
    {
        const QString p = path(name);
        std::ofstream out(p.toStdString(), std::ios::binary);
        out << prefix;
        const std::string block(4096, fill);
        for (std::size_t left = count; left > 0; left -= std::min(left, block.size()))
            out.write(block.data(), std::streamsize(std::min(left, block.size())));
        out << suffix;
        return p;
    }

    static std::string read(const QString& path)
    {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    QTemporaryDir dir_;
};

#endif
