// Edges with given flags, for tests of the edge buffer and what draws it.
#ifndef NPR_TEST_EDGES_H
#define NPR_TEST_EDGES_H

#include "edge.h"

inline Edge edgeWith(int other, bool front, bool back, bool used, float s)
{
    Edge e(other);
    e.front = front;
    e.back = back;
    e.used = used;
    e.s = s;
    return e;
}

#endif
