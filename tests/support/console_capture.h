// Captures what the code under test prints to standard output.
#ifndef CONSOLE_CAPTURE_H
#define CONSOLE_CAPTURE_H

#include <cstdio>
#include <string>

#include <unistd.h>

class ConsoleCapture {
public:
    ConsoleCapture()
    {
        std::fflush(stdout);
        file_ = std::tmpfile();
        saved_ = dup(fileno(stdout));
        dup2(fileno(file_), fileno(stdout));
    }
    ~ConsoleCapture() { restore(); }

    // Stops capturing and returns everything printed since construction.
    std::string text()
    {
        restore();
        std::string out;
        std::rewind(file_);
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
            out.append(buffer, n);
        return out;
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stdout);
        dup2(saved_, fileno(stdout));
        close(saved_);
        saved_ = -1;
    }

    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

#endif
