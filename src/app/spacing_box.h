// The Resolution box: a read-only spin box whose text is the grid's sample
// spacing in metres, with decimals where a spacing is below 10 m and both
// spacings where east-west and north-south differ ("580 x 900 m"). Its value
// stays the whole cell size the view reports.
#ifndef SPACING_BOX_H
#define SPACING_BOX_H

#include <QSpinBox>

// "90", "0.5", "580 x 900" (east-west first, as Width comes before Height);
// whole metres from 10 m up, at most two decimals below, three significant
// digits below 0.1 m.
QString spacingText(double eastWest, double northSouth);

class SpacingBox : public QSpinBox {
public:
    explicit SpacingBox(QWidget* parent);
    void showSpacing(double eastWest, double northSouth);

protected:
    QString textFromValue(int value) const override;
    // The text is no number to read back: the value stays.
    int valueFromText(const QString& text) const override;
    QValidator::State validate(QString& input, int& pos) const override;

private:
    QString text_ = "0";
};

#endif
