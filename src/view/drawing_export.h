// Writing the view's drawing to a file: a PNG of the frame, or the line art
// as SVG (QSvgGenerator) or PDF (QPdfWriter), chosen by the file's extension.
// The viewer's Export Drawing command and hypsa-render share it.
#ifndef DRAWING_EXPORT_H
#define DRAWING_EXPORT_H

#include "line_art.h"

#include <QString>

class GLNPRGrid;
class QPainter;

enum class DrawingFormat { png, svg, pdf, unknown };

// By the extension, in any case: .png, .svg or .pdf.
DrawingFormat drawingFormat(const QString& fileName);

// Writes line art as SVG or PDF, one page of art.width x art.height pixels
// (points in a PDF) on a white background, each style's paths together in
// drawing order; in an SVG each layer is a layer group labelled with the
// layer's label, and each style's group within it carries the style's name
// as its id. Returns false, with the reason in error, when the file cannot be
// written.
bool writeLineArt(const LineArt& art, const QString& fileName, DrawingFormat format, QString& error);

// Paints a scale bar black onto a page: the bar, its end ticks and its label
// above it, as one filled outline (one element of one group in an SVG).
void paintScaleBar(const ScaleBar& bar, QPainter& painter);

// Writes the view's current drawing to fileName in the format of its
// extension. A map view's picture carries its scale bar. For SVG and PDF, `drawn` (when given) receives the line art.
bool exportDrawing(GLNPRGrid& view, const QString& fileName, QString& error, LineArt* drawn = nullptr);

#endif
