#include "line_art_builder.h"

#include "curvature_strokes.h"
#include "drawn_edges.h"
#include "line_mark.h"
#include "path_order.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace {

int facingLevel(float s)
{
    return int(std::clamp(std::lround(double(s) * LineArtBuilder::levels), 0L, long(LineArtBuilder::levels)));
}

std::string styleName(const char* prefix, const LineStyle& style)
{
    char look[64];
    std::snprintf(look, sizeof look, "-w%.2f-g%.2f-a%.2f", style.width, style.grey, style.alpha);
    return prefix + std::string(look);
}

// A label as it starts an id: lower case, words joined by hyphens.
std::string idOf(const std::string& label)
{
    std::string id;
    for (const char c : label)
        id += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ? c : '-';
    return id.empty() || !(id[0] >= 'a' && id[0] <= 'z') ? "family-" + id : id;
}

ScreenPoint lerp(const ScreenPoint& a, const ScreenPoint& b, double u)
{
    return {a.x + u * (b.x - a.x), a.y + u * (b.y - a.y), a.depth + u * (b.depth - a.depth)};
}

PagePoint pagePoint(const ScreenPoint& p)
{
    return {float(std::round(p.x * 100.0) / 100.0), float(std::round(p.y * 100.0) / 100.0)};
}

} // namespace

LineArtBuilder::LineArtBuilder(const ScreenProjection& projection, const OccluderDepth& occluder)
    : projection_(projection),
      surfaceProjection_(liftedTowardsEye(projection.modelView(), projection.projection(), projection.width(),
                                          projection.height(), surfaceLineLift),
                         projection.projection(), projection.width(), projection.height()),
      occluder_(occluder)
{
    art_.width = projection.width();
    art_.height = projection.height();
    art_.modelView = projection.modelView();
    art_.projection = projection.projection();
}

LineStyle LineArtBuilder::edgeLineStyle(const Edge& edge, bool half, const char* idPrefix)
{
    Edge rounded = edge;
    rounded.s = float(facingLevel(edge.s)) / float(levels);
    gmVec3 colour;
    double width = 1.0, alpha = 1.0;
    EdgeBuffer::edgeStyle(rounded, 1, colour, width, alpha);
    return lineStyle(width, colour[0], half, idPrefix);
}

LineStyle LineArtBuilder::lineStyle(double width, double grey, bool half, const char* idPrefix)
{
    const LineMark mark = screenMark(half ? width / 2.0 : width, grey);
    LineStyle style;
    style.width = mark.width;
    style.grey = mark.grey;
    style.alpha = mark.opacity;
    style.name = styleName(idPrefix, style);
    return style;
}

std::uint32_t LineArtBuilder::layerIndex(const std::string& label, const std::string& idPrefix)
{
    const auto [known, added] = layerByLabel_.try_emplace(label, std::uint32_t(art_.layers.size()));
    if (added) {
        ArtLayer layer;
        layer.label = label;
        layer.id = "layer-" + idOf(label);
        art_.layers.push_back(std::move(layer));
        layerPrefixes_.push_back(idPrefix);
        EdgeStyles unused;
        unused.fill(unknownStyle);
        edgeStyles_.push_back(unused);
    }
    return known->second;
}

std::int32_t LineArtBuilder::styleIndex(LineStyle style, std::uint32_t layer)
{
    if (!leavesMark({style.width, style.grey, style.alpha}))
        return noMark;
    style.layer = layer;
    const auto [known, added] = styleByName_.try_emplace(style.name, std::uint32_t(art_.styles.size()));
    if (added)
        art_.styles.push_back(std::move(style));
    return std::int32_t(known->second);
}

std::int32_t LineArtBuilder::styleFor(const Edge& edge, bool half, std::uint32_t layer)
{
    // Strong silhouettes have one look whatever their facing value.
    const int kind = !edge.used ? 0 : edge.isSilhouette() ? 1 : 2;
    const int level = kind == 0 ? 0 : facingLevel(edge.s);
    std::int32_t& id = edgeStyles_[layer][std::size_t(((half ? 3 : 0) + kind) * (levels + 1) + level)];
    if (id == unknownStyle)
        id = styleIndex(edgeLineStyle(edge, half, layerPrefixes_[layer].c_str()), layer);
    return id;
}

