#ifndef MYDOUBLEVALIDATOR_H
#define MYDOUBLEVALIDATOR_H

#include <QDoubleValidator>

// Validator for numeric cells: only digits, "." and (for a range below 0) "-";
// at most `decimals` digits after the point; the value must lie within
// [bottom, top]. A lone "0", "0." or "0.0" is allowed as a start.
class myDoubleValidator : public QDoubleValidator
{
    Q_OBJECT

public:
    explicit myDoubleValidator(QObject *parent = nullptr);
    myDoubleValidator(double bottom, double top, int decimals, QObject *parent = nullptr);

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

private:
    Q_DISABLE_COPY(myDoubleValidator)
};

#endif // MYDOUBLEVALIDATOR_H
