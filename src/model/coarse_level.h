// The coarse level drawn while the view moves: a copy of the drawn level
// coarsened (its details dropped) until a frame of it fits the frame budget,
// with its own mesh, edges and occluder.
#ifndef COARSE_LEVEL_H
#define COARSE_LEVEL_H

#include "terrain_model.h"
#include "terrain_work.h"
#include "work_control.h"

#include <cstdint>

// Faces of the mesh of a width x height grid with `voids` void samples,
// as far as it can be told without building it.
std::uint64_t estimatedFaces(std::uint64_t width, std::uint64_t height, std::uint64_t voids);

// Builds out.mesh from `drawn` coarsened until its faces fit `faceBudget`,
// and out.spacing; out.builtFor = faceBudget. A drawn level within the
// budget, or one too small to coarsen, gives no mesh. Stops with Cancelled
// at a stop request, leaving no mesh.
WorkOutcome buildCoarseLevel(const JGrid& drawn, std::uint64_t faceBudget, CoarseLevel& out, WorkControl& control);

// Finishes a job that built a drawn level (its outcome given) with that
// level's coarse level, for a face budget; 0: none is wanted.
WorkOutcome withCoarseLevel(WorkOutcome outcome, std::uint64_t faceBudget, WorkControl& control,
                            TerrainUpdate& update);

#endif
