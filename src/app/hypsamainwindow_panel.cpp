// The control panel below the view: check boxes, size boxes, threshold
// slider, the lines box, the three buttons, the light box, and the four view
// sliders.
#include "hypsamainwindow.h"

#include "jgrid.h"
#include "map_lines.h"
#include "spacing_box.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QDoubleSpinBox>
#include <QSpinBox>

namespace {

// Every box layout of the panel: no parent widget, margin 0, spacing 6.
template <typename Box>
Box* makeBox(const char* name)
{
    auto* box = new Box;
    box->setObjectName(name);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(6);
    return box;
}

QSlider* makeSlider(QWidget* parent, const char* name, int maximum, int value, Qt::Orientation orientation)
{
    auto* slider = new QSlider(parent);
    slider->setObjectName(name);
    slider->setMaximum(maximum);
    slider->setValue(value);
    slider->setOrientation(orientation);
    return slider;
}

QSpinBox* makeSpinBox(QWidget* parent, const char* name, int minimum, int maximum, int value)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setMaximum(maximum);
    box->setMinimum(minimum);
    box->setValue(value);
    return box;
}

// The size and resolution boxes show the grid; typing into them would
// change only the number shown.
void makeReadOnly(QSpinBox* box)
{
    box->setReadOnly(true);
    box->setButtonSymbols(QAbstractSpinBox::NoButtons);
}

QLabel* makeLabel(QWidget* parent, const char* name, Qt::Alignment alignment = {})
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    if (alignment)
        label->setAlignment(alignment);
    return label;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, bool checked)
{
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    return button;
}

} // namespace

void HypsaMainWindow::buildViewSliders()
{
    QWidget* central = centralWidget();
    layout5 = makeBox<QVBoxLayout>("layout5");
    slider1 = makeSlider(central, "slider1", 359, 0, Qt::Horizontal);
    layout5->addWidget(slider1);
    slider2 = makeSlider(central, "slider2", 359, 0, Qt::Horizontal);
    layout5->addWidget(slider2);
    slider3 = makeSlider(central, "slider3", 359, 0, Qt::Horizontal);
    layout5->addWidget(slider3);
    slider4 = makeSlider(central, "slider4", 100, 10, Qt::Horizontal);
    slider4->setPageStep(0);
    layout5->addWidget(slider4);
    HypsaMainWindowLayout->addLayout(layout5, 2, 0);
}

