// A line family's segments grouped by style for drawing: per style, pairs of
// indices into the family's points, so that GL draws each style in batches
// of one width and colour straight from the family's own point array.
#ifndef FAMILY_SEGMENTS_H
#define FAMILY_SEGMENTS_H

#include "line_family.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class FamilySegments {
public:
    // Replaces what was held by the segments of the family's polylines.
    void build(const LineFamily& family);

    std::size_t styleCount() const { return first_.empty() ? 0 : first_.size() - 1; }
    // Index pairs of the segments drawn in style s.
    std::span<const std::uint32_t> of(std::size_t s) const
    {
        return {indices_.data() + first_[s], first_[s + 1] - first_[s]};
    }
    std::size_t segmentCount() const { return indices_.size() / 2; }
    std::size_t bytes() const
    {
        return indices_.capacity() * sizeof(std::uint32_t) + first_.capacity() * sizeof(std::size_t);
    }

private:
    std::vector<std::size_t> first_; // style s: indices_[first_[s]] to indices_[first_[s + 1] - 1]
    std::vector<std::uint32_t> indices_;
};

#endif
