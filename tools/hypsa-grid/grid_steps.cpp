#include "grid_steps.h"

#include "grid_file_io.h"

#include <QFile>

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

struct StepWord {
    std::string_view word;
    StepKind kind;
    int arguments;
};

constexpr StepWord stepWords[] = {
    {"coarsen", StepKind::coarsen, 0},        {"refine", StepKind::refine, 0},
    {"brownian", StepKind::brownian, 0},      {"decimate", StepKind::decimate, 0},
    {"resize", StepKind::resize, 2},          {"write-grd", StepKind::writeGrd, 0},
    {"write-tif", StepKind::writeTif, 1},
    {"write-halves", StepKind::writeHalves, 0}, {"write-details", StepKind::writeDetails, 0},
    {"load-details", StepKind::loadDetails, 1}, {"stats", StepKind::stats, 0},
    {"save-raw", StepKind::saveRaw, 1},
};

bool parseWholeInt(std::string_view text, int& value)
{
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(text.data(), last, value);
    return result.ec == std::errc() && result.ptr == last;
}

std::string shortest(float value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string gridSize(const JGrid& grid)
{
    return std::to_string(grid.width) + " x " + std::to_string(grid.height);
}

// The samples as little-endian float32, row 0 first, columns fastest.
bool saveRaw(const JGrid& grid, const QString& fileName)
{
    FileHandle file = openFile(fileName, "wb");
    if (!file)
        return false;
    std::vector<std::uint32_t> row(grid.width);
    for (std::size_t r = 0; r < grid.height; ++r) {
        std::memcpy(row.data(), grid.heights[r].data(), row.size() * sizeof(float));
        if constexpr (std::endian::native == std::endian::big)
            for (std::uint32_t& bits : row)
                bits = __builtin_bswap32(bits);
        std::fwrite(row.data(), sizeof(float), row.size(), file.get());
    }
    return closeWrittenFile(std::move(file));
}

// The multiresolution steps return false when they left the grid as it was.
bool changed(bool gridChanged, const JGrid& grid, std::string& error)
{
    if (!gridChanged)
        error = "the " + gridSize(grid) + " grid was left unchanged";
    return gridChanged;
}

} // namespace

bool parseSteps(std::span<char* const> words, std::vector<Step>& steps, std::string& error)
{
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string_view word = words[i];
        const StepWord* known = nullptr;
        for (const StepWord& s : stepWords)
            if (s.word == word)
                known = &s;
        if (!known) {
            error = "unknown step \"" + std::string(word) + "\"";
            return false;
        }
        if (words.size() - 1 - i < std::size_t(known->arguments)) {
            error = std::string(word) + " needs " + std::to_string(known->arguments) + " argument" +
                    (known->arguments > 1 ? "s" : "");
            return false;
        }
        Step step;
        step.kind = known->kind;
        step.word = word;
        if (known->kind == StepKind::resize) {
            if (!parseWholeInt(words[i + 1], step.width) || !parseWholeInt(words[i + 2], step.height)) {
                error = "resize needs two whole numbers, not \"" + std::string(words[i + 1]) + "\" and \"" +
                        std::string(words[i + 2]) + "\"";
                return false;
            }
        } else if (known->arguments == 1) {
            step.file = QFile::decodeName(words[i + 1]);
        }
        i += known->arguments;
        steps.push_back(std::move(step));
    }
    return true;
}

namespace {

bool runGridStep(JGrid& grid, const Step& step, std::string& error)
{
    switch (step.kind) {
    case StepKind::coarsen:
        return changed(grid.reverseSubdivide(), grid, error);
    case StepKind::refine:
        return changed(grid.subdivideWithDetails(), grid, error);
    case StepKind::brownian:
        return changed(grid.subdivideBrownian(), grid, error);
    case StepKind::decimate:
        return changed(grid.decimate(), grid, error);
    case StepKind::resize:
        if (step.width < 2 || step.height < 2) {
            error = "a grid needs at least 2 x 2 samples; the " + gridSize(grid) + " grid was left unchanged";
            return false;
        }
        if (grid.adjustSize(step.width, step.height))
            return true;
        error = "the " + gridSize(grid) + " grid was left unchanged";
        return false;
    case StepKind::writeGrd: {
        QString message;
        if (grid.writeGRD(message))
            return true;
        error = message.toStdString();
        return false;
    }
    case StepKind::writeTif: {
        QString message;
        if (grid.writeTIF(step.file, message))
            return true;
        error = message.toStdString();
        return false;
    }
    case StepKind::writeHalves: {
        QString left;
        QString right;
        if (grid.writeLeftRight(left, right))
            return true;
        error = left.toStdString();
        return false;
    }
    case StepKind::writeDetails: {
        QString message;
        int count = 0;
        grid.writeDetailFiles(message, count);
        if (count >= 0)
            return true;
        error = message.toStdString();
        return false;
    }
    case StepKind::loadDetails:
        if (grid.loadDetails(step.file))
            return true;
        error = "no details were loaded from " + step.file.toStdString();
        return false;
    case StepKind::stats:
        grid.updateStatistics();
        std::printf("%s\n", statsLine(grid).c_str());
        return true;
    case StepKind::saveRaw:
        if (saveRaw(grid, step.file))
            return true;
        error = "cannot write " + step.file.toStdString();
        return false;
    }
    return false;
}

} // namespace

bool runStep(JGrid& grid, const Step& step, std::string& error)
{
    try {
        return runGridStep(grid, step, error);
    } catch (const std::bad_alloc&) {
        error = "not enough memory; the " + gridSize(grid) + " grid was left as it was";
        return false;
    }
}

std::string statsLine(const JGrid& grid)
{
    // A grid without a cell size, or without any valid sample, says "none".
    const bool anyValid = grid.voidCount < std::uint64_t(grid.width) * grid.height;
    const auto figure = [anyValid](float v) { return anyValid ? shortest(v) : std::string("none"); };
    return "stats width=" + std::to_string(grid.width) + " height=" + std::to_string(grid.height) +
           " cellsize=" + (grid.cellSize ? shortest(*grid.cellSize) : std::string("none")) +
           " min=" + figure(grid.minHeight) + " max=" + figure(grid.maxHeight) + " mean=" + figure(grid.averageHeight) +
           " levels=" + std::to_string(grid.details.size()) + " voids=" + std::to_string(grid.voidCount);
}
