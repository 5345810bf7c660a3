#include "line_mark.h"

#include <algorithm>

LineMark screenMark(double width, double grey)
{
    return {std::max(width, minMarkWidth), std::clamp(grey, 0.0, 1.0), 1.0};
}

bool leavesMark(const LineMark& mark)
{
    return mark.opacity * (1.0 - mark.grey) >= minMarkInk;
}
