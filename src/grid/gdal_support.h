// What the GDAL reader and writer share: registering the drivers once, and
// GDAL's reason for a failure in our own messages.
#ifndef GDAL_SUPPORT_H
#define GDAL_SUPPORT_H

#include <memory>
#include <string>

// An open GDAL dataset, closed when it goes.
struct DatasetCloser {
    void operator()(void* dataset) const;
};
using Dataset = std::unique_ptr<void, DatasetCloser>;

// Registers GDAL's drivers, once per process, from any thread.
void registerGdalDrivers();

// While one lives GDAL prints nothing itself; reason() is its last failure.
class QuietErrors {
public:
    QuietErrors();
    ~QuietErrors();
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;
    static std::string reason();
};

#endif
