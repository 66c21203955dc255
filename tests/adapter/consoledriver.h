#ifndef CONSOLEDRIVER_H
#define CONSOLEDRIVER_H

// Drives the ISDU console as a user does: fills its form and presses "发 送".

#include "adapter/widgat_adapter.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QtTest>

namespace consoledriver {

template <typename T>
T *child(widgat_adapter *console, const char *name)
{
    return console->findChild<T *>(QLatin1String(name));
}

// Returns when the exchange is over.
inline void send(widgat_adapter *console, int operation, int index, int subIndex, int length,
                 const QString &data = QString())
{
    child<QComboBox>(console, "cbox_Control")->setCurrentIndex(operation);
    child<QSpinBox>(console, "sbox_index")->setValue(index);
    child<QSpinBox>(console, "sbox_subIndex")->setValue(subIndex);
    child<QSpinBox>(console, "sbox_length")->setValue(length);
    child<QTextEdit>(console, "textEdit_write")->setPlainText(data);
    QTest::mouseClick(child<QPushButton>(console, "pbtn_send"), Qt::LeftButton);
}

} // namespace consoledriver

#endif // CONSOLEDRIVER_H
