// Turning the view smoothly: frames per second while a scripted slider sweep
// and a scripted middle-button drag run on a 1201 x 1201 terrain at the
// default display budget, in the viewer's main window, with the coarse level
// drawn while the view moves against the full level drawn every frame
// (baseline, same run). Also the time from the last input to the full
// level's frame on screen. The input comes every 20 ms for 3 s, faster than
// any frame. Run with xvfb-run -a.
#include "bench_terrain.h"
#include "glnprgrid.h"
#include "hypsamainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>

namespace {

constexpr int side = 1201;
constexpr int inputMs = 20;
constexpr int runMs = 3000;

// The terrain as a float grid with 30 m cells, loaded as a user would.
bool writeTerrain(const QString& stem)
{
    JGrid g;
    fillReliefTerrain(g, side);
    std::FILE* samples = std::fopen(qPrintable(stem + ".flt"), "wb");
    std::FILE* header = std::fopen(qPrintable(stem + ".hdr"), "w");
    bool ok = samples && header;
    for (unsigned r = 0; ok && r < unsigned(side); ++r)
        ok = std::fwrite(g.heights[r].data(), sizeof(float), side, samples) == std::size_t(side);
    if (header)
        std::fprintf(header, "ncols %d\nnrows %d\nxllcorner 0\nyllcorner 0\ncellsize 30\nNODATA_value -9999\n"
                             "byteorder LSBFIRST\n", side, side);
    if (samples)
        std::fclose(samples);
    if (header)
        std::fclose(header);
    return ok;
}

struct Run {
    double framesPerSecond = 0.0;
    double coarseShare = 0.0; // of the frames during the input
    double paintMs = 0.0;     // the mean paint of those frames, the rest being Qt's and X's
    double settleMs = 0.0;    // last input to the full level's frame on screen
};

// Calls input(step) every inputMs for runMs, counting the frames shown
// meanwhile, then waits for the full level's frame.
Run drive(GLNPRGrid& view, const std::function<void(int)>& input)
{
    Run run;
    int frames = 0, coarse = 0;
    double painting = 0.0;
    bool inputDone = false;
    QElapsedTimer sinceLast;
    QEventLoop loop;
    const auto counter = QObject::connect(&view, &QOpenGLWidget::frameSwapped, [&] {
        if (!inputDone) {
            ++frames;
            coarse += view.lastPaintTimes.coarse;
            painting += view.lastPaintTimes.frame;
        } else if (!view.lastPaintTimes.coarse) {
            run.settleMs = double(sinceLast.nsecsElapsed()) / 1e6;
            loop.quit();
        }
    });
    QElapsedTimer clock;
    QTimer ticks;
    int step = 0;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        if (clock.elapsed() >= runMs) {
            ticks.stop();
            inputDone = true;
            run.framesPerSecond = frames * 1000.0 / double(clock.elapsed());
            return;
        }
        input(++step);
        sinceLast.start();
    });
    clock.start();
    ticks.start(inputMs);
    QTimer::singleShot(runMs + 20000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(counter);
    run.coarseShare = frames > 0 ? double(coarse) / frames : 0.0;
    run.paintMs = frames > 0 ? painting / frames : 0.0;
    return run;
}

void mouse(GLNPRGrid& view, QEvent::Type type, QPoint at)
{
    QMouseEvent event(type, at, view.mapToGlobal(at), Qt::MiddleButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MiddleButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
}

void BM_TurningAt1201(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString stem = dir.filePath("relief1201");
    if (!writeTerrain(stem)) {
        state.SkipWithError("cannot write the terrain");
        return;
    }
    HypsaMainWindow w;
    w.show();
    GLNPRGrid& view = *w.glgrid;
    view.loadFile(stem + ".flt");
    view.waitForWork();
    QEventLoop settle;
    QTimer::singleShot(1500, &settle, &QEventLoop::quit);
    settle.exec();

    const auto sweep = [&](int step) { w.slider3->setValue(step % 360); };
    const auto drag = [&](int step) { mouse(view, QEvent::MouseMove, QPoint(200 + step, 200 + step % 7)); };
    for (auto _ : state) {
        Run results[2][2];
        for (const bool coarse : {true, false}) {
            view.coarseWhileMoving = coarse;
            results[coarse][0] = drive(view, sweep);
            mouse(view, QEvent::MouseButtonPress, QPoint(200, 200));
            results[coarse][1] = drive(view, drag);
            mouse(view, QEvent::MouseButtonRelease, QPoint(200, 200));
        }
        state.counters["sweep_fps"] = results[1][0].framesPerSecond;
        state.counters["sweep_fps_full"] = results[0][0].framesPerSecond;
        state.counters["drag_fps"] = results[1][1].framesPerSecond;
        state.counters["drag_fps_full"] = results[0][1].framesPerSecond;
        state.counters["coarse_share"] = results[1][0].coarseShare;
        state.counters["full_back_ms"] = (results[1][0].settleMs + results[1][1].settleMs) / 2.0;
        state.counters["coarse_paint_ms"] = results[1][0].paintMs;
        state.counters["full_paint_ms"] = results[0][0].paintMs;
        state.counters["coarse_faces"] = double(view.model.coarse.mesh.faces.size());
        state.counters["faces"] = double(view.faces.size());
    }
}

} // namespace

BENCHMARK(BM_TurningAt1201)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The window's settings go to a scratch folder, never the user's.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QCoreApplication::setOrganizationName("npr-hypsa-bench");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
