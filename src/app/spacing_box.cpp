#include "spacing_box.h"

#include <cmath>

namespace {

QString metres(double m)
{
    if (!(m > 0.0) || !std::isfinite(m))
        return "0";
    if (m >= 9.995)
        return QString::number(std::round(m), 'f', 0);
    // Two decimals, or three significant digits for the finest spacings;
    // trailing zeros go.
    QString text = m >= 0.1 ? QString::number(m, 'f', 2) : QString::number(m, 'f', 2 - int(std::floor(std::log10(m))));
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

} // namespace

QString spacingText(double eastWest, double northSouth)
{
    const QString x = metres(eastWest), y = metres(northSouth);
    return x == y ? y : x + " x " + y;
}

SpacingBox::SpacingBox(QWidget* parent) : QSpinBox(parent)
{
    setSuffix(" m");
}

void SpacingBox::showSpacing(double eastWest, double northSouth)
{
    text_ = spacingText(eastWest, northSouth);
    // Setting the suffix again shows the new text and sizes the box for it.
    setSuffix(suffix());
}

QString SpacingBox::textFromValue(int) const
{
    return text_;
}

int SpacingBox::valueFromText(const QString&) const
{
    return value();
}

QValidator::State SpacingBox::validate(QString& input, int&) const
{
    return input == text_ + suffix() ? QValidator::Acceptable : QValidator::Invalid;
}
