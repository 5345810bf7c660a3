#include "drawing_export.h"

#include "glnprgrid.h"
#include "stop_request.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>
#include <optional>
#include <string>
#include <vector>

DrawingFormat drawingFormat(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == "png")
        return DrawingFormat::png;
    if (suffix == "svg")
        return DrawingFormat::svg;
    if (suffix == "pdf")
        return DrawingFormat::pdf;
    return DrawingFormat::unknown;
}

namespace {

// The bar, its end ticks and its label as one outline, in page pixels.
QPainterPath scaleBarOutline(const ScaleBar& bar)
{
    constexpr double thickness = 2.0, tick = 6.0, gap = 4.0;
    QPainterPath outline;
    outline.addRect(QRectF(bar.left, bar.base - thickness, bar.length, thickness));
    outline.addRect(QRectF(bar.left, bar.base - tick, thickness, tick));
    outline.addRect(QRectF(bar.left + bar.length - thickness, bar.base - tick, thickness, tick));
    QFont font;
    font.setPixelSize(12);
    const QString label = QString::fromStdString(bar.label);
    const double labelWidth = QFontMetricsF(font).horizontalAdvance(label);
    outline.addText(QPointF(bar.left + (bar.length - labelWidth) / 2.0, bar.base - tick - gap), font, label);
    outline.setFillRule(Qt::WindingFill);
    return outline;
}

} // namespace

void paintScaleBar(const ScaleBar& bar, QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(scaleBarOutline(bar));
}

namespace {

// The reason a writer gives up at a stop request.
const char* const stoppedReason = "the export was stopped";

// Paints the page: white, then every path of every style, one style at a
// time so that each style's paths share one group. False when it gave up at
// a stop request.
bool paintLineArt(const LineArt& art, QPainter& painter)
{
    painter.fillRect(QRectF(0, 0, art.width, art.height), Qt::white);
    std::vector<QPointF> points;
    std::size_t next = 0;
    for (std::uint32_t s = 0; s < art.styles.size(); ++s) {
        const LineStyle& style = art.styles[s];
        const float grey = float(style.grey);
        const QColor colour = QColor::fromRgbF(grey, grey, grey, float(style.alpha));
        if (style.filled) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(colour);
        } else {
            QPen pen(colour);
            pen.setWidthF(style.width);
            pen.setCapStyle(Qt::FlatCap); // GL lines end flat
            pen.setJoinStyle(Qt::RoundJoin);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
        }
        for (; next < art.paths.size() && art.paths[next].style == s; ++next) {
            if (stopRequestedAt(next))
                return false;
            const ArtPath& path = art.paths[next];
            points.clear();
            for (std::uint32_t k = 0; k < path.count; ++k) {
                const PagePoint& p = art.points[path.first + k];
                points.emplace_back(p.x, p.y);
            }
            if (style.filled)
                painter.drawPolygon(points.data(), int(points.size()));
            else
                painter.drawPolyline(points.data(), int(points.size()));
        }
    }
    if (art.scaleBar)
        paintScaleBar(*art.scaleBar, painter);
    return true;
}

// A coordinate with at most two decimals and no trailing zeros.
void appendNumber(std::string& out, double v)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 2);
    char* end = result.ptr;
    while (end > text && end[-1] == '0')
        --end;
    if (end > text && end[-1] == '.')
        --end;
    if (end - text == 2 && text[0] == '-' && text[1] == '0')
        out += '0';
    else
        out.append(text, end);
}

// An outline as SVG path data: moves, lines and cubic curves.
std::string svgPathData(const QPainterPath& outline)
{
    std::string d;
    for (int i = 0; i < outline.elementCount(); ++i) {
        const QPainterPath::Element e = outline.elementAt(i);
        d += e.isMoveTo() ? (i > 0 ? "Z M" : "M") : e.isLineTo() ? "L" : e.isCurveTo() ? "C" : " ";
        appendNumber(d, e.x);
        d += ',';
        appendNumber(d, e.y);
    }
    if (!d.empty())
        d += 'Z';
    return d;
}

QString colourOf(double grey)
{
    const int level = int(std::lround(std::clamp(grey, 0.0, 1.0) * 255.0));
    return QString("#%1%1%1").arg(level, 2, 16, QLatin1Char('0'));
}

