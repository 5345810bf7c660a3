// One mesh edge of an EdgeBuffer: the larger vertex index (the smaller is the
// row that holds it), the classification flags and the facing value.
#ifndef EDGE_H
#define EDGE_H

#include <cstdint>

struct Edge {
    std::int32_t other = -1;
    bool used = false;   // passed its threshold test; s was rescaled
    bool front = false;  // toggled by every adjacent face that faces the point
    bool back = false;   // toggled by every adjacent face that faces away
    bool border = true;  // seen in only one face so far
    float s = 0.0f;      // smallest |cos| of the adjacent faces, see EdgeBuffer

    Edge() = default;
    explicit Edge(std::int32_t j) : other(j) {}

    bool isSilhouette() const { return front && back; }

    // One adjacent face's facing: side 1 toggles front, side 2 toggles back,
    // any other side nothing.
    void toggle(int side)
    {
        if (side == 1)
            front = !front;
        else if (side == 2)
            back = !back;
    }
    // Keeps the smallest facing value; a negative s means none recorded yet.
    void keepSmallest(float value)
    {
        if (s > value || s < 0)
            s = value;
    }
};

// A mesh triangle: three vertex indices in drawing order.
struct Face {
    std::uint32_t v[3];

    bool operator==(const Face&) const = default;
};

#endif