void HypsaMainWindow::buildControlPanel()
{
    QWidget* central = centralWidget();
    const Qt::Alignment rightCentred = Qt::AlignRight | Qt::AlignVCenter;
    layout15 = makeBox<QHBoxLayout>("layout15");
    layout10 = makeBox<QVBoxLayout>("layout10");

    layout10_2 = makeBox<QHBoxLayout>("layout10_2");
    silhouettesCB = makeCheckBox(central, "silhouettesCB", true);
    layout10_2->addWidget(silhouettesCB);
    lightsilCB = makeCheckBox(central, "lightsilCB", false);
    layout10_2->addWidget(lightsilCB);
    lockCBox = makeCheckBox(central, "lockCBox", false);
    layout10_2->addWidget(lockCBox);
    curvatureCB = makeCheckBox(central, "curvatureCB", false);
    layout10_2->addWidget(curvatureCB);
    layout10->addLayout(layout10_2);

    layout11 = makeBox<QHBoxLayout>("layout11");
    widthTextLabel = makeLabel(central, "widthTextLabel", rightCentred);
    layout11->addWidget(widthTextLabel);
    // Up to the sample limit: a grid may be that long in one direction.
    const int longest = int(JGrid::maxSamples);
    grid1WidthSpinBox = makeSpinBox(central, "grid1WidthSpinBox", 0, longest, 0);
    makeReadOnly(grid1WidthSpinBox);
    layout11->addWidget(grid1WidthSpinBox);
    heightTextLabel = makeLabel(central, "heightTextLabel", rightCentred);
    layout11->addWidget(heightTextLabel);
    grid1HeightSpinBox = makeSpinBox(central, "grid1HeightSpinBox", 0, longest, 0);
    makeReadOnly(grid1HeightSpinBox);
    layout11->addWidget(grid1HeightSpinBox);
    textLabel1 = makeLabel(central, "textLabel1", rightCentred);
    layout11->addWidget(textLabel1);
    grid1FrequencySB = new SpacingBox(central);
    grid1FrequencySB->setObjectName("grid1FrequencySB");
    grid1FrequencySB->setMaximum(2000);
    grid1FrequencySB->setEnabled(true);
    makeReadOnly(grid1FrequencySB);
    layout11->addWidget(grid1FrequencySB);
    layout10->addLayout(layout11);

    layout13 = makeBox<QHBoxLayout>("layout13");
    silthreshlabel = makeLabel(central, "silthreshlabel");
    silthreshlabel->setEnabled(true);
    layout13->addWidget(silthreshlabel);
    slider6 = makeSlider(central, "slider6", 100, 20, Qt::Horizontal);
    layout13->addWidget(slider6);
    layout10->addLayout(layout13);

    // Vertical exaggeration of the drawing: flat country becomes readable.
    // It shares the threshold's row, so that the lines box below fits in
    // the height the buttons beside take anyway.
    auto* exaggerationRow = makeBox<QHBoxLayout>("exaggerationLayout");
    exaggerationLabel = makeLabel(central, "exaggerationLabel");
    exaggerationRow->addWidget(exaggerationLabel);
    exaggerationSB = new QDoubleSpinBox(central);
    exaggerationSB->setObjectName("exaggerationSB");
    exaggerationSB->setRange(0.1, 50.0);
    exaggerationSB->setSingleStep(0.1);
    exaggerationSB->setDecimals(1);
    exaggerationSB->setValue(1.0);
    exaggerationRow->addWidget(exaggerationSB);
    layout13->addLayout(exaggerationRow);
    buildLinesBox();
    layout10->addWidget(linesGB);
    layout15->addLayout(layout10);

    layout14 = makeBox<QVBoxLayout>("layout14");
    refineButton = makeButton(central, "refineButton");
    refineButton->setMaximumSize(50, 32767);
    refineButton->setIcon(refineImage);
    refineButton->setIconSize(QSize(40, 40));
    layout14->addWidget(refineButton);
    coarsenButton = makeButton(central, "coarsenButton");
    coarsenButton->setMaximumSize(50, 32767);
    coarsenButton->setIcon(coarsenImage);
    coarsenButton->setIconSize(QSize(40, 40));
    layout14->addWidget(coarsenButton);
    pushButton3 = makeButton(central, "pushButton3");
    layout14->addWidget(pushButton3);
    layout15->addLayout(layout14);

    buildLightBox();
    layout15->addWidget(LightGB);
    HypsaMainWindowLayout->addLayout(layout15, 1, 0);
}

namespace {

// A box of metres or height units where 0 means "automatic".
QDoubleSpinBox* makeAutomaticBox(QWidget* parent, const char* name, int decimals)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(0.0, 100000.0);
    box->setDecimals(decimals);
    box->setValue(0.0);
    box->setSpecialValueText("auto");
    box->setMaximumWidth(80);
    return box;
}

} // namespace

