// Export Drawing in the background: the drawing is taken from the view on
// the GUI thread (GL draws the frame or reads the occluder's depth), then
// built and written on the worker, in its turn after the work before it.
#include "glnprgrid.h"

#include "drawing_export.h"

#include <cstdio>
#include <memory>

void GLNPRGrid::startDrawingExport(QString file)
{
    runInTurn([this, file] {
        const auto drawing = std::make_shared<PreparedDrawing>();
        QString error;
        if (!grid.loaded) {
            emit drawingExportFailed(file, QString("There is no terrain to draw: open a grid first."));
            return;
        }
        if (!prepareDrawing(*this, file, *drawing, error)) {
            emit drawingExportFailed(file, error);
            return;
        }
        struct Outcome {
            QString error;
            std::size_t paths = 0, strokes = 0;
        };
        const auto result = std::make_shared<Outcome>();
        // The job reads the drawn mesh, which no other job replaces while it
        // runs.
        worker.start(
            [drawing, file, result](WorkControl& control, TerrainUpdate&) {
                LineArt art;
                const WorkOutcome outcome = writeDrawing(*drawing, file, control, result->error, &art);
                result->paths = art.polylines;
                result->strokes = art.strokes;
                return outcome;
            },
            [this, file, result](WorkOutcome outcome, TerrainUpdate&) {
                if (outcome == WorkOutcome::Done) {
                    emit drawingExported(file, qulonglong(result->paths), qulonglong(result->strokes));
                } else if (outcome == WorkOutcome::Cancelled) {
                    std::printf("Stopped; nothing was written to %s\n", qPrintable(file));
                    emit drawingExportStopped(file);
                } else {
                    emit drawingExportFailed(file, result->error);
                }
                runWaitingCommands();
            });
    });
}
