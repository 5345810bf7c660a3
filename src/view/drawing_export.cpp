#include "drawing_export.h"

#include "glnprgrid.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

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

void paintScaleBar(const ScaleBar& bar, QPainter& painter)
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
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPath(outline);
}

namespace {

// Paints the page: white, then every path of every style, one style at a
// time so that each style's paths share one group. (The PDF engine writes
// the lines of translucent styles as filled outlines, so a PDF takes about
// twice as long as an SVG.)
void paintLineArt(const LineArt& art, QPainter& painter)
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
}

// Copies the generator's SVG, giving each group that holds drawing elements
// the name of its style (the background first). Empty groups are left out.
QByteArray nameGroups(const QByteArray& svg, const LineArt& art)
{
    QStringList names{"background"};
    for (const LineStyle& style : art.styles)
        names << QString::fromStdString(style.name);
    if (art.scaleBar)
        names << "scale-bar";
    QByteArray out;
    QXmlStreamReader reader(svg);
    reader.setNamespaceProcessing(false);
    QXmlStreamWriter writer(&out);
    bool groupPending = false;
    QXmlStreamAttributes pendingAttributes;
    qsizetype named = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (groupPending) {
            if (reader.isWhitespace())
                continue;
            groupPending = false;
            if (reader.isEndElement())
                continue; // an empty group: its start was never written
            writer.writeStartElement("g");
            writer.writeAttributes(pendingAttributes);
            if (reader.isStartElement() && reader.name() != u"g" && named < names.size())
                writer.writeAttribute("id", names[named++]);
        }
        if (reader.isStartElement() && reader.name() == u"g") {
            groupPending = true;
            pendingAttributes = reader.attributes();
            continue;
        }
        writer.writeCurrentToken(reader);
    }
    return reader.hasError() ? QByteArray() : out;
}

bool writeSvg(const LineArt& art, const QString& fileName, QString& error)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(art.width, art.height));
    generator.setViewBox(QRect(0, 0, art.width, art.height));
    generator.setTitle("NPR Hypsa Viewer drawing");
    generator.setDescription(QString("%1 line paths, %2 strokes").arg(art.polylines).arg(art.strokes));
    {
        QPainter painter(&generator);
        paintLineArt(art, painter);
    }
    const QByteArray named = nameGroups(buffer.data(), art);
    if (named.isEmpty()) {
        error = "the SVG generator wrote no readable SVG";
        return false;
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(named) != named.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool writePdf(const LineArt& art, const QString& fileName, QString& error)
{
    // QPdfWriter reports no failure of its own, so the file is opened here.
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
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
        paintLineArt(art, painter);
    }
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    return true;
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

bool exportDrawing(GLNPRGrid& view, const QString& fileName, QString& error, LineArt* drawn)
{
    const DrawingFormat format = drawingFormat(fileName);
    if (format == DrawingFormat::unknown) {
        error = "the file name must end in .png, .svg or .pdf";
        return false;
    }
    // The drawing is the full level, never the coarse one of a moving view.
    view.settleView();
    if (format == DrawingFormat::png) {
        QImage frame = view.grabFramebuffer();
        if (const std::optional<ScaleBar> bar = view.mapScaleBar(); bar && !frame.isNull()) {
            QPainter painter(&frame);
            painter.setRenderHint(QPainter::Antialiasing);
            paintScaleBar(*bar, painter);
        }
        if (frame.isNull() || !frame.save(fileName, "PNG")) {
            error = "cannot write the picture";
            return false;
        }
        return true;
    }
    LineArt art = view.lineArt();
    const bool written = writeLineArt(art, fileName, format, error);
    if (drawn)
        *drawn = std::move(art);
    return written;
}
