// The OpenGL view: keeps the view transform and the drawing switches, runs
// the paint pipeline, and draws the terrain model it owns. Loading, Refine
// and Coarsen build the next terrain state on a worker thread while the view
// goes on drawing the current one.
#ifndef GLNPRGRID_H
#define GLNPRGRID_H

#include "curvature_frames.h"
#include "curvature_strokes.h"
#include "edge_buffer.h"
#include "family_segments.h"
#include "frame_times.h"
#include "gmvec3.h"
#include "jgrid.h"
#include "line_art.h"
#include "line_art_scene.h"
#include "line_pass.h"
#include "map_lines.h"
#include "npr_gl.h"
#include "suggestive_pass.h"
#include "terrain_model.h"
#include "terrain_worker.h"
#include "view_transform.h"

#include <QOpenGLWidget>
#include <QTimer>

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class GLFramebuffer;
class SurfacelessContext;

// What the view keeps to draw one mesh: what its line passes last classified
// for and the lines prepared from that, its occluder in GL, its strokes.
struct MeshLayer {
    LinePass silhouettePass{gmVec3()};
    LinePass lightSilhouettePass{gmVec3(1.0, 1.0, 1.0)};
    OccluderBuffers occluder;
    bool occluderPending = false;
    StrokeMesh strokes;
};

class GLNPRGrid : public QOpenGLWidget {
    Q_OBJECT

public:
    GLNPRGrid(QWidget* parent, const char* name);
    ~GLNPRGrid() override;

    // Requests a repaint; the slots call it after every change of state.
    void updateGL() { update(); }

    // The terrain: grid, detail stack and the mesh of the drawn level. The
    // members below named after its parts refer into it.
    TerrainModel model;

    int viewWidth = 0;
    int viewHeight = 0;
    float xRot;
    float yRot;
    float zRot;
    float viewScale;
    float xTrans;
    float yTrans;
    float zTrans;
    // The projection: orthographic (parallel rays) or the perspective frustum.
    bool orthographic = false;
    bool mousePressed;
    int lastMouseX = 0;
    int lastMouseY = 0;
    Qt::MouseButton mouseButton = Qt::NoButton;
    JGrid& grid = model.grid;
    // Display list of the shaded surface; 0 = none.
    GLuint polygonList;
    // GL buffer holding the hidden-line occluder surface; 0 = none.
    GLuint curvatureList;
    bool gridDirty;
    bool showPolygons;
    bool showSilhouettes;
    bool showLightSilhouettes;
    // The mesh of the grid as it was at the last findCurvature().
    std::vector<gmVec3>& vertices = model.mesh.vertices;
    std::vector<gmVec3>& vertexNormals = model.mesh.vertexNormals;
    std::vector<gmVec3>& faceNormals = model.mesh.faceNormals;
    std::vector<CurvatureFrame>& frames = model.mesh.frames;
    std::vector<Face>& faces = model.mesh.faces;
    EdgeBuffer& silhouetteEdges = model.mesh.silhouetteEdges;
    EdgeBuffer& lightSilhouetteEdges = model.mesh.lightSilhouetteEdges;
    gmVec3 lightPosition;
    float lightSilThreshold;
    float silThreshold;
    bool silLocked;
    bool curvatureStrokes;
    bool drawF1Curvature;

    // The drawn level's mesh and the coarse one drawn while the view moves.
    MeshLayer drawnLayer;
    MeshLayer coarseLayer;
    // What each line pass of the drawn level last classified its edges for
    // (the eye, the light) and the lines prepared from that.
    LinePass& silhouettePass = drawnLayer.silhouettePass;
    LinePass& lightSilhouettePass = drawnLayer.lightSilhouettePass;

    // The parts of the last paint: milliseconds (measured, with glFinish,
    // only while measurePaint is set), the lines or strokes drawn, whether
    // the coarse level was drawn, and the whole frame's milliseconds.
    struct PaintTimes {
        double classification = 0.0;
        double lines = 0.0;
        double families = 0.0;
        double suggestive = 0.0; // computing the suggestive lines for a new eye
        double occluder = 0.0;
        std::size_t edgesDrawn = 0;
        std::size_t familySegmentsDrawn = 0;
        bool coarse = false;
        double frame = 0.0;
    };
    bool measurePaint = false;
    PaintTimes lastPaintTimes;

