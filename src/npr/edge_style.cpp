// How a classified edge is drawn: width, grey (or a coding colour) and alpha.
#include "edge_buffer.h"

bool EdgeBuffer::edgeStyle(const Edge& edge, int mode, gmVec3& colour, double& width, double& alpha)
{
    width = 1.0;
    alpha = 1.0;
    if (mode > 3)
        return false;
    const bool silhouette = edge.isSilhouette();
    if (mode == 2) {
        // Colour coding: strong silhouettes blue, grazing ones green,
        // near-silhouettes red.
        if (silhouette && !edge.used)
            colour = gmVec3(0.0, 0.0, 0.6);
        else if (silhouette)
            colour = gmVec3(0.0, 0.6, 0.2);
        else if (edge.used)
            colour = gmVec3(1.0, 0.0, 0.0);
        else
            return false;
        return true;
    }

    // Modes 0, 1, 3 and negative modes: greys; 1 is the drawing style.
    const double s = edge.s;
    double grey;
    if (edge.used && silhouette) {
        width = 1.1 + s;
        grey = mode == 1 ? (1.0 - s) * 0.3 + 0.05 : mode == 3 ? 0.7 : 0.0;
    } else if (edge.used) {
        width = 1.1 - s;
        grey = mode == 1 ? s * 0.66 + 0.35 : mode == 3 ? 0.4 : 0.0;
        if (mode == 1)
            alpha = (1.0 - grey) * 0.5 + 0.1;
    } else if (silhouette) {
        width = 2.5;
        grey = 0.05;
    } else {
        return false;
    }
    colour = gmVec3(grey, grey, grey);
    return true;
}
