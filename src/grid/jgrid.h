// The terrain: a rectangular grid of float height samples with one vertex
// normal per sample, height statistics, the source name and the detail stack
// that coarsening leaves behind for a later refinement (one DetailLevel per
// coarsening).
//
// The members are spread over several source files: the model and statistics
// (jgrid.cpp), normals (grid_normals.cpp), grid and detail files (src/grid),
// multiresolution (src/multires) and surface drawing (the GL layer).
#ifndef JGRID_H
#define JGRID_H

#include "array2d.h"
#include "detail_level.h"
#include "georeference.h"
#include "gmvec3.h"
#include "void_mask.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>


// Gates the extra progress lines of normal computation and surface drawing.
extern bool debugOutput;

// The statistics of the valid values among `count` heights (`valid` null:
// every value is valid), started from the first valid value so that no
// height, however large or small, is beyond the start. `stopped`: a stop
// request cut the scan short and the figures are incomplete.
struct HeightStatistics {
    float minimum = 0.0f;
    float maximum = 0.0f;
    double sum = 0.0;
    std::size_t validCount = 0;
    bool stopped = false;

    HeightStatistics(const float* values, const std::uint8_t* valid, std::size_t count);
    float mean() const { return static_cast<float>(sum / static_cast<double>(validCount)); }
};

class JGrid {
public:
    // The largest grid this program accepts: 2^28 samples (16384 x 16384).
    // Loads, detail files and refinements beyond it are refused before
    // anything is allocated; the normals of such a grid alone take 6 GB.
    // Tools that run many inputs in little memory (the fuzz targets) lower it.
    static inline std::uint64_t maxSamples = std::uint64_t(1) << 28;

    JGrid();
    ~JGrid();
    JGrid(const JGrid&) = delete;
    JGrid& operator=(const JGrid&) = delete;
    // Moving hands over every array: a new level built beside the shown one
    // replaces it without a copy.
    JGrid(JGrid&&) noexcept = default;
    JGrid& operator=(JGrid&&) noexcept = default;

    // Model and statistics.
    // A copy to build the next level beside this one: every member but the
    // normals (computed where something draws), and of the detail stack only
    // the top `topLevels` levels.
    JGrid copyLevel(std::size_t topLevels) const;
    void resize(unsigned w, unsigned h);
    void clear();
    void clearDetails();
    void updateStatistics();
    float standardDeviation();
    void printRow(unsigned row);
    float scaledHeight(unsigned row, unsigned col) const;
    // The sample holds a height (it is not a void).
    bool isValid(std::size_t row, std::size_t col) const { return isValidAt(valid, row, col); }
    // The drawing x of a column: col / 50, times eastWestRatio.
    double drawingX(unsigned col) const { return col / 50.0 * static_cast<double>(eastWestRatio); }
    gmVec3 normalAt(unsigned row, unsigned col) const;

    // Surface normals.
    void calcNormals();

    // Grid files. The loaders return true when a load started and ran to its
    // end; a load that cannot start leaves the grid as it was. loadFile picks
    // the reader by the name: .grd and .asc ASCII grids (a .grd that is not
    // one goes to GDAL), .flt and .hdr float grids, anything else GDAL.
    // `cellSize` (metres), when given, replaces the spacing the file gives.
    bool loadFile(QString fileName, std::optional<float> cellSize = std::nullopt);
    bool loadGRD(QString fileName, std::optional<float> cellSize = std::nullopt);
    bool loadFLT(QString fileName, std::optional<float> cellSize = std::nullopt);
    bool loadGDAL(QString fileName, std::optional<float> cellSize = std::nullopt);
    bool writeGRD(QString& message);
    bool writeLeftRight(QString& left, QString& right);
    // A float32 GeoTIFF of the samples at full precision, the voids as the
    // no-data value, with the grid's georeference; `message` receives the
    // name written or the error text.
    bool writeTIF(const QString& fileName, QString& message);

