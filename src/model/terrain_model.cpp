#include "terrain_model.h"

#include "bulk_memory.h"

void DrawnMesh::release()
{
    releaseBulk(vertices);
    releaseBulk(vertexNormals);
    releaseBulk(faceNormals);
    releaseBulk(frames);
    releaseBulk(faces);
    silhouetteEdges.clear();
    lightSilhouetteEdges.clear();
    releaseBulk(occluderPositions);
    std::vector<LineFamily>().swap(families);
    curvature.clear();
    lineSettings = MapLineSettings();
    extent.reset();
}

ShownLevel shownLevelOf(const JGrid& grid)
{
    if (grid.details.empty())
        return ShownLevel{0, grid.width, grid.height};
    const DetailLevel& finest = grid.details.front();
    return ShownLevel{int(grid.details.size()), finest.fineColumns(), finest.fineRows()};
}

QString ShownLevel::describe(std::uint32_t width, std::uint32_t height) const
{
    if (level <= 0)
        return QString();
    return QString("showing level %1 of %2 x %3: %4 x %5; Refine restores detail")
        .arg(level)
        .arg(fullWidth)
        .arg(fullHeight)
        .arg(width)
        .arg(height);
}