    // The line families asked for. The worker builds the map lines
    // (contours, profiles, hachures), ridges and valleys for each level with
    // the mesh, and anew when they change; the light comes from
    // lightPosition. The suggestive contours and highlights are computed
    // here for each eye, from the curvature the mesh keeps for them.
    MapLineSettings lineSettings;
    // The families built with the mesh shown.
    std::span<const LineFamily> families() const { return model.mesh.families; }
    // The suggestive contours and highlights of the drawn level, for the eye
    // of the last frame (the locked eye while the silhouettes are locked).
    SuggestivePass suggestivePass;
    // The view-dependent families drawn after those of the mesh: the
    // suggestive contours and highlights that are switched on.
    std::vector<const LineFamily*> viewFamilies() const;

    // Loads of grids with more samples than this show them coarsened until
    // they fit; 0 = no budget. Read when a load starts.
    std::uint64_t displayBudget = defaultDisplaySamples;
    // When set, every load takes this north-south spacing (metres) instead
    // of the one the file gives. Read when a load starts.
    std::optional<float> cellSizeForLoads;

    // A newly loaded terrain is fitted at the current rotation and scale.
    bool fitOnLoad = true;
    // Every level gets a coarse copy that is drawn while the view is turned,
    // panned, dollied or zoomed; off, every frame is the full level (batch
    // drawing builds none).
    bool coarseWhileMoving = true;
    // The view moved less than settleDelay ago: the coarse level is drawn.
    bool moving() const { return settleTimer.isActive(); }
    static constexpr int settleDelay = 300; // milliseconds
    // Ends the moving at once, so that the next frame is the full level.
    void settleView();
    // Frame times measured on this machine, which set the coarse level.
    FrameTimes frameTimes;

    // The view's transform state, and where the drawn level and its coarse
    // copy sit in the scene.
    ViewState viewState() const;
    LevelPlacement drawnPlacement() const;
    LevelPlacement coarsePlacement() const;

    // Background work. Loads, refinements and coarsenings run one after the
    // other, each on a worker thread; a load drops what was still waiting.
    bool workRunning() const { return worker.busy(); }
    // Runs everything requested to its end (for batch use and tests).
    void waitForWork();
    // Called on the worker thread at every step of the work (tests hold the
    // work at a step with it).
    void setWorkCheckpointHook(std::function<void(const char* step)> hook);

    // Empties both edge buffers and the mesh arrays with the surface's
    // curvature (not the frames).
    void clearEdgeData();
    // Builds the mesh, both edge buffers, the curvature frames and the
    // occluder from the grid. Returns false, leaving no mesh, when no grid
    // is loaded or its mesh would not fit in this machine's memory.
    bool findCurvature();
    void buildOccluderList();
    void drawSilhouettes();
    void drawLightSilhouettes();
    // The eye point in model coordinates, from the current GL matrices. An
    // orthographic view's eye lies so far back along the view's axis that
    // the direction to it is the axis wherever on the terrain.
    gmVec3 eyePosition();
    // The unit direction from the terrain towards the eye along the view's
    // axis, in model coordinates, from the current GL matrices: the exact
    // direction of every ray of an orthographic view.
    gmVec3 eyeDirection();
    void drawCurvatureStrokes(const EdgeBuffer& edges, bool useFirst);
    // What the drawing of the current view is built from, taken on the GUI
    // thread (GL reads the occluder's depth): no edges without a grid, and
    // no size when GL has no off-screen buffer for it. It refers to the
    // drawn mesh, which the worker's next job may replace.
    LineArtScene lineArtScene();
    // The lines and strokes of the current view that the white surface does
    // not hide, in pixels of the view's size: buildLineArt(lineArtScene()).
    LineArt lineArt();
    // The scale bar of the view's drawing in pixels: only a map view has one.
    std::optional<ScaleBar> mapScaleBar() const;

    // Batch drawing where no display is available: the view draws with a
    // surfaceless GL context of its own into a framebuffer of its size,
    // instead of in a window, and is never shown. Call before anything is
    // drawn; false, with the reason in error, when no such context exists.
    bool drawWithoutWindow(QString& error);
    // Paints the current state and returns the picture.
    QImage renderFrame();

