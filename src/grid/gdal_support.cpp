#include "gdal_support.h"

#include <gdal.h>
#include <cpl_error.h>

#include <mutex>

void DatasetCloser::operator()(void* dataset) const
{
    GDALClose(dataset);
}

void registerGdalDrivers()
{
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

QuietErrors::QuietErrors()
{
    CPLPushErrorHandler(CPLQuietErrorHandler);
    CPLErrorReset();
}

QuietErrors::~QuietErrors()
{
    CPLPopErrorHandler();
}

std::string QuietErrors::reason()
{
    const char* message = CPLGetLastErrorMsg();
    return (message && *message) ? message : "no reason given";
}
