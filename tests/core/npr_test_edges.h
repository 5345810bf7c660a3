// Edges with given flags, for tests of the edge buffer and what draws it.
#ifndef NPR_TEST_EDGES_H
#define NPR_TEST_EDGES_H

#include "edge.h"

// An edge between two faces unless `border`.
inline Edge edgeWith(int other, bool front, bool back, bool used, float s, bool border = false)
{
    Edge e(other);
    e.border = border;
    e.front = front;
    e.back = back;
    e.used = used;
    e.s = s;
    return e;
}

#endif
