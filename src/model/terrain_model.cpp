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
    extent.reset();
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
