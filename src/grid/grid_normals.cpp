// Vertex normals: every cell splits along its (i+1, c)-(i, c+1) diagonal into
// a lower and an upper triangle; each sample averages the unit normals of the
// triangles that touch it. Only two rows of face normals exist at any time;
// the additions happen in the same order as with a full face array, so the
// result is the same to the last bit.
#include "grid_normals.h"

#include "jgrid.h"
#include "stop_request.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Face normals of cell row i: entry 2c is the lower triangle of cell (i, c),
// entry 2c+1 the upper one. Geometry: x = row, y = column, z = height.
void faceNormalRow(const FloatArray2D& h, std::size_t i, std::size_t cols, gmVec3* out)
{
    const auto top = h[i];
    const auto below = h[i + 1];
    const double x0 = static_cast<double>(i);
    const double x1 = static_cast<double>(i + 1);
    for (std::size_t c = 0; c + 1 < cols; ++c) {
        const double y0 = static_cast<double>(c);
        const double y1 = static_cast<double>(c + 1);
        const gmVec3 p00(x0, y0, top[c]);
        const gmVec3 p10(x1, y0, below[c]);
        const gmVec3 p01(x0, y1, top[c + 1]);
        const gmVec3 p11(x1, y1, below[c + 1]);
        out[2 * c] = cross(p00 - p10, p00 - p01).normalize();
        out[2 * c + 1] = cross(p11 - p10, p11 - p01).normalize() * -1.0;
    }
}

// Vertex normals of sample row i from the face rows above (prev, cell row
// i-1) and below (cur, cell row i); either is null at the top or bottom edge.
void vertexNormalRow(const gmVec3* prev, const gmVec3* cur, std::size_t cols, gmVec3* out)
{
    const std::size_t last = cols - 1;
    for (std::size_t j = 0; j < cols; ++j) {
        gmVec3 n;
        if (!prev) {
            if (j == 0) {
                n = cur[0];
            } else if (j < last) {
                n = cur[2 * j];
                n += cur[2 * j - 2];
                n += cur[2 * j - 1];
                n /= 3.0;
            } else {
                n = (cur[2 * j - 2] + cur[2 * j - 1]) / 2.0;
            }
        } else if (cur) {
            if (j == 0) {
                n = cur[0];
                n += prev[0];
                n += prev[1];
                n /= 3.0;
            } else if (j < last) {
                n = cur[2 * j];
                n += prev[2 * j - 1];
                n += prev[2 * j];
                n += prev[2 * j + 1];
                n += cur[2 * j - 2];
                n += cur[2 * j - 1];
                n /= 6.0;
            } else {
                n = prev[2 * j - 1];
                n += cur[2 * j - 2];
                n += cur[2 * j - 1];
                n /= 3.0;
            }
        } else {
            if (j == 0) {
                n = (prev[0] + prev[1]) / 2.0;
            } else if (j < last) {
                n = prev[2 * j - 1];
                n += prev[2 * j];
                n += prev[2 * j + 1];
                n /= 3.0;
            } else {
                n = prev[2 * j - 1];
            }
        }
        out[j] = n;
    }
}

// Which faces of cell row i have three valid corners (entry 2c the lower
// triangle of cell (i, c), 2c+1 the upper one).
void faceValidityRow(const ValidMask& valid, std::size_t i, std::size_t cols, std::uint8_t* out)
{
    const auto top = valid[i];
    const auto below = valid[i + 1];
    for (std::size_t c = 0; c + 1 < cols; ++c) {
        const bool diagonal = below[c] && top[c + 1];
        out[2 * c] = diagonal && top[c];
        out[2 * c + 1] = diagonal && below[c + 1];
    }
}

