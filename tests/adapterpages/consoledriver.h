#ifndef CONSOLEDRIVER_H
#define CONSOLEDRIVER_H

// Drives the ISDU console as a user does: fills its form and presses "发 送".

#include "adapterpages/isduconsole.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTextEdit>
#include <QtTest>

namespace ConsoleDriver {

// A test's console for eight ports, Port1 chosen; made by open(), deleted by close().
struct Console
{
    IsduConsole *console = nullptr;

    void open()
    {
        console = new IsduConsole;
        console->setPortCount(8);
        console->setPort(0);
    }
    void close() { delete std::exchange(console, nullptr); }
    template <typename T>
    T *child(const char *name) const
    {
        return console->findChild<T *>(QLatin1String(name));
    }
    // Returns when the exchange is over.
    void send(int operation, int index, int subIndex, int length, const QString &data = QString()) const
    {
        child<QComboBox>("cbox_Control")->setCurrentIndex(operation);
        child<QSpinBox>("sbox_index")->setValue(index);
        child<QSpinBox>("sbox_subIndex")->setValue(subIndex);
        child<QSpinBox>("sbox_length")->setValue(length);
        child<QTextEdit>("textEdit_write")->setPlainText(data);
        QTest::mouseClick(child<QPushButton>("pbtn_send"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>("pbtn_send")->isEnabled(), 5000);
    }
};

} // namespace ConsoleDriver

#endif // CONSOLEDRIVER_H
