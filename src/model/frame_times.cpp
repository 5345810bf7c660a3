#include "frame_times.h"

#include <algorithm>
#include <cmath>

void FrameTimes::record(std::uint64_t faces, double seconds)
{
    // Small meshes are mostly the fixed part: they say little per face.
    if (double(faces) < smallestMeasured_ || !(seconds >= 0.0) || !std::isfinite(seconds))
        return;
    const double perFace = std::max(seconds - overhead_, 0.0) / double(faces);
    // Half the weight to the newest frame: a busy moment passes, a slower
    // machine shows at once.
    secondsPerFace_ = 0.5 * secondsPerFace_ + 0.5 * perFace;
}

double FrameTimes::expected(std::uint64_t faces) const
{
    return overhead_ + secondsPerFace_ * double(faces);
}

std::uint64_t FrameTimes::faceBudget() const
{
    const double faces = (0.8 * target - overhead_) / std::max(secondsPerFace_, 1e-12);
    return std::uint64_t(std::clamp(faces, 1.0, 1e12));
}

bool FrameTimes::rebuildWanted(std::uint64_t drawnFaces, std::uint64_t coarseFaces, std::uint64_t builtFor) const
{
    if (!tooSlow(drawnFaces))
        return false;
    // None was built: only worth building when the budget then had room for
    // the drawn level (a level too small to coarsen stays without one).
    if (coarseFaces == 0)
        return builtFor >= drawnFaces;
    if (tooSlow(coarseFaces))
        return true;
    // One coarsening takes about three quarters of the faces away: a finer
    // level lies between when four times these are well under the drawn.
    return 4 * coarseFaces < drawnFaces - drawnFaces / 10 && 4 * coarseFaces <= faceBudget();
}
