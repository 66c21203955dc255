#ifndef NUMBERCHARACTERS_H
#define NUMBERCHARACTERS_H

#include <QString>

// The character test both number validators make: Latin-1 only, digits and
// ".", and "-" only where the range reaches below zero.
inline bool onlyNumberCharacters(const QString &input, bool minusAllowed)
{
    for (const QChar c : input) {
        if (c.unicode() > 0xFF)
            return false;
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!digit && c != QLatin1Char('.') && !(minusAllowed && c == QLatin1Char('-')))
            return false;
    }
    return true;
}

#endif // NUMBERCHARACTERS_H
