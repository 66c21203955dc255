#ifndef NUMBERVALIDATOR_H
#define NUMBERVALIDATOR_H

#include <QValidator>

// Lets a cell hold only the start of a number while the user types: digits,
// one sign, one point, an exponent. Whether the number fits its item is
// checked when the edit is committed, so "3000" can be typed into a range
// 10..4000 and a float cell never takes "abc".
class NumberValidator : public QValidator
{
    Q_OBJECT

public:
    explicit NumberValidator(bool allowFraction, QObject *parent = nullptr);

    QValidator::State validate(QString &input, int &pos) const override;

private:
    Q_DISABLE_COPY(NumberValidator)

    bool m_allowFraction;
};

#endif // NUMBERVALIDATOR_H
