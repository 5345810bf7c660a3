#include "fuzz_inputs.h"

#include "grid_steps.h"
#include "jgrid.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
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
