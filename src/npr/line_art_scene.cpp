#include "line_art_scene.h"

#include "line_art_builder.h"

LineArt buildLineArt(const LineArtScene& scene, const std::function<bool(int, int)>& checkpoint)
{
    const auto goOn = [&](int done) { return !checkpoint || checkpoint(done, lineArtParts); };
    LineArtBuilder builder(scene.screen, scene.occluder);
    const auto add = [&](const std::optional<EdgeBuffer>& edges, LayerName layer) {
        if (!edges)
            return;
        if (scene.strokes)
            builder.addStrokes(*edges, scene.vertices, scene.frames, scene.firstAxis);
        else
            builder.addEdges(*edges, scene.vertices, layer);
    };
    if (!goOn(0))
        return LineArt();
    add(scene.silhouettes, silhouetteLayer);
    if (!goOn(1))
        return LineArt();
    add(scene.lightSilhouettes, lightSilhouetteLayer);
    if (!goOn(2))
        return LineArt();
    for (const LineFamily& family : scene.families)
        builder.addFamily(family);
    for (const LineFamily& family : scene.eyeFamilies)
        builder.addFamily(family);
    if (!goOn(3))
        return LineArt();
    LineArt art = builder.finish();
    art.scaleBar = scene.scaleBar;
    return art;
}
