#include "numbervalidator.h"

#include <QRegularExpression>

NumberValidator::NumberValidator(bool allowFraction, QObject *parent)
    : QValidator(parent), m_allowFraction(allowFraction)
{
}

QValidator::State NumberValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos)
    // Whole: a complete number. Start: what can still become one.
    static const QRegularExpression whole(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    static const QRegularExpression start(QStringLiteral("^\\s*[+-]?(\\d*\\.?\\d*)([eE][+-]?\\d*)?\\s*$"));
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    static const QRegularExpression integerStart(QStringLiteral("^\\s*[+-]?\\d*\\s*$"));
    if (m_allowFraction) {
        if (whole.match(input).hasMatch())
            return Acceptable;
        return start.match(input).hasMatch() ? Intermediate : Invalid;
    }
    if (integer.match(input).hasMatch())
        return Acceptable;
    return integerStart.match(input).hasMatch() ? Intermediate : Invalid;
}
