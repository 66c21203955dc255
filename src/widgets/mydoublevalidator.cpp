#include "mydoublevalidator.h"

#include "numbercharacters.h"

#include <QLocale>

myDoubleValidator::myDoubleValidator(QObject *parent) : QDoubleValidator(parent) {}

myDoubleValidator::myDoubleValidator(double bottom, double top, int decimals, QObject *parent)
    : QDoubleValidator(bottom, top, decimals, parent)
{
}

QValidator::State myDoubleValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos)
    // Starts of a number the user is still typing.
    if (input.isEmpty() || input == QLatin1String("0") || input == QLatin1String("0.") || input == QLatin1String("0.0"))
        return Intermediate;
    if (input == QLatin1String("00"))
        return Invalid;

    if (!onlyNumberCharacters(input, bottom() < 0))
        return Invalid;

    if (input.count(QLatin1Char('.')) > 1)
        return Invalid;

    const int point = input.indexOf(QLatin1Char('.'));
    if (point > 0 && input.size() - point - 1 > decimals())
        return Invalid;

    const double value = input.toDouble(); // unparsable text counts as 0
    return (value >= bottom() && value <= top()) ? Acceptable : Invalid;
}

void myDoubleValidator::fixup(QString &input) const
{
    const double value = input.toDouble();
    if (value < bottom())
        input = QStringLiteral("%1").arg(bottom(), 0, 'g', QLocale::FloatingPointShortest);
    else if (value > top())
        input = QStringLiteral("%1").arg(top(), 0, 'g', QLocale::FloatingPointShortest);
}
