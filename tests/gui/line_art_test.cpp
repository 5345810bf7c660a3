// Vector drawings of the view: hypsa-render's SVG and PDF laid over its PNG
// (drawn without a display), and hidden-line removal on a terrain with a
// ridge in front of a valley.
#include "drawing_export.h"
#include "hypsamainwindow.h"
#include "render_test_support.h"
#include "screen_projection.h"
#include "stop_request.h"
#include "support/tool_run.h"
#include "window_test_support.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace rendertest;

namespace {

// A pixel is ink when clearly darker than the white page.
bool ink(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 160;
}

// The share of a's ink that lies within one pixel of b's ink.
double inkNear(const QImage& a, const QImage& b)
{
    long total = 0, near = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (!ink(a, x, y))
                continue;
            ++total;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int u = x + dx, v = y + dy;
                    found = u >= 0 && v >= 0 && u < b.width() && v < b.height() && ink(b, u, v);
                }
            near += found;
        }
    return total == 0 ? 0.0 : double(near) / double(total);
}

QImage rasteriseSvg(const QString& file, QSize size)
{
    QSvgRenderer renderer(file);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return image;
}

// Pictures of a drawing made by programs independent of Qt: the SVG by
// rsvg-convert (librsvg2-bin), the PDF's page by pdftoppm (poppler-utils) at
// 72 dots per inch: one point, one pixel of the drawing.
QImage rasterised(const QString& program, const QStringList& arguments, const QString& png)
{
    QProcess run;
    run.start(program, arguments);
    EXPECT_TRUE(run.waitForFinished(60000) && run.exitCode() == 0) << program.toStdString() << " failed";
    return QImage(png).convertToFormat(QImage::Format_RGB32);
}

QImage rasteriseSvgApart(const QString& file, const QString& stem)
{
    return rasterised("rsvg-convert", {file, "-o", stem + ".png"}, stem + ".png");
}

QImage rasterisePdf(const QString& file, const QString& stem)
{
    return rasterised("pdftoppm", {"-r", "72", "-png", "-singlefile", file, stem}, stem + ".png");
}

// Every group of an SVG that draws (one per style) holds paths, carries the
// id of its own look (prefix-wWIDTH-gGREY-aOPACITY, as written in its stroke
// attributes) and leaves a visible mark: opacity times darkness at least 1%.
void expectGroupsNamedByTheirLooks(const QString& svgFile)
{
    QFile file(svgFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    static const QRegularExpression lookId(R"(^[a-z-]+-w(\d+\.\d\d)-g(\d\.\d\d)-a(\d\.\d\d)$)");
    int groups = 0, children = -1;
    QString group;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"g" && children >= 0) {
            EXPECT_GT(children, 0) << "group " << group.toStdString() << " without paths";
            children = -1;
        }
        if (!xml.isStartElement())
            continue;
        if (xml.name() != u"g") {
            children += children >= 0;
            continue;
        }
        const QXmlStreamAttributes a = xml.attributes();
        if (!a.hasAttribute("stroke-width"))
            continue;
        ++groups;
        children = 0;
        group = a.value("id").toString();
        const QRegularExpressionMatch m = lookId.match(group);
        ASSERT_TRUE(m.hasMatch()) << group.toStdString();
        const double width = a.value("stroke-width").toDouble(), opacity = a.value("stroke-opacity").toDouble();
        const double grey = a.value("stroke").mid(1, 2).toInt(nullptr, 16) / 255.0;
        EXPECT_NEAR(m.captured(1).toDouble(), width, 0.0051) << group.toStdString();
        EXPECT_NEAR(m.captured(2).toDouble(), grey, 0.0051 + 0.5 / 255) << group.toStdString();
        EXPECT_NEAR(m.captured(3).toDouble(), opacity, 0.0051) << group.toStdString();
        EXPECT_GE(width, 1.0) << group.toStdString();
        EXPECT_GE(opacity * (1.0 - grey), 0.01 - 0.5 / 255) << group.toStdString();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(groups, 0);
}

void expectOverlaid(const char* what, const QImage& png, const QImage& drawing)
{
    ASSERT_EQ(drawing.size(), png.size()) << what;
    const double drawingNearPng = inkNear(drawing, png), pngNearDrawing = inkNear(png, drawing);
    std::printf("%s: %.1f%% of its ink within 1 pixel of the PNG's, %.1f%% of the PNG's within 1 pixel of its\n", what,
                100.0 * drawingNearPng, 100.0 * pngNearDrawing);
    EXPECT_GE(drawingNearPng, 0.9) << what;
    EXPECT_GE(pngNearDrawing, 0.9) << what;
}

} // namespace

