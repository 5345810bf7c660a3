#include "family_segments.h"

void FamilySegments::build(const LineFamily& family)
{
    // Counted first, so that each style's run is sized once.
    first_.assign(family.styles.size() + 1, 0);
    for (std::size_t i = 0; i < family.polylineCount(); ++i)
        if (family.styleOf[i] < family.styles.size())
            first_[family.styleOf[i] + 1u] += 2 * std::size_t(family.starts[i + 1] - family.starts[i] - 1);
    for (std::size_t s = 1; s < first_.size(); ++s)
        first_[s] += first_[s - 1];
    indices_.assign(first_.back(), 0);
    std::vector<std::size_t> next(first_.begin(), first_.end() - 1);
    for (std::size_t i = 0; i < family.polylineCount(); ++i) {
        if (family.styleOf[i] >= family.styles.size())
            continue; // a style the family does not have is not drawn
        std::size_t& at = next[family.styleOf[i]];
        for (std::uint32_t p = family.starts[i]; p + 1 < family.starts[i + 1]; ++p) {
            indices_[at++] = p;
            indices_[at++] = p + 1;
        }
    }
}