    // Detail files. writeDetail writes the two detail arrays of a level;
    // writeDetailFiles writes every level, with what else the level keeps
    // (voids, odd last column and row, the coarse grid's void values) after
    // the arrays.
    bool writeDetail(FloatArray2D widthDetails, FloatArray2D heightDetails, QString fileName, float cellSize,
                     QString nextFile);
    void writeDetailFiles(QString& message, int& count);
    // Replaces the stack with the file's level; false, with the stack as it
    // was, when the file cannot be used.
    bool loadDetails(QString fileName);

    // Multiresolution (src/multires).
    // BEGIN multires declarations
    // The grid-changing operations return true when they changed the grid and
    // false when they refused (with a message) or had nothing to do; a
    // refusal changes nothing, the detail stack included.

    // Chaikin refinement and size adjustment (chaikin_refinement.cpp,
    // adjust_size.cpp). refineSequence maps m >= 3 samples to 2m-2 and gives
    // an empty result for fewer.
    static std::vector<float> refineSequence(std::span<const float> c);
    bool subdivideWithoutDetails();
    // adjustSize is false only when it refused (the size limit, no memory);
    // asking for the current size succeeds without a change.
    bool adjustSize(int newWidth, int newHeight);

    // Reverse subdivision (reverse_subdivision.cpp). The filters use the
    // leading even number of samples, at least 10, and give an empty result
    // for fewer.
    bool reverseSubdivide();
    static FloatArray2D computeDetails(const FloatArray2D& data, bool horizontal);
    static std::vector<float> coarsenSequence(std::span<const float> f);
    static std::vector<float> detailSequence(std::span<const float> f);

    // Reconstruction with details (reconstruction.cpp). The sequence
    // functions need m >= 5 coarse samples and m-2 details; with fewer they
    // give an empty result or write nothing.
    bool subdivideWithDetails();
    static std::vector<float> refineRowWithDetails(std::span<const float> row, std::span<const float> rowDetails);
    static void refineColumnWithDetails(const FloatArray2D& coarse, const FloatArray2D& colDetails, std::size_t column,
                                        FloatArray2D& out);
    static std::vector<float> detailContribution(std::span<const float> d, std::size_t m);

    // Fractional Brownian refinement (brownian_refinement.cpp).
    bool subdivideBrownian();
    bool decimate();
    float residualStdDev();
    // END multires declarations

    // Surface drawing (GL layer).
    void render();
    void setMaterial(float h);
    void setNormal(gmVec3 n);

    std::uint32_t width;
    std::uint32_t height;
    bool loaded;
    // North-south sample spacing in metres; none when the file gave none
    // (the drawing then takes one height unit per sample).
    std::optional<float> cellSize;
    // The spacing the drawing takes: the cell size, or, when the file gave
    // none, one height unit per sample of the grid as loaded (two for each
    // coarsening level below it, as a cell size would double).
    float drawingCellSize() const { return cellSize.value_or(std::ldexp(1.0f, int(details.size()))); }
    FloatArray2D heights;
    Array2D<gmVec3> normals;
    std::vector<DetailLevel> details;
    bool normalsValid;
    float maxHeight;
    float minHeight;
    float averageHeight;
    QString name;
    float stdDev;
    // (A new member needs its line in copyLevel.)
    // East-west sample spacing as a fraction of the north-south one (cellSize):
    // a geographic grid's columns close up with the cosine of its latitude.
    // Set by loading; refinement and coarsening keep it.
    float eastWestRatio = 1.0f;
    // Multiplies the drawing heights (scaledHeight); 1 is the true relief
    // with the drawing's usual 1/0.9.
    float verticalExaggeration = 1.0f;
    // Voids: the validity mask (empty when every sample is valid), the number
    // of voids (kept by loading and updateStatistics), and the value the
    // writers put at voids (the file's no-data value, else -9999).
    ValidMask valid;
    std::uint64_t voidCount = 0;
    float noDataValue = systemNoData;
    // Where the samples lie on the ground, carried through every level;
    // none when the file gave no georeferencing.
    std::optional<Georeference> georeference;
};

#endif
