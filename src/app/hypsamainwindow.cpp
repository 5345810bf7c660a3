#include "hypsamainwindow.h"

#include "glnprgrid.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

HypsaMainWindow::HypsaMainWindow(QWidget* parent, const char* name, Qt::WindowFlags fl) : QMainWindow(parent, fl)
{
    statusBar();
    setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("HypsaMainWindow"));

    auto* central = new QWidget(this);
    central->setObjectName("qt_central_widget");
    setCentralWidget(central);

    HypsaMainWindowLayout = new QGridLayout(central);
    HypsaMainWindowLayout->setObjectName("HypsaMainWindowLayout");
    HypsaMainWindowLayout->setContentsMargins(11, 11, 11, 11);
    HypsaMainWindowLayout->setSpacing(6);

    glgrid = new GLNPRGrid(central, "glgrid");
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    policy.setHorizontalStretch(1);
    policy.setVerticalStretch(1);
    policy.setHeightForWidth(glgrid->sizePolicy().hasHeightForWidth());
    glgrid->setSizePolicy(policy);
    glgrid->setMinimumSize(300, 200);
    HypsaMainWindowLayout->addWidget(glgrid, 0, 0);

    fileLoadAction = new QAction(this);
    fileLoadAction->setObjectName("fileLoadAction");
    fileExitAction = new QAction(this);
    fileExitAction->setObjectName("fileExitAction");
    multiresolutionTraditionalAction = new QAction(this);
    multiresolutionTraditionalAction->setObjectName("multiresolutionTraditionalAction");
    multiresolutionTraditionalAction->setCheckable(true);
    multiresolutionChaikinAction = new QAction(this);
    multiresolutionChaikinAction->setObjectName("multiresolutionChaikinAction");
    multiresolutionChaikinAction->setCheckable(true);
    multiresolutionChaikinAction->setChecked(true);
    multiresolutionDyn_LevinAction = new QAction(this);
    multiresolutionDyn_LevinAction->setObjectName("multiresolutionDyn_LevinAction");
    multiresolutionDyn_LevinAction->setCheckable(true);
    multiresolutionDyn_LevinAction->setEnabled(false);

    auto* bar = new QMenuBar(this);
    bar->setObjectName("MenuBarEditor");
    setMenuBar(bar);
    fileMenu = new QMenu(this);
    fileMenu->addAction(fileLoadAction);
    fileMenu->addSeparator();
    fileMenu->addAction(fileExitAction);
    bar->addMenu(fileMenu);
    multiresolutionMenu = new QMenu(this);
    multiresolutionMenu->addAction(multiresolutionTraditionalAction);
    multiresolutionMenu->addAction(multiresolutionChaikinAction);
    multiresolutionMenu->addAction(multiresolutionDyn_LevinAction);
    bar->addMenu(multiresolutionMenu);

    languageChange();
    resize(QSize(699, 734).expandedTo(minimumSizeHint()));

    connect(fileExitAction, &QAction::triggered, this, &QWidget::close);
}

void HypsaMainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        languageChange();
    QMainWindow::changeEvent(event);
}

void HypsaMainWindow::languageChange()
{
    setWindowTitle(tr("NPR Hypsa Viewer"));
    fileLoadAction->setText(tr("&Load"));
    fileExitAction->setText(tr("E&xit"));
    multiresolutionTraditionalAction->setText(tr("&Traditional"));
    multiresolutionChaikinAction->setText(tr("&Chaikin"));
    multiresolutionDyn_LevinAction->setText(tr("&Dyn-Levin"));
    fileMenu->setTitle(tr("&File"));
    multiresolutionMenu->setTitle(tr("&Multiresolution"));
}
