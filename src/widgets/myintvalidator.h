#ifndef MYINTVALIDATOR_H
#define MYINTVALIDATOR_H

#include <QIntValidator>

// Integer validator for process-data output values. Keeps the range also as
// doubles (min, max) for the fix-up of out-of-range text.
class myIntValidator : public QIntValidator
{
    Q_OBJECT

public:
    explicit myIntValidator(QObject *parent = nullptr);
    myIntValidator(int bottom, int top, QObject *parent = nullptr);

    // Stores min and max and sets the integer range to their rounded values.
    void setRange(double min, double max);
    void setRange(int bottom, int top) override;

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

    double min = 0;
    double max = 0;

private:
    Q_DISABLE_COPY(myIntValidator)
};

#endif // MYINTVALIDATOR_H