TEST(LineArt, SvgAndPdfLieOverThePngOfTheSameOptions)
{
    QTemporaryDir dir;
    // Silhouettes; light silhouettes alone at a 40-degree tilt (thin light
    // lines, drawn a pixel wide and opaque on screen); strokes; the map view
    // (orthographic, with its scale bar) with contours and hachures.
    const QStringList looks[] = {{},
                                 {"--rotate", "40", "0", "0", "--light-silhouettes", "--no-silhouettes", "--light",
                                  "-1000", "300", "100", "--fit"},
                                 {"--light-silhouettes", "--strokes"},
                                 {"--view", "map", "--threshold", "60", "--contours", "--hachures"}};
    int look = 0;
    for (const QStringList& options : looks) {
        const QString stem = dir.filePath(QString("look%1").arg(look++));
        std::vector<QStringList> runs;
        for (const char* ext : {".png", ".svg", ".pdf"})
            runs.push_back(QStringList{dataFile("jacksboro.grd"), stem + ext, "--size", "900x640"} + options);
        for (const ToolRun& run : runToolTogether("hypsa-render", runs, withoutDisplay()))
            ASSERT_EQ(run.exitCode, 0) << run.err;
        const QImage png = QImage(stem + ".png").convertToFormat(QImage::Format_RGB32);
        const QString name = options.isEmpty() ? "default" : options.join(' ');
        expectOverlaid(qPrintable("SVG, " + name), png, rasteriseSvgApart(stem + ".svg", stem + "-svg"));
        expectOverlaid(qPrintable("PDF, " + name), png, rasterisePdf(stem + ".pdf", stem + "-pdf"));
        if (!options.contains("--strokes"))
            expectGroupsNamedByTheirLooks(stem + ".svg");

        QFile svg(stem + ".svg");
        ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(svg.readAll());
        EXPECT_FALSE(text.contains("<image")) << "vector paths only";
        EXPECT_TRUE(text.contains(R"(viewBox="0 0 900 640")"));
        EXPECT_FALSE(text.contains(QRegularExpression(R"(points="[^"]*\d\.\d{3})"))) << "at most 2 decimals";
        // Every group that draws is named after its style.
        EXPECT_TRUE(text.contains(R"(id="background")"));
        EXPECT_EQ(text.count("<polyline") > 0, !options.contains("--strokes"));
        if (options.contains("--strokes"))
            EXPECT_TRUE(text.contains(R"(id="strokes")"));
        else
            EXPECT_TRUE(text.contains(QRegularExpression(R"(id="(light-)?lines-w\d\.\d\d-g\d\.\d\d-a\d\.\d\d")")));
        // A map (orthographic, straight down) carries its scale bar, a group
        // of its own.
        EXPECT_EQ(text.count(R"(id="scale-bar")"), options.contains("map") ? 1 : 0);
    }
}

TEST(LineArt, OutlinesOfTerrainAndVoidsAreWholeInTheSvg)
{
    // The terrain with voids tilted 25 degrees and fitted: every pixel of the
    // picture's ink along the outline of the terrain and of its voids has
    // the SVG's ink within a pixel (the outline was once dashed where the
    // face beside it lay at the line's depth).
    auto view = emptyView();
    ASSERT_TRUE(view->grid.loadFile(dataFile("jacksboro_voids.tif")));
    ASSERT_TRUE(view->findCurvature());
    view->setXRotation(25);
    view->setScale(18);
    view->fitTerrain();
    const QImage png = view->renderFrame().convertToFormat(QImage::Format_RGB32);
    const LineArt art = view->lineArt();
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(writeLineArt(art, dir.filePath("voids.svg"), DrawingFormat::svg, error)) << error.toStdString();
    const QImage svg = rasteriseSvg(dir.filePath("voids.svg"), png.size());

    // The outline: the border edges on the page, 3 pixels wide.
    QImage outline(png.size(), QImage::Format_RGB32);
    outline.fill(Qt::white);
    {
        QPainter painter(&outline);
        painter.setPen(QPen(Qt::black, 3.0));
        const ScreenProjection screen(art.modelView, art.projection, art.width, art.height);
        const EdgeBuffer& edges = view->silhouetteEdges;
        for (std::size_t i = 0; i < edges.rowCount(); ++i)
            for (const Edge& e : edges.row(i))
                if (e.border) {
                    const ScreenPoint a = screen.toScreen(screen.clip(view->vertices[i]));
                    const ScreenPoint b = screen.toScreen(screen.clip(view->vertices[std::size_t(e.other)]));
                    painter.drawLine(QPointF(a.x, a.y), QPointF(b.x, b.y));
                }
    }
    long outlineInk = 0, missing = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) {
            if (!ink(png, x, y) || !ink(outline, x, y))
                continue;
            ++outlineInk;
            bool near = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    near = near || (svg.valid(x + dx, y + dy) && ink(svg, x + dx, y + dy));
            missing += !near;
        }
    EXPECT_GT(outlineInk, 2000);
    EXPECT_EQ(missing, 0) << "of " << outlineInk << " pixels of the outline's ink";
    expectGroupsNamedByTheirLooks(dir.filePath("voids.svg"));
}

