// Test files in a temporary directory that disappears with the object.
#ifndef TEMP_FILES_H
#define TEMP_FILES_H

#include <QString>
#include <QTemporaryDir>

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

    static std::string read(const QString& path)
    {
        std::ifstream in(path.toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    QTemporaryDir dir_;
};

#endif