// Vertex normals of a grid with voids: the mean of the valid faces among
// those of the table above (faces with a void corner left out); (0, 0, 1)
// where no valid face touches the sample.
void maskedVertexNormalRow(const gmVec3* prev, const std::uint8_t* prevOk, const gmVec3* cur,
                           const std::uint8_t* curOk, std::size_t cols, gmVec3* out)
{
    const std::size_t last = cols - 1;
    for (std::size_t j = 0; j < cols; ++j) {
        gmVec3 sum;
        int count = 0;
        const auto add = [&](const gmVec3* faces, const std::uint8_t* ok, std::size_t f) {
            if (ok[f]) {
                sum += faces[f];
                ++count;
            }
        };
        if (cur) {
            if (j < last)
                add(cur, curOk, 2 * j);
            if (j > 0) {
                add(cur, curOk, 2 * j - 2);
                add(cur, curOk, 2 * j - 1);
            }
        }
        if (prev) {
            if (j > 0)
                add(prev, prevOk, 2 * j - 1);
            if (j < last) {
                add(prev, prevOk, 2 * j);
                add(prev, prevOk, 2 * j + 1);
            }
        }
        out[j] = count == 0 ? gmVec3(0.0, 0.0, 1.0) : sum / double(count);
    }
}

// computeVertexNormals for a grid with voids (at least 2 x 2 samples).
void maskedNormals(const FloatArray2D& heights, const ValidMask& valid, std::size_t rows, std::size_t cols,
                   gmVec3* out, std::size_t stride)
{
    const std::size_t faceCount = 2 * cols - 2;
    std::vector<gmVec3> prev(faceCount), cur(faceCount);
    std::vector<std::uint8_t> prevOk(faceCount), curOk(faceCount);
    faceNormalRow(heights, 0, cols, cur.data());
    faceValidityRow(valid, 0, cols, curOk.data());
    maskedVertexNormalRow(nullptr, nullptr, cur.data(), curOk.data(), cols, out);
    for (std::size_t i = 1; i + 1 < rows && !stopRequested(); ++i) {
        prev.swap(cur);
        prevOk.swap(curOk);
        faceNormalRow(heights, i, cols, cur.data());
        faceValidityRow(valid, i, cols, curOk.data());
        maskedVertexNormalRow(prev.data(), prevOk.data(), cur.data(), curOk.data(), cols, out + i * stride);
    }
    maskedVertexNormalRow(cur.data(), curOk.data(), nullptr, nullptr, cols, out + (rows - 1) * stride);
}

} // namespace

void computeVertexNormals(const FloatArray2D& heights, const ValidMask& valid, std::size_t rows, std::size_t cols,
                          gmVec3* out, std::size_t stride)
{
    if (rows < 2 || cols < 2) {
        // No cells: every normal points straight up.
        for (std::size_t r = 0; r < rows; ++r)
            std::fill_n(out + r * stride, cols, gmVec3(0.0, 0.0, 1.0));
        return;
    }
    if (!valid.empty() && valid.rows() >= rows && valid.cols() >= cols) {
        maskedNormals(heights, valid, rows, cols, out, stride);
        return;
    }
    const std::size_t faceCount = 2 * cols - 2;
    std::vector<gmVec3> prev(faceCount);
    std::vector<gmVec3> cur(faceCount);
    faceNormalRow(heights, 0, cols, cur.data());
    vertexNormalRow(nullptr, cur.data(), cols, out);
    for (std::size_t i = 1; i + 1 < rows && !stopRequested(); ++i) {
        prev.swap(cur);
        faceNormalRow(heights, i, cols, cur.data());
        vertexNormalRow(prev.data(), cur.data(), cols, out + i * stride);
    }
    vertexNormalRow(cur.data(), nullptr, cols, out + (rows - 1) * stride);
}

void JGrid::calcNormals()
{
    if (normalsValid)
        return;
    // The normals array exists only while someone asked for the normals:
    // loads and level changes leave it empty.
    if (normals.rows() != height || normals.cols() != width)
        normals = Array2D<gmVec3>(height, width);
    const std::size_t rows = std::min(std::size_t(height), heights.rows());
    const std::size_t cols = std::min(std::size_t(width), heights.cols());
    const bool cells = rows >= 2 && cols >= 2;
    if (debugOutput && cells) {
        std::printf("Calculating Face Normals\n");
        std::printf("Calculating Vertex Normals\n");
        std::printf("normals array is %i by %i\n", int(normals.rows()), int(normals.cols()));
    }
    computeVertexNormals(heights, valid, rows, cols, normals.data(), normals.cols());
    if (debugOutput && cells)
        std::printf("done calculating normals\n");
    normalsValid = true;
}