TEST(LineArt, VerboseCountsLayersAndRefusedNames)
{
    QTemporaryDir dir;
    ToolRun run = runTool("hypsa-render", {dataFile("jacksboro.grd"), dir.filePath("a.svg"), "--verbose", "--contours",
                                           "--profiles", "--hachures", "--light-silhouettes", "--ridges", "--valleys",
                                           "--suggestive", "--highlights"},
                          withoutDisplay());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // A layer per kind of line, labelled, in drawing order; ids unique.
    QFile svg(dir.filePath("a.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(svg.readAll());
    const QStringList labels{"silhouettes", "light silhouettes", "contours", "index contours", "profiles", "hachures",
                             "ridges", "valleys", "suggestive contours", "suggestive highlights"};
    static const QRegularExpression layer(R"re(<g id="([^"]+)" inkscape:groupmode="layer" inkscape:label="([^"]+)")re");
    QStringList found;
    for (auto match = layer.globalMatch(text); match.hasNext();)
        found << match.next().captured(2);
    EXPECT_EQ(found, labels);
    EXPECT_TRUE(text.contains(R"(xmlns:inkscape="http://www.inkscape.org/namespaces/inkscape")"));
    static const QRegularExpression id(R"re(\bid="([^"]+)")re");
    QStringList ids;
    for (auto match = id.globalMatch(text); match.hasNext();)
        ids << match.next().captured(1);
    EXPECT_GT(ids.size(), 10);
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size()) << "every id once";
    EXPECT_TRUE(ids.contains("index-contours-w1.50-g0.15-a1.00"));
    EXPECT_TRUE(ids.contains("layer-suggestive-contours"));
    EXPECT_TRUE(ids.contains("valleys-w1.50-g0.45-a1.00"));
    // Ordering cuts each layer's pen-up travel.
    for (const QString& label : labels) {
        const std::string prefix = "layer " + label.toStdString() + ": ";
        const auto at = run.out.find(prefix);
        ASSERT_NE(at, std::string::npos) << run.out;
        unsigned long paths = 0, points = 0, orderedPaths = 0, orderedPoints = 0;
        double before = 0.0, after = 0.0;
        ASSERT_EQ(std::sscanf(run.out.c_str() + at + prefix.size(),
                              "%lu paths of %lu points, pen-up travel %lf px as chained; ordered %lu paths of %lu "
                              "points, pen-up travel %lf px",
                              &paths, &points, &before, &orderedPaths, &orderedPoints, &after),
                  6)
            << run.out.substr(at, 200);
        std::printf("%s: travel %.0f px as chained, %.0f px ordered\n", qPrintable(label), before, after);
        EXPECT_LT(after, before / 2) << qPrintable(label);
        EXPECT_LE(orderedPaths, paths);
        EXPECT_GT(orderedPaths, 0u);
    }

    run = runTool("hypsa-render", {dataFile("jacksboro.grd"), dir.filePath("a.svg"), "--verbose"}, withoutDisplay());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    unsigned long pieces = 0, paths = 0;
    double average = 0.0;
    const auto at = run.out.find("visible line pieces");
    ASSERT_NE(at, std::string::npos) << run.out;
    const std::string line = run.out.substr(run.out.rfind('\n', at) + 1);
    ASSERT_EQ(std::sscanf(line.c_str(), "%lu visible line pieces, chained into %lu paths of %lf", &pieces, &paths,
                          &average),
              3)
        << line;
    EXPECT_GT(pieces, paths);
    EXPECT_GT(average, 2.0);

    // A name the tool cannot write is a usage error, found before loading.
    run = runTool("hypsa-render", {dataFile("jacksboro.grd"), dir.filePath("a.jpg")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("must end in .png, .svg or .pdf"), std::string::npos) << run.err;
    // A folder that does not exist: the write fails and says so.
    run = runTool("hypsa-render", {dataFile("jacksboro.grd"), dir.filePath("none/a.svg")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot write the picture"), std::string::npos) << run.err;
    EXPECT_FALSE(QFile::exists(dir.filePath("none/a.svg")));
}

namespace {

// Flat ground, a ridge across the terrain 120 rows from the near (south)
// border, a valley behind it with a low crest at 180 rows, and a hill rising
// to the back (north) border; the size of the bundled terrain, 30 m cells.
// Rows below count from the near border.
constexpr unsigned ridgeWidth = 400, ridgeHeight = 340;

float ridgeTerrain(unsigned r, bool withRidge)
{
    const auto bump = [&](double centre, double sigma, double height) {
        return height * std::exp(-(r - centre) * (r - centre) / (2.0 * sigma * sigma));
    };
    const double hill = r > 240 ? 7.5 * (r - 240) : 0.0;
    return float((withRidge ? bump(120, 8, 1500) : 0.0) + bump(180, 6, 100) + hill);
}

// A drawing written as SVG and read back: its polylines in page pixels.
struct Drawing {
    std::vector<std::vector<QPointF>> polylines;
    ScreenProjection screen{{}, {}, 0, 0};
    std::vector<gmVec3> vertices;

    // Distance in pixels from vertex (r, c) on the page to the nearest
    // segment of the drawing's polylines.
    double distance(unsigned r, unsigned c) const
    {
        const ScreenPoint p = screen.toScreen(screen.clip(vertices[(ridgeHeight - 1 - r) * ridgeWidth + c]));
        double best = 1e30;
        for (const auto& line : polylines)
            for (std::size_t k = 0; k + 1 < line.size(); ++k) {
                const QPointF a = line[k], d = line[k + 1] - line[k];
                const double len2 = QPointF::dotProduct(d, d);
                const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(QPointF(p.x, p.y) - a, d) / len2, 0.0, 1.0) : 0.0;
                const QPointF q = a + t * d;
                best = std::min(best, std::hypot(q.x() - p.x, q.y() - p.y));
            }
        return best;
    }
};

// The silhouettes (true ones and the border only), or instead ten profiles
// along the rows, at rows 16.95 + 33.9 k.
Drawing drawingOf(bool withRidge, const QString& svgFile, bool profiles = false)
{
    auto view = emptyView(699, 500);
    fillGrid(*view, ridgeWidth, ridgeHeight,
             [&](unsigned r, unsigned) { return ridgeTerrain(ridgeHeight - 1 - r, withRidge); });
    view->lineSettings.profiles = profiles;
    view->lineSettings.profileCount = 10;
    view->findCurvature();
    view->setSilThresh(0);
    view->setSilhouettes(!profiles);
    const LineArt art = view->lineArt();
    QString error;
    EXPECT_TRUE(writeLineArt(art, svgFile, DrawingFormat::svg, error)) << error.toStdString();

    Drawing drawing;
    QFile file(svgFile);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression pointsAttribute(R"(points="([^"]*)\")");
    for (auto match = pointsAttribute.globalMatch(text); match.hasNext();) {
        std::vector<QPointF> line;
        for (const QString& pair : match.next().captured(1).split(' ', Qt::SkipEmptyParts)) {
            const QStringList xy = pair.split(',');
            line.emplace_back(xy[0].toDouble(), xy[1].toDouble());
        }
        drawing.polylines.push_back(std::move(line));
    }
    drawing.screen = ScreenProjection(art.modelView, art.projection, art.width, art.height);
    drawing.vertices = view->vertices;
    return drawing;
}

} // namespace

TEST(LineArt, RidgeHidesTheValleyBehindIt)
{
    QTemporaryDir dir;
    const Drawing ridge = drawingOf(true, dir.filePath("ridge.svg"));
    const Drawing open = drawingOf(false, dir.filePath("open.svg"));
    constexpr double present = 1.5, absent = 4.0; // pixels
    for (unsigned c : {100u, 200u, 300u}) {
        // The ridge's crest line in front shows ...
        EXPECT_LT(ridge.distance(120, c), present) << "column " << c;
        // ... and the low crest behind it shows only without the ridge.
        EXPECT_LT(open.distance(190, c), present) << "column " << c;
        EXPECT_GT(ridge.distance(190, c), absent) << "column " << c;
    }
    // The terrain's left border runs over the ridge, down into the valley
    // and up the hill: it is cut in two where the ridge hides it, and whole
    // without the ridge.
    for (unsigned r = 0; r < ridgeHeight; r += 10) {
        EXPECT_LT(open.distance(r, 0), present) << "row " << r;
        if (r <= 110 || r >= 300) {
            EXPECT_LT(ridge.distance(r, 0), present) << "row " << r;
        } else if (r >= 140 && r <= 260) {
            EXPECT_GT(ridge.distance(r, 0), absent) << "row " << r;
        }
    }
}

TEST(LineArt, RidgeHidesTheMapLinesBehindIt)
{
    QTemporaryDir dir;
    const Drawing ridge = drawingOf(true, dir.filePath("ridge.svg"), true);
    const Drawing open = drawingOf(false, dir.filePath("open.svg"), true);
    // The vertices of rows 153 and 220 lie within half a row of a profile:
    // behind the ridge it is hidden, without it it shows. The profile at
    // row 118.65 runs over the ridge's crest and shows.
    constexpr double present = 1.5, absent = 4.0; // pixels
    for (unsigned c : {100u, 200u, 300u}) {
        for (unsigned r : {153u, 220u}) {
            EXPECT_LT(open.distance(r, c), present) << "row " << r << " column " << c;
            EXPECT_GT(ridge.distance(r, c), absent) << "row " << r << " column " << c;
        }
        EXPECT_LT(ridge.distance(119, c), present) << "column " << c;
    }
}

TEST(LineArt, WindowExportsTheViewAsShown)
{
    ShownWindow shown;
    HypsaMainWindow& w = shown.w;
    QTemporaryDir dir;
    const auto failure = [&] {
        auto* box = w.findChild<QMessageBox*>("exportFailureBox");
        const QString text = box ? box->informativeText() : QString();
        if (box) {
            box->button(QMessageBox::Ok)->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return text;
    };
    // Nothing to draw yet: refused in a message box, no file.
    w.exportDrawingTo(dir.filePath("empty.svg"));
    w.glgrid->waitForWork();
    EXPECT_EQ(failure(), "There is no terrain to draw: open a grid first.");
    EXPECT_FALSE(QFile::exists(dir.filePath("empty.svg")));

    w.openGridFile(terrain);
    w.glgrid->waitForWork();
    w.curvatureCB->setChecked(true);
    w.exportDrawingTo(dir.filePath("view.png"));
    w.glgrid->waitForWork();
    EXPECT_EQ(w.statusBar()->currentMessage(), "Picture written to view.png");
    w.exportDrawingTo(dir.filePath("view.svg"));
    w.glgrid->waitForWork();
    EXPECT_TRUE(w.statusBar()->currentMessage().startsWith("Drawing written to view.svg:"));
    // The drawing is the view at its own size, laid over its frame.
    const QImage png = QImage(dir.filePath("view.png")).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(png.size(), QSize(w.glgrid->viewWidth, w.glgrid->viewHeight));
    expectOverlaid("SVG of the window's view with strokes", png, rasteriseSvg(dir.filePath("view.svg"), png.size()));

    // A name of another extension, and a folder that is not there: a box
    // with the reason, and no file.
    w.exportDrawingTo(dir.filePath("view.jpg"));
    w.glgrid->waitForWork();
    EXPECT_EQ(failure(), "the file name must end in .png, .svg or .pdf");
    w.exportDrawingTo(dir.filePath("none/view.pdf"));
    w.glgrid->waitForWork();
    EXPECT_EQ(failure(), "No such file or directory");
    EXPECT_FALSE(QFile::exists(dir.filePath("none")));
}

TEST(LineArt, AStopWhileWritingLeavesNoFile)
{
    auto view = terrainView(300, 200);
    const LineArt art = view->lineArt();
    ASSERT_GT(art.paths.size(), 100u);
    QTemporaryDir dir;
    const std::atomic<bool> stop{true};
    const StopScope scope(&stop);
    for (const DrawingFormat format : {DrawingFormat::svg, DrawingFormat::pdf}) {
        const QString file = dir.filePath(format == DrawingFormat::svg ? "a.svg" : "a.pdf");
        QString error;
        EXPECT_FALSE(writeLineArt(art, file, format, error));
        EXPECT_EQ(error, "the export was stopped");
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()) << "no file, whole or partial";
}