void HypsaMainWindow::buildLinesBox()
{
    linesGB = new QGroupBox(centralWidget());
    linesGB->setObjectName("linesGB");
    linesGB->setFlat(true);
    // The map lines on one row, the lines of the surface's curvature on a
    // second one.
    auto* rows = new QVBoxLayout(linesGB);
    rows->setSpacing(0);
    rows->setContentsMargins(6, 0, 0, 0);
    auto* row = makeBox<QHBoxLayout>("mapLinesLayout");
    contoursCB = makeCheckBox(linesGB, "contoursCB", false);
    row->addWidget(contoursCB);
    contourIntervalSB = makeAutomaticBox(linesGB, "contourIntervalSB", 2);
    row->addWidget(contourIntervalSB);
    profilesCB = makeCheckBox(linesGB, "profilesCB", false);
    row->addWidget(profilesCB);
    profileCountSB = makeSpinBox(linesGB, "profileCountSB", 1, maxProfileCount, MapLineSettings().profileCount);
    profileCountSB->setMaximumWidth(60);
    row->addWidget(profileCountSB);
    hachuresCB = makeCheckBox(linesGB, "hachuresCB", false);
    row->addWidget(hachuresCB);
    hachureSpacingSB = makeAutomaticBox(linesGB, "hachureSpacingSB", 1);
    row->addWidget(hachureSpacingSB);
    rows->addLayout(row);

    const MapLineSettings start;
    auto* surfaceRow = makeBox<QHBoxLayout>("surfaceLinesLayout");
    ridgesCB = makeCheckBox(linesGB, "ridgesCB", false);
    surfaceRow->addWidget(ridgesCB);
    valleysCB = makeCheckBox(linesGB, "valleysCB", false);
    surfaceRow->addWidget(valleysCB);
    ridgeThresholdSlider = makeSlider(linesGB, "ridgeThresholdSlider", 100, start.ridgeThreshold, Qt::Horizontal);
    surfaceRow->addWidget(ridgeThresholdSlider);
    suggestiveCB = makeCheckBox(linesGB, "suggestiveCB", false);
    surfaceRow->addWidget(suggestiveCB);
    highlightsCB = makeCheckBox(linesGB, "highlightsCB", false);
    surfaceRow->addWidget(highlightsCB);
    suggestiveThresholdSlider =
        makeSlider(linesGB, "suggestiveThresholdSlider", 100, start.suggestiveThreshold, Qt::Horizontal);
    surfaceRow->addWidget(suggestiveThresholdSlider);
    rows->addLayout(surfaceRow);
}

void HypsaMainWindow::buildLightBox()
{
    LightGB = new QGroupBox(centralWidget());
    LightGB->setObjectName("LightGB");
    LightGB->setEnabled(false);
    LightGB->setSizePolicy(QSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum));
    LightGB->setMaximumSize(200, 125);
    auto* column = new QVBoxLayout(LightGB);
    column->setSpacing(6);
    column->setContentsMargins(11, 11, 11, 11);
    auto* inner = makeBox<QVBoxLayout>("LightGBLayout");
    inner->setAlignment(Qt::AlignTop);
    column->addLayout(inner);

    layout10_3 = makeBox<QHBoxLayout>("layout10_3");
    layout9 = makeBox<QVBoxLayout>("layout9");
    const auto addLightRow = [this](const char* layoutName, const char* labelName, QLabel*& label,
                                    const char* boxName, QSpinBox*& box) {
        QHBoxLayout* row = makeBox<QHBoxLayout>(layoutName);
        label = makeLabel(LightGB, labelName);
        row->addWidget(label);
        box = makeSpinBox(LightGB, boxName, -10000, 10000, 1000);
        row->addWidget(box);
        layout9->addLayout(row);
        return row;
    };
    layout6 = addLightRow("layout6", "textLabel1_2", textLabel1_2, "lightXSBox", lightXSBox);
    layout7 = addLightRow("layout7", "textLabel2", textLabel2, "lightYSBox", lightYSBox);
    layout8 = addLightRow("layout8", "textLabel3", textLabel3, "lightZSBox", lightZSBox);
    layout10_3->addLayout(layout9);
    lightSilThreshSlider = makeSlider(LightGB, "lightSilThreshSlider", 100, 20, Qt::Vertical);
    layout10_3->addWidget(lightSilThreshSlider);
    inner->addLayout(layout10_3);
}
