#include "myintvalidator.h"

#include "numbercharacters.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

int roundedToInt(double v)
{
    if (!(v == v)) // NaN
        return 0;
    if (v >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(std::lround(v));
}

QString shortest(double v)
{
    return QStringLiteral("%1").arg(v, 0, 'g', QLocale::FloatingPointShortest);
}

} // namespace

myIntValidator::myIntValidator(QObject *parent) : QIntValidator(parent) {}

myIntValidator::myIntValidator(int bottom, int top, QObject *parent) : QIntValidator(bottom, top, parent) {}

void myIntValidator::setRange(double min, double max)
{
    this->min = min;
    this->max = max;
    QIntValidator::setRange(roundedToInt(min), roundedToInt(max));
}

void myIntValidator::setRange(int bottom, int top)
{
    setRange(double(bottom), double(top));
}

QValidator::State myIntValidator::validate(QString &input, int &pos) const
{
    if (input.isEmpty())
        return Intermediate;
    if (!onlyNumberCharacters(input, bottom() < 0))
        return Invalid;
    return QIntValidator::validate(input, pos);
}

void myIntValidator::fixup(QString &input) const
{
    const double value = input.toDouble();
    if (value < min)
        input = shortest(min);
    else if (value > max)
        input = shortest(max);
}
