// Export Drawing of a fitted oblique view (699 x 500) of the bundled terrain
// and of a 1201 x 1201 terrain with relief: what stays on the GUI thread
// (the view settled, its passes classified, the occluder's depth read back,
// the classified edges copied) against what the worker does (the line art
// built and written as SVG and as PDF); before the export moved to the
// worker the window was frozen for both. Baseline from the same run: one
// frame of the same view. Run with xvfb-run -a.
#include "bench_terrain.h"
#include "drawing_export.h"
#include "glnprgrid.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace {

// Median milliseconds of three runs: the machine is shared.
double medianMs(const std::function<void()>& fn)
{
    std::vector<double> ms;
    for (int k = 0; k < 3; ++k) {
        const auto start = std::chrono::steady_clock::now();
        fn();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[1];
}

void runExport(benchmark::State& state, GLNPRGrid& view)
{
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(699, 500);
    view.show();
    view.coarseWhileMoving = false;
    view.showObliqueView();
    view.grabFramebuffer();
    QTemporaryDir dir;
    for (auto _ : state) {
        state.counters["frame_ms"] = medianMs([&] { view.grabFramebuffer(); });
        PreparedDrawing drawing;
        QString error;
        state.counters["gui_thread_ms"] = medianMs([&] {
            drawing = PreparedDrawing();
            if (!prepareDrawing(view, dir.filePath("a.svg"), drawing, error))
                state.SkipWithError(qPrintable(error));
        });
        state.counters["edge_copy_ms"] = medianMs([&] { EdgeBuffer copy = view.silhouetteEdges; benchmark::DoNotOptimize(copy); });
        for (const char* name : {"a.svg", "a.pdf"}) {
            drawing.format = drawingFormat(name);
            LineArt art;
            WorkControl control;
            const double ms = medianMs([&] { writeDrawing(drawing, dir.filePath(name), control, error, &art); });
            const std::string format = QFileInfo(name).suffix().toStdString();
            state.counters[format + "_worker_ms"] = ms;
            state.counters[format + "_MB"] = double(QFileInfo(dir.filePath(name)).size()) / 1e6;
            state.counters["paths"] = double(art.paths.size());
        }
    }
    state.counters["faces"] = double(view.faces.size());
}

void BM_ExportRealTerrain(benchmark::State& state)
{
    GLNPRGrid view(nullptr, "glgrid");
    // data/ of the source tree this file is in.
    if (!view.grid.loadGRD(QFileInfo(QString(__FILE__)).absolutePath() + "/../data/jacksboro.grd")) {
        state.SkipWithError("cannot load data/jacksboro.grd");
        return;
    }
    view.findCurvature();
    runExport(state, view);
}

void BM_ExportReliefTerrain(benchmark::State& state)
{
    GLNPRGrid view(nullptr, "glgrid");
    fillReliefTerrain(view.grid, unsigned(state.range(0)));
    view.findCurvature();
    runExport(state, view);
}

} // namespace

BENCHMARK(BM_ExportRealTerrain)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportReliefTerrain)->Arg(1201)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
