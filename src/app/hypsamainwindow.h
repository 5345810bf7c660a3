// The main window: the view above the control panel, the File and
// Multiresolution menus, and the connections that drive the view.
#ifndef HYPSAMAINWINDOW_H
#define HYPSAMAINWINDOW_H

#include <QMainWindow>

class GLNPRGrid;
class QAction;
class QGridLayout;
class QMenu;

class HypsaMainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit HypsaMainWindow(QWidget* parent = nullptr, const char* name = nullptr,
                             Qt::WindowFlags fl = Qt::Window);
    ~HypsaMainWindow() override = default;

    GLNPRGrid* glgrid;
    QGridLayout* HypsaMainWindowLayout;
    QAction* fileLoadAction;
    QAction* fileExitAction;
    QAction* multiresolutionTraditionalAction;
    QAction* multiresolutionChaikinAction;
    QAction* multiresolutionDyn_LevinAction;
    QMenu* fileMenu;
    QMenu* multiresolutionMenu;

protected slots:
    virtual void languageChange();

protected:
    void changeEvent(QEvent* event) override;
};

#endif
