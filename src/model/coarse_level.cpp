#include "coarse_level.h"

#include <cstdio>

std::uint64_t estimatedFaces(std::uint64_t width, std::uint64_t height, std::uint64_t voids)
{
    if (width < 2 || height < 2)
        return 0;
    const std::uint64_t samples = width * height;
    const double validShare = samples > voids ? double(samples - voids) / double(samples) : 0.0;
    return std::uint64_t(double(2 * (width - 1) * (height - 1)) * validShare);
}

WorkOutcome buildCoarseLevel(const JGrid& drawn, std::uint64_t faceBudget, CoarseLevel& out, WorkControl& control)
{
    out = CoarseLevel();
    out.builtFor = faceBudget;
    const auto faces = [](const JGrid& g) { return estimatedFaces(g.width, g.height, g.voidCount); };
    if (!drawn.loaded || faces(drawn) <= faceBudget)
        return WorkOutcome::Done;
    JGrid grid = drawn.copyLevel(0);
    double spacing = 1.0;
    while (faces(grid) > faceBudget) {
        if (control.cancelled())
            return WorkOutcome::Cancelled;
        if (!grid.reverseSubdivide())
            break;
        grid.clearDetails(); // only the coarse samples are wanted
        spacing *= 2.0;
    }
    if (spacing == 1.0)
        return WorkOutcome::Done;
    std::printf("Drawing %u x %u while the view moves\n", grid.width, grid.height);
    const WorkOutcome outcome = buildDrawnMesh(grid, out.mesh, control, 0, 0);
    if (outcome == WorkOutcome::Done)
        out.spacing = spacing;
    return outcome;
}

WorkOutcome withCoarseLevel(WorkOutcome outcome, std::uint64_t faceBudget, WorkControl& control,
                            TerrainUpdate& update)
{
    if (outcome != WorkOutcome::Done || faceBudget == 0 || update.mesh.faces.empty())
        return outcome;
    return buildCoarseLevel(update.grid, faceBudget, update.coarse, control);
}
