// Replays the fuzz seeds and every input that once crashed, hung or
// allocated without bound, through the same code the fuzz targets run.
#include "fuzz_inputs.h"
#include "jgrid.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using FuzzInput = void (*)(const std::uint8_t*, std::size_t);

std::size_t replay(const std::string& target, FuzzInput input)
{
    std::size_t count = 0;
    for (const char* kind : {"seeds", "regressions"}) {
        const std::filesystem::path dir = std::filesystem::path(HYPSA_SOURCE_DIR) / "fuzz" / kind / target;
        if (!std::filesystem::is_directory(dir))
            continue;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::ifstream file(entry.path(), std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            SCOPED_TRACE(entry.path().string());
            const std::uint64_t limit = JGrid::maxSamples;
            input(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            // The tests that run after this one see the grid's own limit.
            EXPECT_EQ(JGrid::maxSamples, limit);
            ++count;
        }
    }
    return count;
}

} // namespace

TEST(FuzzRegressions, AsciiGridInputs)
{
    EXPECT_GT(replay("ascii_grid", fuzzAsciiGrid), 0u);
}

TEST(FuzzRegressions, FloatGridInputs)
{
    EXPECT_GT(replay("float_grid", fuzzFloatGrid), 0u);
}

TEST(FuzzRegressions, DetailFileInputs)
{
    EXPECT_GT(replay("detail_file", fuzzDetailFile), 0u);
}

TEST(FuzzRegressions, GridStepInputs)
{
    EXPECT_GT(replay("grid_steps", fuzzGridSteps), 0u);
}

TEST(FuzzRegressions, GdalGridInputs)
{
    EXPECT_GT(replay("gdal_grid", fuzzGdalGrid), 0u);
}
