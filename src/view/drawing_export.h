// Writing the view's drawing to a file: a PNG of the frame, or the line art
// as SVG or PDF (QPdfWriter), chosen by the file's extension. The viewer's
// Export Drawing command (taken on the GUI thread, built and written on the
// worker) and hypsa-render share it.
#ifndef DRAWING_EXPORT_H
#define DRAWING_EXPORT_H

#include "line_art.h"
#include "line_art_scene.h"
#include "terrain_work.h"

#include <QImage>
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
// as its id. The file is written whole or not at all: false, with the reason
// in error, when it cannot be written or a stop is requested
// (stop_request.h) while it is.
bool writeLineArt(const LineArt& art, const QString& fileName, DrawingFormat format, QString& error);

// Paints a scale bar black onto a page: the bar, its end ticks and its label
// above it, as one filled outline (one element of one group in an SVG).
void paintScaleBar(const ScaleBar& bar, QPainter& painter);

// The view's drawing as taken on the GUI thread: the frame of a PNG, with a
// map view's scale bar, or the scene of the line art of an SVG or PDF.
struct PreparedDrawing {
    DrawingFormat format = DrawingFormat::unknown;
    QImage frame;
    LineArtScene scene;
};

// On the GUI thread: settles the view (a drawing is of the full level, never
// the coarse one of a moving view) and takes from it what the file named
// needs. False, with the reason in error, for a name of another extension, a
// frame that cannot be drawn, or no memory for the scene.
bool prepareDrawing(GLNPRGrid& view, const QString& fileName, PreparedDrawing& drawing, QString& error);

// On any thread: builds the drawing and writes it to fileName, whole or not
// at all, reporting its parts to control as the step "Exporting" and
// stopping at its stop request (Cancelled: no file). The scene's mesh must
// stay as it is meanwhile. `drawn`, when given, receives the line art.
WorkOutcome writeDrawing(const PreparedDrawing& drawing, const QString& fileName, WorkControl& control,
                         QString& error, LineArt* drawn = nullptr);

// Both on this thread: writes the view's current drawing to fileName in the
// format of its extension (batch drawing).
bool exportDrawing(GLNPRGrid& view, const QString& fileName, QString& error, LineArt* drawn = nullptr);

#endif
