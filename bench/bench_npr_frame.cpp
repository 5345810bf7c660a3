// One frame of the view under Xvfb (software renderer) in its start state
// with silhouettes on: the time of classification, lines and occluder and
// the edges drawn, for the real terrain and 1025, 1201 and 2049 square
// terrains, and at 1201 x 1201 with contours, profiles and hachures on too,
// or with ridges, valleys, suggestive contours and highlights: what drawing
// them adds to the frame, and what computing the suggestive lines adds to a
// frame that turns the view, next to the silhouette classification. Baseline from the same run: the same
// segments drawn as one plain GL_LINES batch at width 1, black. Run with
// xvfb-run -a.
#include "bench_terrain.h"
#include "glnprgrid.h"

#include <QApplication>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

// The view, with a paint that can instead draw the baseline.
class TimedView : public GLNPRGrid {
public:
    TimedView() : GLNPRGrid(nullptr, "glgrid") {}

    bool plainLines = false;
    double plainMs = 0.0;
    std::vector<float> segments; // x, y, z of both ends of every drawn segment

    // The segments that the silhouette pass draws now.
    void collectSegments()
    {
        segments.clear();
        for (const LineBatch& batch : silhouettePass.lines(silhouetteEdges, vertices).batches())
            for (const LineVertex& v : batch.vertices)
                segments.insert(segments.end(), {v.x, v.y, v.z});
    }

protected:
    void paintGL() override
    {
        if (!plainLines) {
            GLNPRGrid::paintGL();
            return;
        }
        applyViewTransform();
        glFinish();
        const auto start = std::chrono::steady_clock::now();
        glColor3f(0.0f, 0.0f, 0.0f);
        glLineWidth(1.0f);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, segments.data());
        glDrawArrays(GL_LINES, 0, GLsizei(segments.size() / 3));
        glDisableClientState(GL_VERTEX_ARRAY);
        glFinish();
        plainMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Medians over frames: the machine is shared, so single frames vary.
void runFrame(benchmark::State& state, TimedView& view)
{
    constexpr int frames = 7;
    view.measurePaint = true;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(699, 500);
    view.show();
    for (auto _ : state) {
        view.grabFramebuffer(); // classifies for the start view
        view.collectSegments();
        // Steady frames and baseline frames alternate, so that both meet the
        // same load.
        std::vector<double> lines, occluder, families, plain;
        std::size_t edges = 0, familySegments = 0;
        for (int k = 0; k < frames; ++k) {
            view.grabFramebuffer();
            lines.push_back(view.lastPaintTimes.lines);
            occluder.push_back(view.lastPaintTimes.occluder);
            families.push_back(view.lastPaintTimes.families);
            edges = view.lastPaintTimes.edgesDrawn;
            familySegments = view.lastPaintTimes.familySegmentsDrawn;
            view.plainLines = true;
            view.grabFramebuffer();
            plain.push_back(view.plainMs);
            view.plainLines = false;
        }
        // Turning the view by a degree every frame reclassifies every frame.
        std::vector<double> classification, suggestive;
        for (int k = 0; k < frames; ++k) {
            view.xRot = float((k + 1) % 2);
            view.grabFramebuffer();
            classification.push_back(view.lastPaintTimes.classification);
            suggestive.push_back(view.lastPaintTimes.suggestive);
        }
        view.xRot = 0.0f;

        state.counters["turning_classify_ms"] = median(classification);
        if (median(suggestive) > 0.0) {
            state.counters["turning_suggestive_ms"] = median(suggestive);
            state.counters["suggestive_vs_classify"] = median(suggestive) / median(classification);
        }
        state.counters["lines_ms"] = median(lines);
        if (familySegments > 0) {
            const double frame = median(classification) + median(lines) + median(occluder);
            state.counters["families_ms"] = median(families);
            state.counters["family_segments"] = double(familySegments);
            state.counters["families_added_%"] = 100.0 * median(families) / frame;
        }
        state.counters["occluder_ms"] = median(occluder);
        state.counters["edges_drawn"] = double(edges);
        state.counters["plain_lines_ms"] = median(plain);
        state.counters["lines_vs_plain"] = median(lines) / median(plain);
        state.counters["faces"] = double(view.faces.size());
    }
}

void BM_FrameRealTerrain(benchmark::State& state)
{
    TimedView view;
    // data/ of the source tree this file is in.
    const QString data = QFileInfo(QString(__FILE__)).absolutePath() + "/../data/jacksboro.grd";
    if (!view.grid.loadGRD(data)) {
        state.SkipWithError("cannot load data/jacksboro.grd");
        return;
    }
    view.findCurvature();
    runFrame(state, view);
}

void BM_FrameReliefTerrain(benchmark::State& state)
{
    TimedView view;
    fillReliefTerrain(view.grid, unsigned(state.range(0)));
    view.findCurvature();
    runFrame(state, view);
}

// The same frame with contours, profiles and hachures drawn over it.
void BM_FrameWithMapLines(benchmark::State& state)
{
    TimedView view;
    fillReliefTerrain(view.grid, unsigned(state.range(0)));
    view.lineSettings.contours = view.lineSettings.profiles = view.lineSettings.hachures = true;
    view.findCurvature();
    runFrame(state, view);
}

// The same frame with the lines of the surface's curvature.
void BM_FrameWithSurfaceLines(benchmark::State& state)
{
    TimedView view;
    fillReliefTerrain(view.grid, unsigned(state.range(0)));
    view.lineSettings.ridges = view.lineSettings.valleys = true;
    view.lineSettings.suggestive = view.lineSettings.highlights = true;
    view.findCurvature();
    runFrame(state, view);
}

} // namespace

BENCHMARK(BM_FrameRealTerrain)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FrameReliefTerrain)->Arg(1025)->Arg(1201)->Arg(2049)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FrameWithMapLines)->Arg(1201)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FrameWithSurfaceLines)->Arg(1201)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
