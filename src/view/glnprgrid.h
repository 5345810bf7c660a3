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
#include "gmvec3.h"
#include "jgrid.h"
#include "line_art.h"
#include "line_pass.h"
#include "map_lines.h"
#include "npr_gl.h"
#include "terrain_model.h"
#include "terrain_worker.h"

#include <QOpenGLWidget>

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

    // What each line pass last classified its edges for (the eye, the light)
    // and the lines prepared from that.
    LinePass silhouettePass{gmVec3()};
    LinePass lightSilhouettePass{gmVec3(1.0, 1.0, 1.0)};

    // The parts of the last paint: milliseconds (measured, with glFinish,
    // only while measurePaint is set) and the lines or strokes drawn.
    struct PaintTimes {
        double classification = 0.0;
        double lines = 0.0;
        double families = 0.0;
        double occluder = 0.0;
        std::size_t edgesDrawn = 0;
        std::size_t familySegmentsDrawn = 0;
    };
    bool measurePaint = false;
    PaintTimes lastPaintTimes;

    // The map lines asked for (contours, profiles, hachures). The worker
    // builds them for each level with the mesh, and anew when they change;
    // the light comes from lightPosition.
    MapLineSettings lineSettings;
    // The line families drawn now: the map lines of the mesh shown.
    std::span<const LineFamily> families() const { return model.mesh.families; }

    // Loads of grids with more samples than this show them coarsened until
    // they fit; 0 = no budget. Read when a load starts.
    std::uint64_t displayBudget = defaultDisplaySamples;
    // When set, every load takes this north-south spacing (metres) instead
    // of the one the file gives. Read when a load starts.
    std::optional<float> cellSizeForLoads;

    // Background work. Loads, refinements and coarsenings run one after the
    // other, each on a worker thread; a load drops what was still waiting.
    bool workRunning() const { return worker.busy(); }
    // Runs everything requested to its end (for batch use and tests).
    void waitForWork();
    // Called on the worker thread at every step of the work (tests hold the
    // work at a step with it).
    void setWorkCheckpointHook(std::function<void(const char* step)> hook);

    // Empties both edge buffers and the mesh arrays (not the frames).
    void clearEdgeData();
    // Builds the mesh, both edge buffers, the curvature frames and the
    // occluder from the grid. Returns false, leaving no mesh, when no grid
    // is loaded or its mesh would not fit in this machine's memory.
    bool findCurvature();
    void buildOccluderList();
    void drawSilhouettes();
    void drawLightSilhouettes();
    // The eye point in model coordinates, from the current GL matrices.
    gmVec3 eyePosition();
    void drawCurvatureStrokes(const EdgeBuffer& edges, bool useFirst);
    // The lines and strokes of the current view that the white surface does
    // not hide, in pixels of the view's size; no paths without a grid, and
    // no size when GL has no off-screen buffer for it.
    LineArt lineArt();

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
    // Pans and dollies so that the whole terrain fills the view at the
    // current rotation and scale.
    void fitTerrain();
    // Multiplies the drawing heights (0.1 to 50); the mesh is rebuilt.
    void setVerticalExaggeration(double factor);
    // Sets the terrain's north-south spacing in metres (above 0), for a file
    // that gives none or a wrong one; the mesh is rebuilt.
    void setCellSize(double metres);
    // Writes the terrain shown as a float32 GeoTIFF (gridSaved or
    // gridSaveFailed tell how it went).
    void saveGrid(QString file);
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

signals:
    void widthChanged(const QString& width);
    void widthChanged(int);
    void heightChanged(const QString& height);
    void heightChanged(int);
    void freqChanged(int);
    // The work reached a step ("Loading", "Coarsening", "Refining",
    // "Finding curvature", "Drawing map lines"); percent of the request
    // done before it.
    void workProgress(const QString& step, int percent);
    // No work runs or waits any more.
    void workIdle();
    // Which level of the loaded grid is shown, after every load, refinement
    // and coarsening; empty when it is the grid as loaded.
    void levelShown(const QString& text);
    // The wheel changed the scale: the scale slider's new value.
    void scaleChanged(int);
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

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void requestLoad(const QString& file, GridFormat format);
    void requestChange(const char* line, LevelChange change);
    void finishChange(WorkOutcome outcome, TerrainUpdate& update, const QString* loadedFile);
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

    TerrainWorker worker;
    std::deque<std::function<void()>> waitingCommands;
    bool mapLinesWaiting = false;

public:
    // END commands

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void applyViewTransform();
    void drawGrid();

private:
    // Classifies a pass's edges when its inputs changed and draws them.
    void runPass(LinePass& pass, EdgeBuffer& edges, const gmVec3& point, float threshold);
    // Draws every line family in batches, before the occluder hides what
    // lies behind the terrain.
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
    void uploadOccluder();

    OccluderBuffers occluder;
    bool occluderPending = false;
    StrokeMesh strokes;
    std::unique_ptr<SurfacelessContext> surfaceless;
    std::unique_ptr<GLFramebuffer> surfacelessFrame;
    // The families' segments by style; rebuilt when the families change.
    std::vector<FamilySegments> familySegments;
    bool familySegmentsStale = true;
};

#endif