std::int32_t LineArtBuilder::strokeStyle()
{
    if (strokeStyle_ < 0) {
        LineStyle style;
        style.name = strokeLayer.idPrefix;
        style.filled = true;
        strokeStyle_ = styleIndex(std::move(style), layerIndex(strokeLayer.label, strokeLayer.idPrefix));
    }
    return strokeStyle_;
}

template <typename StyleOf>
void LineArtBuilder::addSegment(const ScreenProjection& projection, const gmVec3& from3, const gmVec3& to3,
                                std::uint32_t va, std::uint32_t vb, double width, bool mayHalve, StyleOf styleOf)
{
    const ClipPoint a = projection.clip(from3), b = projection.clip(to3);
    double t0, t1;
    if (!ScreenProjection::clipSegment(a, b, t0, t1))
        return;
    const ScreenPoint from = projection.toScreen(ScreenProjection::lerp(a, b, t0));
    const ScreenPoint to = projection.toScreen(ScreenProjection::lerp(a, b, t1));
    const bool wide = width >= halvedWidth;
    visibleSpans(from, to, wide ? width / 4.0 : 0.5, wide && mayHalve, occluder_, spans_);
    // A half line lies a quarter of the width off the line, on its side.
    const double length = std::hypot(to.x - from.x, to.y - from.y);
    const double nx = length > 0.0 ? (to.y - from.y) / length : 0.0;
    const double ny = length > 0.0 ? (from.x - to.x) / length : 0.0;
    for (const Span& span : spans_) {
        const double shift = span.side * width / 4.0;
        const ScreenPoint p = lerp(from, to, span.from), q = lerp(from, to, span.to);
        const bool startsAtVertex = t0 == 0.0 && span.from == 0.0;
        const bool endsAtVertex = t1 == 1.0 && span.to == 1.0;
        pieces_.push_back({p.x + shift * nx, p.y + shift * ny, q.x + shift * nx, q.y + shift * ny,
                           startsAtVertex ? va : noVertex, endsAtVertex ? vb : noVertex, styleOf(span.side != 0),
                           span.side});
    }
}

void LineArtBuilder::addEdges(const EdgeBuffer& edges, std::span<const gmVec3> vertices, LayerName layerName)
{
    const std::uint32_t layer = layerIndex(layerName.label, layerName.idPrefix);
    forEachDrawnEdge(edges, vertices.size(), [&](std::size_t i, const Edge& e, std::size_t, const EdgeLook& look) {
        if (stopping(i) || styleFor(e, false, layer) == noMark)
            return;
        // A border edge has a face on one side only: where the other, empty
        // side shows, the line shows whole. It lies on its face, which is
        // tested from a little nearer the eye, as a line family is: the face
        // that a pixel to the side is as near as the line does not hide it.
        const std::uint32_t j = std::uint32_t(e.other);
        addSegment(e.border ? surfaceProjection_ : projection_, vertices[i], vertices[j], std::uint32_t(i), j,
                   look.width, !e.border, [&](bool half) { return std::uint32_t(styleFor(e, half, layer)); });
    });
}

void LineArtBuilder::addFamily(const LineFamily& family)
{
    const std::uint32_t layer = layerIndex(family.name, idOf(family.name));
    // Per family style, whole and half: the drawing's style index, noMark,
    // or unknownStyle until first used.
    std::vector<std::int32_t> ids(2 * family.styles.size(), unknownStyle);
    const auto styleOf = [&](std::size_t s, bool half) {
        std::int32_t& id = ids[2 * s + (half ? 1 : 0)];
        if (id == unknownStyle) {
            const FamilyStyle& look = family.styles[s];
            id = styleIndex(lineStyle(look.width, look.grey, half, layerPrefixes_[layer].c_str()), layer);
        }
        return id;
    };
    const auto point = [&](std::uint32_t p) {
        return gmVec3(family.points[3 * std::size_t(p)], family.points[3 * std::size_t(p) + 1],
                      family.points[3 * std::size_t(p) + 2]);
    };
    for (std::size_t i = 0; i < family.polylineCount(); ++i) {
        const std::size_t s = family.styleOf[i];
        if (s >= family.styles.size() || styleOf(s, false) == noMark || stopping(i))
            continue;
        const std::uint32_t first = family.starts[i], last = family.starts[i + 1] - 1;
        // A closed polyline's last point is its first, so that its ends chain.
        const bool closed = point(first)[0] == point(last)[0] && point(first)[1] == point(last)[1]
                            && point(first)[2] == point(last)[2];
        for (std::uint32_t p = first; p < last; ++p)
            addSegment(surfaceProjection_, point(p), point(p + 1), p, p + 1 == last && closed ? first : p + 1,
                       family.styles[s].width, true, [&](bool half) { return std::uint32_t(styleOf(s, half)); });
    }
}

