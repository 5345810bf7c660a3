#include "fuzz_inputs.h"

#include "grid_steps.h"
#include "jgrid.h"
#include "terrain_work.h"

#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <gdal.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Grids of up to 2^16 samples: enough for every header path, small enough
// that thousands of inputs per second fit in the fuzzer's memory limit.
constexpr std::uint64_t fuzzSampleLimit = std::uint64_t(1) << 16;

const QString& workDir()
{
    static QTemporaryDir dir(QDir::tempPath() + "/hypsa-fuzz-XXXXXX");
    static const QString path = dir.path();
    return path;
}

// Lowers the grid's sample limit for one input and puts the earlier limit
// back afterwards, so that code run after a replayed input (the rest of the
// test suite) sees the limit it expects.
class FuzzSampleLimit {
public:
    FuzzSampleLimit() : saved_(JGrid::maxSamples) { JGrid::maxSamples = fuzzSampleLimit; }
    ~FuzzSampleLimit() { JGrid::maxSamples = saved_; }
    FuzzSampleLimit(const FuzzSampleLimit&) = delete;
    FuzzSampleLimit& operator=(const FuzzSampleLimit&) = delete;

private:
    std::uint64_t saved_;
};

QString writeInput(const char* name, std::string_view bytes)
{
    const QString path = workDir() + "/" + name;
    if (std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb")) {
        if (!bytes.empty()) // an empty input may carry no pointer at all
            std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

std::string_view view(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

// A small loaded terrain to load details for and to load over.
void makeTerrain(JGrid& grid, unsigned w, unsigned h)
{
    grid.resize(w, h);
    for (unsigned r = 0; r < h; ++r)
        for (unsigned c = 0; c < w; ++c)
            grid.heights[r][c] = float((r * 7 + c * 13) % 11);
    grid.cellSize = 90.0f;
    grid.name = workDir() + "/terrain";
    grid.updateStatistics();
    grid.calcNormals();
    grid.loaded = true;
}

// Whatever the input, a loaded grid's samples match its size, and so do its
// normals unless it has none (then they are marked out of date); a broken
// invariant aborts, which the fuzzer and the regression test both catch.
void checkGrid(const JGrid& grid)
{
    const bool normalsShaped = grid.normals.empty()
                                   ? !grid.normalsValid
                                   : grid.normals.rows() == grid.height && grid.normals.cols() == grid.width;
    const bool shaped = grid.heights.rows() == grid.height && grid.heights.cols() == grid.width && normalsShaped;
    if (grid.loaded && !shaped) {
        std::fprintf(stderr, "grid of %u x %u holds arrays of %zu x %zu\n", grid.width, grid.height,
                     grid.heights.cols(), grid.heights.rows());
        std::abort();
    }
}

} // namespace

void fuzzAsciiGrid(const std::uint8_t* data, std::size_t size)
{
    const FuzzSampleLimit limit;
    const QString path = writeInput("input.grd", view(data, size));
    JGrid grid;
    makeTerrain(grid, 12, 10);
    if (grid.loadGRD(path))
        grid.reverseSubdivide();
    checkGrid(grid);
}

void fuzzFloatGrid(const std::uint8_t* data, std::size_t size)
{
    const FuzzSampleLimit limit;
    static constexpr std::string_view marker = "--data--\n";
    const std::string_view input = view(data, size);
    const std::size_t split = std::min(input.find(marker), input.size());
    writeInput("input.hdr", input.substr(0, split));
    const QString path =
        writeInput("input.flt", split < input.size() ? input.substr(split + marker.size()) : std::string_view());
    JGrid grid;
    makeTerrain(grid, 12, 10);
    grid.loadFLT(path);
    checkGrid(grid);
}

void fuzzDetailFile(const std::uint8_t* data, std::size_t size)
{
    const FuzzSampleLimit limit;
    const QString path = writeInput("input.dtl", view(data, size));
    JGrid grid;
    makeTerrain(grid, 6, 6);
    grid.loadDetails(path);
    grid.subdivideWithDetails();
    checkGrid(grid);
}

void fuzzGridSteps(const std::uint8_t* data, std::size_t size)
{
    const FuzzSampleLimit limit;
    constexpr std::size_t maxArguments = 64;
    std::vector<std::string> words;
    std::string_view rest = view(data, size);
    while (!rest.empty() && words.size() < maxArguments) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        words.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    std::vector<char*> arguments;
    for (std::string& w : words)
        arguments.push_back(w.data());
    std::vector<Step> steps;
    std::string error;
    if (!parseSteps(std::span<char* const>(arguments.data(), arguments.size()), steps, error))
        return;
    // The grid operations run on a small terrain; steps that read or write
    // files named by the input are left out.
    JGrid grid;
    makeTerrain(grid, 12, 10);
    for (const Step& step : steps) {
        const bool touchesFiles = step.kind == StepKind::writeGrd || step.kind == StepKind::writeHalves ||
                                  step.kind == StepKind::writeDetails || step.kind == StepKind::loadDetails ||
                                  step.kind == StepKind::saveRaw;
        if (!touchesFiles && !runStep(grid, step, error))
            break;
    }
    checkGrid(grid);
}

namespace {

// The names the Open dialog offers, one for each format GDAL tells by name
// or by content; the .bil and .flt data files take the header before
// "--data--".
constexpr const char* gdalNames[] = {"input.tif", "input.img", "input.vrt", "input.dem", "input.bil",
                                     "input.bt",  "input.ter", "input.nc",  "input.xyz", "input.grd",
                                     "input.asc", "input.flt", "N36W085.hgt"};

// Coarsening and refining back give the grid back: its size and its voids
// exactly, every sample to within 8 float steps of the grid's largest
// height (whole numbers come back bit for bit; a fraction can be off by a
// rounding of the filters). Checked for heights of any real terrain, in
// metres or feet, below 10^7; a difference aborts, as a broken invariant does.
void checkRoundTrip(JGrid& grid)
{
    const std::uint32_t width = grid.width, height = grid.height;
    const FloatArray2D heights = grid.heights;
    const ValidMask valid = grid.valid;
    const float largest = std::max(std::fabs(grid.minHeight), std::fabs(grid.maxHeight));
    if (!grid.reverseSubdivide())
        return;
    bool same = grid.subdivideWithDetails();
    same = same && grid.width == width && grid.height == height && grid.valid.size() == valid.size() &&
           std::equal(grid.valid.data(), grid.valid.data() + valid.size(), valid.data());
    const double tolerance = std::ldexp(double(largest), -20);
    for (std::size_t i = 0; same && largest < 1e7f && i < heights.size(); ++i)
        same = std::fabs(double(grid.heights.data()[i]) - double(heights.data()[i])) <= tolerance;
    if (!same) {
        std::fprintf(stderr, "coarsening and refining did not give back the %u x %u grid\n", width, height);
        std::abort();
    }
}

} // namespace

void fuzzGdalGrid(const std::uint8_t* data, std::size_t size)
{
    const FuzzSampleLimit limit;
    if (size == 0)
        return;
    static constexpr std::string_view marker = "--data--\n";
    const std::string_view input = view(data + 1, size - 1);
    const std::size_t split = std::min(input.find(marker), input.size());
    const std::string_view header = split < input.size() ? input.substr(0, split) : std::string_view();
    const std::string_view body = split < input.size() ? input.substr(split + marker.size()) : input;
    const std::string name = std::string("/vsimem/hypsa-fuzz/") + gdalNames[data[0] % std::size(gdalNames)];
    const std::string hdr = name.substr(0, name.rfind('.')) + ".hdr";
    // GDAL reads the bytes where they are; the files are only names for them.
    const auto memoryFile = [](const std::string& path, std::string_view bytes) {
        VSIFCloseL(VSIFileFromMemBuffer(path.c_str(), reinterpret_cast<GByte*>(const_cast<char*>(bytes.data())),
                                        vsi_l_offset(bytes.size()), FALSE));
    };
    memoryFile(name, body);
    if (!header.empty())
        memoryFile(hdr, header);
    JGrid grid;
    makeTerrain(grid, 12, 10);
    if (grid.loadGDAL(QString::fromStdString(name))) {
        checkGrid(grid);
        grid.updateStatistics();
        checkRoundTrip(grid);
        checkGrid(grid);
        DrawnMesh mesh;
        WorkControl control;
        buildDrawnMesh(grid, mesh, control);
    }
    checkGrid(grid);
    VSIUnlink(name.c_str());
    VSIUnlink(hdr.c_str());
}

void restrictGdalForFuzzing()
{
    constexpr const char* kept[] = {"GTiff", "HFA",  "VRT",  "USGSDEM", "EHdr",    "BT",     "Terragen",
                                    "netCDF", "XYZ", "GSAG", "GSBG",    "GS7BG", "AAIGrid", "SRTMHGT"};
    GDALAllRegister();
    std::string skipped;
    for (int i = 0; i < GDALGetDriverCount(); ++i) {
        // (A name with a space, only vector drivers have one, cannot be listed.)
        const char* name = GDALGetDriverShortName(GDALGetDriver(i));
        if (!std::strchr(name, ' ') &&
            std::none_of(std::begin(kept), std::end(kept), [&](const char* k) { return std::strcmp(k, name) == 0; }))
            skipped += std::string(skipped.empty() ? "" : " ") + name;
    }
    CPLSetConfigOption("GDAL_SKIP", skipped.c_str());
    GDALAllRegister(); // drops the skipped drivers, as every later registration does
    CPLSetConfigOption("GDAL_CACHEMAX", "64");
    CPLSetConfigOption("GDAL_HTTP_PROXY", "127.0.0.1:9");
    CPLSetConfigOption("GDAL_HTTP_MAX_RETRY", "0");
}
