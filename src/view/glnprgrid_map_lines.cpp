// The view's line families: the slots that choose them, and the work that
// builds the map lines, ridges and valleys for the mesh shown.
#include "glnprgrid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

MapLineSettings GLNPRGrid::mapLinesToBuild() const
{
    MapLineSettings settings = lineSettings;
    settings.light = {lightPosition[0], lightPosition[1], lightPosition[2]};
    return settings;
}

void GLNPRGrid::requestMapLines()
{
    if (mapLinesWaiting)
        return;
    mapLinesWaiting = true;
    runInTurn([this] {
        mapLinesWaiting = false;
        const MapLineSettings settings = mapLinesToBuild();
        if (!grid.loaded || vertices.empty() || settings.buildsSameAs(model.mesh.lineSettings))
            return;
        worker.start(
            [this, settings](WorkControl& control, TerrainUpdate& update) {
                update.lineSettings = settings;
                return rebuildMapLines(model, control, update);
            },
            [this](WorkOutcome outcome, TerrainUpdate& update) { finishMapLines(outcome, update); });
    });
}

void GLNPRGrid::finishMapLines(WorkOutcome outcome, TerrainUpdate& update)
{
    if (outcome == WorkOutcome::Done) {
        applyTerrainUpdate(model, std::move(update));
        familySegmentsStale = true;
        suggestivePass.meshChanged(); // the curvature may have come with the lines
        updateGL();
    } else if (outcome == WorkOutcome::Cancelled) {
        std::printf("Stopped; the map lines are unchanged\n");
    } else if (!update.errors.isEmpty()) {
        emit commandRefused(update.errors);
    }
    runWaitingCommands();
}

void GLNPRGrid::setContours(bool on)
{
    lineSettings.contours = on;
    requestMapLines();
}

void GLNPRGrid::setContourInterval(double interval)
{
    lineSettings.contourInterval = std::isfinite(interval) ? std::max(0.0, interval) : 0.0;
    requestMapLines();
}

void GLNPRGrid::setIndexEvery(int levels)
{
    lineSettings.indexEvery = std::clamp(levels, 0, maxIndexEvery);
    requestMapLines();
}

void GLNPRGrid::setTanakaContours(bool on)
{
    lineSettings.tanaka = on;
    requestMapLines();
}

void GLNPRGrid::setProfiles(bool on)
{
    lineSettings.profiles = on;
    requestMapLines();
}

void GLNPRGrid::setProfileCount(int count)
{
    lineSettings.profileCount = std::clamp(count, 1, maxProfileCount);
    requestMapLines();
}

void GLNPRGrid::setProfileAxis(ProfileAxis axis)
{
    lineSettings.profileAxis = axis;
    requestMapLines();
}

void GLNPRGrid::setHachures(bool on)
{
    lineSettings.hachures = on;
    requestMapLines();
}

void GLNPRGrid::setHachureSpacing(double metres)
{
    lineSettings.hachureSpacing = std::isfinite(metres) ? std::max(0.0, metres) : 0.0;
    requestMapLines();
}

void GLNPRGrid::setRidges(bool on)
{
    lineSettings.ridges = on;
    requestMapLines();
}

void GLNPRGrid::setValleys(bool on)
{
    lineSettings.valleys = on;
    requestMapLines();
}

void GLNPRGrid::setRidgeThreshold(int value)
{
    lineSettings.ridgeThreshold = std::clamp(value, 0, 100);
    requestMapLines();
}

// The suggestive lines need the curvature, which the worker measures when
// the mesh does not keep it yet; with both off it is given back.
void GLNPRGrid::setSuggestiveContours(bool on)
{
    lineSettings.suggestive = on;
    suggestiveLinesSwitched();
}

void GLNPRGrid::setSuggestiveHighlights(bool on)
{
    lineSettings.highlights = on;
    suggestiveLinesSwitched();
}

void GLNPRGrid::suggestiveLinesSwitched()
{
    if (!lineSettings.suggestive && !lineSettings.highlights)
        suggestivePass.release();
    viewFamilySegmentsStale = true;
    requestMapLines();
    updateGL();
}

void GLNPRGrid::setSuggestiveThreshold(int value)
{
    lineSettings.suggestiveThreshold = std::clamp(value, 0, 100);
    updateGL();
}