    // BEGIN commands
    // Reports the grid's size and cell size to the controls and repaints.
    void updateGUI();

public slots:
    void setXRotation(int degrees);
    void setYRotation(int degrees);
    void setZRotation(int degrees);
    void setScale(int val);
    void loadGRDFile(QString file);
    void loadFLTFile(QString file);
    // Loads any grid file, its reader picked by JGrid::loadFile.
    void loadFile(QString file);
    void subdivide(int subdivisiontype);
    void unsubdivide(int subdivisiontype);
    void subdivide();
    void unsubdivide();
    void setLightX(int newval);
    void setLightY(int newval);
    void setLightZ(int newval);
    void setLightSilThresh(int newval);
    void setSilThresh(int newval);
    void lockSil(bool newval);
    void setCurvatureStrokes(bool newval);
    void toggleDrawF1Curvature();
    void changeWidth(int w);
    void changeHeight(int h);
    void setLightSilhouettes(bool on);
    void setSilhouettes(bool on);
    void setPolygons(bool on);
    // Stops the running work (the terrain stays as it was) and drops what
    // was waiting.
    void cancelWork();
    // Pans and dollies so that the whole terrain (its voids left out) fills
    // the view and sits in its middle at the current rotation and scale.
    void fitTerrain();
    // The view's presets. Start: the start values (no rotation, scale 2, no
    // pan, perspective). Oblique: 45 degrees above the horizon, north away
    // from the eye, perspective, fitted. Map: straight down, north up,
    // orthographic, fitted.
    void showStartView();
    void showObliqueView();
    void showMapView();
    void setOrthographic(bool on);
    // Multiplies the drawing heights (0.1 to 50); the mesh is rebuilt.
    void setVerticalExaggeration(double factor);
    // Sets the terrain's north-south spacing in metres (above 0), for a file
    // that gives none or a wrong one; the mesh is rebuilt.
    void setCellSize(double metres);
    // Writes the terrain shown as a float32 GeoTIFF (gridSaved or
    // gridSaveFailed tell how it went).
    void saveGrid(QString file);
    // Writes the view's drawing to file, by its extension a PNG, SVG or PDF,
    // whole or not at all, in its turn after the work before it: taken from
    // the view as it is shown then, built and written on the worker with
    // progress (step "Exporting") and Cancel. drawingExported,
    // drawingExportFailed or drawingExportStopped tell how it went.
    void startDrawingExport(QString file);
    // The map lines; each change has the worker build them anew.
    void setContours(bool on);
    // Height units; 0 automatic.
    void setContourInterval(double interval);
    // 0: no index contours.
    void setIndexEvery(int levels);
    void setTanakaContours(bool on);
    void setProfiles(bool on);
    void setProfileCount(int count);
    void setProfileAxis(ProfileAxis axis);
    void setHachures(bool on);
    // Metres on the ground; 0 automatic.
    void setHachureSpacing(double metres);
    // The lines of the surface's curvature; thresholds are slider values, 0
    // to 100. Ridges and valleys are built by the worker, the suggestive
    // lines in the next frame.
    void setRidges(bool on);
    void setValleys(bool on);
    void setRidgeThreshold(int value);
    void setSuggestiveContours(bool on);
    void setSuggestiveHighlights(bool on);
    void setSuggestiveThreshold(int value);

signals:
    void widthChanged(const QString& width);
    void widthChanged(int);
    void heightChanged(const QString& height);
    void heightChanged(int);
    void freqChanged(int);
    // The work reached a step ("Loading", "Coarsening", "Refining",
    // "Finding curvature", "Measuring the surface's curvature", "Drawing map
    // lines"); percent of the request done before it.
    void workProgress(const QString& step, int percent);
    // No work runs or waits any more.
    void workIdle();
    // Which level of the loaded grid is shown, after every load, refinement
    // and coarsening; empty when it is the grid as loaded.
    void levelShown(const QString& text);
    // The wheel, the mouse or a preset changed the scale or a rotation: the
    // slider's new value (rotations 0 to 359).
    void scaleChanged(int);
    void xRotationChanged(int);
    void yRotationChanged(int);
    void zRotationChanged(int);
    // A preset switched the projection.
    void orthographicChanged(bool);
    // A load that succeeded: the file now shown.
    void gridLoaded(const QString& file);
    // A load that failed: the file, and why (the console's error lines).
    // The terrain shown before stays.
    void loadFailed(const QString& file, const QString& reason);
    // A command that was refused and changed nothing (Coarsen at the
    // smallest size, a refinement beyond memory), and why.
    void commandRefused(const QString& reason);
    // saveGrid wrote the file (what was written, in words), or could not
    // (why).
    void gridSaved(const QString& file, const QString& text);
    void gridSaveFailed(const QString& file, const QString& reason);
    // The drawing was written: its line paths and strokes (none in a PNG);
    // or it was not (why); or it was stopped.
    void drawingExported(const QString& file, qulonglong paths, qulonglong strokes);
    void drawingExportFailed(const QString& file, const QString& reason);
    void drawingExportStopped(const QString& file);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void requestLoad(const QString& file, GridFormat format);
    void requestChange(const char* line, LevelChange change);
    // Builds the level `change` gives, and its coarse level, in the background.
    void startLevelChange(LevelChange change, std::function<void(JGrid&)> adjust = {});
    void finishChange(WorkOutcome outcome, TerrainUpdate& update, const QString* loadedFile);
    // While the silhouettes are locked, moves their eye and the suggestive
    // lines' from the mesh coordinates of the level placed at `from` to
    // those of the level drawn now.
    void keepLockedEye(const LevelPlacement& from);
    // Runs command now when nothing else runs or waits, else after those.
    void runInTurn(std::function<void()> command);
    void runWaitingCommands();
    void runLightPassOnce();
    bool refinementFits(int subdivisiontype) const;
    void redrawWith(std::function<void(JGrid&)> adjust);
    // The mesh was replaced: both passes prepare their lines afresh.
    void meshReplaced();
    // The map lines as the worker builds them: lineSettings with the light.
    MapLineSettings mapLinesToBuild() const;
    // Has the worker build the map lines when they differ from those shown;
    // a request waiting already covers later changes.
    void requestMapLines();
    void finishMapLines(WorkOutcome outcome, TerrainUpdate& update);
    // A suggestive family was switched on or off.
    void suggestiveLinesSwitched();

