// The terrain: a rectangular grid of float height samples with one vertex
// normal per sample, height statistics, the source name and the detail stack
// that coarsening leaves behind for a later refinement.
//
// The members are spread over several source files: the model and statistics
// (jgrid.cpp), normals (grid_normals.cpp), grid and detail files (src/grid),
// multiresolution (src/multires) and surface drawing (the GL layer).
#ifndef JGRID_H
#define JGRID_H

#include "array2d.h"
#include "gmvec3.h"
#include "void_mask.h"

#include <QString>

#include <cstdint>
#include <span>
#include <vector>


// Gates the extra progress lines of normal computation and surface drawing.
extern bool debugOutput;

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

    // Model and statistics.
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
    bool loadFile(QString fileName);
    bool loadGRD(QString fileName);
    bool loadFLT(QString fileName);
    bool loadGDAL(QString fileName);
    bool writeGRD(QString& message);
    bool writeLeftRight(QString& left, QString& right);

    // Detail files.
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
    float cellSize;
    FloatArray2D heights;
    Array2D<gmVec3> normals;
    std::vector<FloatArray2D> details;
    bool normalsValid;
    float maxHeight;
    float minHeight;
    float averageHeight;
    QString name;
    float stdDev;
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
    // Per stored level (pair of detail arrays), the mask of the finer grid
    // that refinement with those details gives back; empty for a level
    // without voids.
    std::vector<ValidMask> detailMasks;
};

#endif