void LineArtBuilder::addStrokes(const EdgeBuffer& edges, std::span<const gmVec3> vertices,
                                std::span<const CurvatureFrame> frames, bool useFirst)
{
    forEachDrawnEdge(edges, vertices.size(), [&](std::size_t i, const Edge& e, std::size_t n, const EdgeLook&) {
        if (n >= frames.size() || stopping(i))
            return;
        const StrokeQuad quad = strokeQuad(vertices[i], vertices[std::size_t(e.other)], frames[n], useFirst);
        // p0, p1 on the surface and p0', p1' raised; a stroke that reaches
        // past the near or far plane is left out whole (it is tiny).
        ScreenPoint s[4];
        for (std::size_t k = 0; k < 4; ++k) {
            const ClipPoint c = projection_.clip(quad[k]);
            if (!ScreenProjection::clipInside(c) || c.w <= 0.0)
                return;
            s[k] = projection_.toScreen(c);
        }
        // Hidden parts are cut along the stroke's middle line.
        visibleSpans(lerp(s[0], s[2], 0.5), lerp(s[1], s[3], 0.5), 0.0, false, occluder_, spans_);
        const double length = std::hypot(s[1].x - s[0].x, s[1].y - s[0].y);
        for (const Span& span : spans_) {
            if ((span.to - span.from) * length < minLength)
                continue;
            const std::uint32_t first = std::uint32_t(art_.points.size());
            art_.points.push_back(pagePoint(lerp(s[0], s[1], span.from)));
            art_.points.push_back(pagePoint(lerp(s[0], s[1], span.to)));
            art_.points.push_back(pagePoint(lerp(s[2], s[3], span.to)));
            art_.points.push_back(pagePoint(lerp(s[2], s[3], span.from)));
            art_.paths.push_back({std::uint32_t(strokeStyle()), first, 4});
            ++art_.strokes;
        }
    });
}

LineArt LineArtBuilder::finish()
{
    chainPieces(pieces_, minLength, art_);
    pieces_.clear();
    // Drawing order: layer by layer; within a layer lines by rising width
    // (as the view draws its batches), lines of one width from light to
    // dark (the lines that a pixel's width gathers are lighter the thinner
    // they are on screen, where they lie under the darker ones), then by
    // alpha; strokes last. A style whose pieces were all too short to keep
    // is left out.
    std::vector<bool> used(art_.styles.size(), false);
    for (const ArtPath& path : art_.paths)
        used[path.style] = true;
    std::vector<std::uint32_t> order;
    for (std::uint32_t s = 0; s < art_.styles.size(); ++s)
        if (used[s])
            order.push_back(s);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const LineStyle &x = art_.styles[a], &y = art_.styles[b];
        return std::tie(x.layer, x.filled, x.width, y.grey, x.alpha)
               < std::tie(y.layer, y.filled, y.width, x.grey, y.alpha);
    });
    std::vector<std::uint32_t> rank(art_.styles.size());
    std::vector<LineStyle> styles(order.size());
    for (std::uint32_t k = 0; k < order.size(); ++k) {
        rank[order[k]] = k;
        styles[k] = std::move(art_.styles[order[k]]);
    }
    art_.styles = std::move(styles);
    for (ArtPath& path : art_.paths)
        path.style = rank[path.style];
    std::stable_sort(art_.paths.begin(), art_.paths.end(),
                     [](const ArtPath& a, const ArtPath& b) { return a.style < b.style; });
    orderPaths(art_);
    return std::move(art_);
}