    // The view was turned, panned, dollied or zoomed: the coarse level is
    // drawn until it stays still for settleDelay.
    void viewMoved();
    // Sets the three rotations and tells the sliders.
    void setRotations(int x, int y, int z);
    // The frame measured says the coarse level should be built anew: done
    // quietly in the background when no other work runs.
    void rebuildCoarseLevel();
    // The face budget of the coarse level for a job that starts now; 0: none.
    std::uint64_t coarseFaceBudget() const;
    void orbit(int x, int y);

    TerrainWorker worker;
    std::deque<std::function<void()>> waitingCommands;
    bool mapLinesWaiting = false;
    bool coarseRebuilding = false;
    QTimer settleTimer;
    // Where an orbit started: the rotations and the pointer.
    bool orbiting = false;
    int orbitFromX = 0, orbitFromY = 0;
    float orbitXRot = 0.0f, orbitZRot = 0.0f;

public:
    // END commands

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    // Clears and loads the view transform of the drawn level.
    void applyViewTransform();
    void drawGrid();

private:
    void applyViewTransform(const LevelPlacement& placement);
    // The coarse level is drawn in this frame.
    bool drawsCoarseLevel() const;
    // The passes of one mesh: the silhouettes for the eye (or, while locked,
    // lockedEye), the light silhouettes for `light`.
    void drawSilhouettesOf(MeshLayer& layer, DrawnMesh& mesh, const gmVec3& lockedEye);
    void drawLightSilhouettesOf(MeshLayer& layer, DrawnMesh& mesh, const gmVec3& light);
    // Classifies a pass's edges when its inputs changed and draws them.
    void runPass(MeshLayer& layer, DrawnMesh& mesh, LinePass& pass, EdgeBuffer& edges, const gmVec3& point,
                 float threshold);
    void drawStrokesOf(MeshLayer& layer, const DrawnMesh& mesh, const EdgeBuffer& edges, bool useFirst);
    // Computes the suggestive lines when they are on and the eye (the locked
    // eye while locked) or their threshold changed; the view transform of the
    // drawn level must be loaded.
    void updateSuggestiveLines();
    // Draws every line family of the drawn level in batches, before the
    // occluder hides what lies behind the terrain.
    void drawFamilies();
    // This view's context is current: a pass may draw.
    bool drawingHere() const;
    // The context the view draws with (its window's, or the surfaceless one)
    // made current, its framebuffer bound; false when there is none.
    bool makeGLCurrent();
    void doneGLCurrent();
    // Makes sure the view has a context and a framebuffer of its size,
    // drawing once if it never drew; false when it cannot have them.
    bool prepareGL();
    void uploadOccluder(MeshLayer& layer, DrawnMesh& mesh);

    // The passes classify their edges and draw nothing (lineArtScene).
    bool classifyingOnly = false;
    std::unique_ptr<SurfacelessContext> surfaceless;
    std::unique_ptr<GLFramebuffer> surfacelessFrame;
    // The families' segments by style; rebuilt when the families change.
    std::vector<FamilySegments> familySegments;
    bool familySegmentsStale = true;
    std::vector<FamilySegments> viewFamilySegments;
    bool viewFamilySegmentsStale = true;
};

#endif