// The drawing as SVG: the white page, then a layer group for each kind of
// line (inkscape:groupmode="layer", labelled, so that a plotter gives each
// its own pen), holding a group per style, named by the style, with its
// paths in order. Every id is written here, from the layer's and the
// style's own names, so that no group takes another's. Nothing when it gave
// up at a stop request.
std::optional<QByteArray> svgOf(const LineArt& art)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeStartElement("svg");
    xml.writeAttribute("xmlns", "http://www.w3.org/2000/svg");
    xml.writeAttribute("xmlns:inkscape", "http://www.inkscape.org/namespaces/inkscape");
    xml.writeAttribute("version", "1.1");
    xml.writeAttribute("width", QString::number(art.width));
    xml.writeAttribute("height", QString::number(art.height));
    xml.writeAttribute("viewBox", QString("0 0 %1 %2").arg(art.width).arg(art.height));
    xml.writeTextElement("title", "NPR Hypsa Viewer drawing");
    xml.writeTextElement("desc", QString("%1 line paths, %2 strokes").arg(art.polylines).arg(art.strokes));
    xml.writeEmptyElement("rect");
    xml.writeAttribute("id", "background");
    xml.writeAttribute("width", QString::number(art.width));
    xml.writeAttribute("height", QString::number(art.height));
    xml.writeAttribute("fill", "#ffffff");
    std::string points;
    std::size_t next = 0;
    std::uint32_t style = 0;
    for (std::uint32_t layer = 0; layer < art.layers.size(); ++layer) {
        xml.writeStartElement("g");
        xml.writeAttribute("id", QString::fromStdString(art.layers[layer].id));
        xml.writeAttribute("inkscape:groupmode", "layer");
        xml.writeAttribute("inkscape:label", QString::fromStdString(art.layers[layer].label));
        for (; style < art.styles.size() && art.styles[style].layer == layer; ++style) {
            const LineStyle& look = art.styles[style];
            if (next >= art.paths.size() || art.paths[next].style != style)
                continue; // a style left without paths gets no group
            xml.writeStartElement("g");
            xml.writeAttribute("id", QString::fromStdString(look.name));
            const QString opacity = QString::number(look.alpha, 'g', 3);
            if (look.filled) {
                xml.writeAttribute("fill", colourOf(look.grey));
                xml.writeAttribute("fill-opacity", opacity);
                xml.writeAttribute("stroke", "none");
            } else {
                xml.writeAttribute("fill", "none");
                xml.writeAttribute("stroke", colourOf(look.grey));
                xml.writeAttribute("stroke-opacity", opacity);
                xml.writeAttribute("stroke-width", QString::number(look.width, 'g', 4));
                xml.writeAttribute("stroke-linecap", "butt"); // GL lines end flat
                xml.writeAttribute("stroke-linejoin", "round");
            }
            for (; next < art.paths.size() && art.paths[next].style == style; ++next) {
                if (stopRequestedAt(next))
                    return std::nullopt;
                const ArtPath& path = art.paths[next];
                points.clear();
                for (std::uint32_t k = 0; k < path.count; ++k) {
                    const PagePoint& p = art.points[path.first + k];
                    if (k > 0)
                        points += ' ';
                    appendNumber(points, p.x);
                    points += ',';
                    appendNumber(points, p.y);
                }
                xml.writeEmptyElement(look.filled ? "polygon" : "polyline");
                xml.writeAttribute("points", QString::fromStdString(points));
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    if (art.scaleBar) {
        xml.writeStartElement("g");
        xml.writeAttribute("id", "scale-bar");
        xml.writeAttribute("inkscape:groupmode", "layer");
        xml.writeAttribute("inkscape:label", "scale bar");
        xml.writeEmptyElement("path");
        xml.writeAttribute("fill", "#000000");
        xml.writeAttribute("d", QString::fromStdString(svgPathData(scaleBarOutline(*art.scaleBar))));
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return out;
}

// Writes the file whole or not at all; a failure gives the system's reason
// ("No such file or directory" for a missing folder).
bool saveWhole(const QString& fileName, const QByteArray& bytes, QString& error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool writeSvg(const LineArt& art, const QString& fileName, QString& error)
{
    const std::optional<QByteArray> svg = svgOf(art);
    if (!svg) {
        error = stoppedReason;
        return false;
    }
    return saveWhole(fileName, *svg, error);
}

bool writePdf(const LineArt& art, const QString& fileName, QString& error)
{
    // QPdfWriter reports no failure of its own, so the file is opened here;
    // it appears only once the page is whole.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    bool painted = false;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(72); // one unit a point, one pixel of the drawing a point
        pdf.setPageSize(QPageSize(QSizeF(art.width, art.height), QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle("NPR Hypsa Viewer drawing");
        pdf.setCreator("NPR Hypsa Viewer");
        QPainter painter;
        if (!painter.begin(&pdf)) {
            error = "cannot start a PDF page";
            return false;
        }
        painted = paintLineArt(art, painter);
    }
    if (!painted) {
        error = stoppedReason;
        return false;
    }
    if (file.error() != QFileDevice::NoError || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

// The frame as a PNG file.
bool writePng(const QImage& frame, const QString& fileName, QString& error)
{
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (!frame.save(&png, "PNG")) {
        error = "the picture could not be encoded as PNG";
        return false;
    }
    return saveWhole(fileName, png.data(), error);
}

} // namespace

bool writeLineArt(const LineArt& art, const QString& fileName, DrawingFormat format, QString& error)
{
    if (art.width <= 0 || art.height <= 0) {
        error = "the view has no size, or no off-screen buffer could be made for its hidden lines";
        return false;
    }
    if (format == DrawingFormat::svg)
        return writeSvg(art, fileName, error);
    if (format == DrawingFormat::pdf)
        return writePdf(art, fileName, error);
    error = "line art is written as .svg or .pdf";
    return false;
}

bool prepareDrawing(GLNPRGrid& view, const QString& fileName, PreparedDrawing& drawing, QString& error)
{
    drawing.format = drawingFormat(fileName);
    if (drawing.format == DrawingFormat::unknown) {
        error = "the file name must end in .png, .svg or .pdf";
        return false;
    }
    view.settleView();
    if (drawing.format != DrawingFormat::png) {
        try {
            drawing.scene = view.lineArtScene();
        } catch (const std::bad_alloc&) {
            error = "not enough memory";
            return false;
        }
        return true;
    }
    drawing.frame = view.renderFrame();
    if (drawing.frame.isNull()) {
        error = "the view could not be drawn";
        return false;
    }
    if (const std::optional<ScaleBar> bar = view.mapScaleBar()) {
        QPainter painter(&drawing.frame);
        painter.setRenderHint(QPainter::Antialiasing);
        paintScaleBar(*bar, painter);
    }
    return true;
}

WorkOutcome writeDrawing(const PreparedDrawing& drawing, const QString& fileName, WorkControl& control,
                         QString& error, LineArt* drawn)
{
    const char* step = "Exporting";
    const StopScope stop(control.stopFlag());
    const auto outcome = [&](bool written) {
        return written ? WorkOutcome::Done : control.cancelled() ? WorkOutcome::Cancelled : WorkOutcome::Failed;
    };
    if (drawing.format == DrawingFormat::png)
        return !control.checkpoint(step, 0, 1) ? WorkOutcome::Cancelled
                                               : outcome(writePng(drawing.frame, fileName, error));
    constexpr int parts = lineArtParts + 1; // the last one writes
    LineArt art;
    try {
        art = buildLineArt(drawing.scene, [&](int done, int) { return control.checkpoint(step, done, parts); });
        if (!control.checkpoint(step, lineArtParts, parts))
            return WorkOutcome::Cancelled;
        const bool written = writeLineArt(art, fileName, drawing.format, error);
        if (drawn)
            *drawn = std::move(art);
        return outcome(written);
    } catch (const std::bad_alloc&) {
        error = "not enough memory";
        return WorkOutcome::Failed;
    }
}

bool exportDrawing(GLNPRGrid& view, const QString& fileName, QString& error, LineArt* drawn)
{
    PreparedDrawing drawing;
    WorkControl runsToTheEnd;
    return prepareDrawing(view, fileName, drawing, error)
           && writeDrawing(drawing, fileName, runsToTheEnd, error, drawn) == WorkOutcome::Done;
}
