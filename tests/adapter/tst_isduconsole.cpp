// The ISDU console against the virtual adapter: request blocks, status signals and debug lines, busy flag, input filter.

#include "adapter/widgat_adapter.h"
#include "genericdevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "testhelpers.h"
#include "virtualadapter.h"

#include <QtTest>
#include <QtWidgets>

using testhelpers::hex;

// port -1 chooses none; forced -1 leaves the status to the device.
struct StatusCase
{
    int operation, port, index, forced;
    QString message;
    int result;
};
Q_DECLARE_METATYPE(StatusCase)

class tst_isduconsole : public QObject
{
    Q_OBJECT
    VirtualAdapter &adapter = VirtualAdapter::instance();
    widgat_adapter *console = nullptr;

    template <typename T>
    T *child(const char *name)
    {
        return console->findChild<T *>(QLatin1String(name));
    }

    // Sets the form and presses "发 送"; returns when the exchange is over.
    void send(int operation, int index, int subIndex, int length, const QString &data = QString())
    {
        child<QComboBox>("cbox_Control")->setCurrentIndex(operation);
        child<QSpinBox>("sbox_index")->setValue(index);
        child<QSpinBox>("sbox_subIndex")->setValue(subIndex);
        child<QSpinBox>("sbox_length")->setValue(length);
        child<QTextEdit>("textEdit_write")->setPlainText(data);
        QTest::mouseClick(child<QPushButton>("pbtn_send"), Qt::LeftButton);
        QVERIFY(!common::instance()->modbus->busy && child<QPushButton>("pbtn_send")->isEnabled());
    }

private slots:
    void init()
    {
        adapter.reset();
        adapter.faults().isduLatencyMs = 0;
        adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
        // A fresh link each time: once unplugged, a link stays dead. The hub releases the last one at exit.
        delete std::exchange(common::instance()->modbus, new myModbus);
        QCOMPARE(common::instance()->modbus->openDevice(), 0);
        console = new widgat_adapter;
        console->setPortCount(8);
        console->setPort(0);
    }
    void cleanup() { delete console; }

    void writeRequestBlock_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("data"); // bytes 7.. of the request block
        QTest::newRow("empty field sends one zero byte") << QString() << 5 << QByteArray(33, '\0');
        QTest::newRow("low byte, double space is zero")
            << QStringLiteral("1FF  a") << 3 << hex("ff 00 0a") + QByteArray(30, '\0');
        QTest::newRow("at most 32 data bytes") << QStringLiteral("1 2 3 4 5 6 7 8 9 a b c d e f 0 ").repeated(2)
                + QLatin1Char('e') << 32 << hex("01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 00").repeated(2) + '\0';
    }
    void writeRequestBlock()
    {
        QFETCH(QString, text);
        QFETCH(int, length);
        QFETCH(QByteArray, data);
        console->setPort(2);
        adapter.clearLog();
        send(2, 0x1234, 0x105, length, text);
        QCOMPARE(adapter.isduRequest(), hex("02 03 00 12 34 05") + char(length) + data); // port 3; subindex low byte
        QCOMPARE(adapter.log().size(), 2); // the request, then one read of the response
        QCOMPARE(adapter.log().at(1).request.mid(1, 6), hex("01 03 36 00 00 14"));
    }

    void errorStatuses_data()
    {
        QTest::addColumn<StatusCase>("c");
        QTest::newRow("0x01 busy") << StatusCase{3, 0, 16, 0x01, QStringLiteral("主站忙，指令冲突"), 1};
        QTest::newRow("0x06 no device") << StatusCase{3, 2, 16, -1, QStringLiteral("设备通信失败"), 6};
        QTest::newRow("0x07 no port chosen") << StatusCase{3, -1, 16, -1, QStringLiteral("端口不正确"), 7};
        QTest::newRow("0xFF index unknown") << StatusCase{3, 0, 99, -1, QStringLiteral("从设备应答出错"), 0xFF};
        QTest::newRow("non-standard") << StatusCase{3, 0, 16, 0x2A, QStringLiteral("非标准错误：返回值是：42"), 0x2A};
        QTest::newRow("clear data fails") << StatusCase{1, 0, 0, 0x05, QStringLiteral("指令类型错误"), 2};
    }
    void errorStatuses()
    {
        QFETCH(StatusCase, c);
        child<QComboBox>("cbox_port")->setCurrentIndex(c.port);
        adapter.faults().forcedIsduStatus = c.forced;
        QSignalSpy replies(console, &widgat_adapter::sigReply);
        QTest::ignoreMessage(QtDebugMsg, c.message.toUtf8().constData());
        send(c.operation, c.index, 0, 0);
        QCOMPARE(QList<QVariantList>(replies), (QList<QVariantList>{{c.operation, c.result}}));
        QCOMPARE(child<QComboBox>("cbox_Control")->currentIndex(), c.operation); // no reset on failure
    }

    void clearAndLinkFailuresEndQuietly()
    {
        QSignalSpy replies(console, &widgat_adapter::sigReply);
        QSignalSpy exec(console, &widgat_adapter::sigExec);
        send(1, 16, 3, 9, QStringLiteral("AA"));
        QCOMPARE(adapter.isduRequest(), hex("01 01 00 00 10 03") + QByteArray(34, '\0')); // no length, no data
        QCOMPARE(child<QComboBox>("cbox_Control")->currentText(), QStringLiteral("无操作"));
        for (const char *spin : {"sbox_index", "sbox_subIndex", "sbox_length"})
            QCOMPARE(child<QSpinBox>(spin)->value(), 0);
        QVERIFY(replies.isEmpty() && exec.size() == 1); // only the start

        adapter.faults().unplugged = true;
        send(3, 16, 0, 0);
        QCOMPARE(QList<QVariantList>(replies), (QList<QVariantList>{{3, 0}}));
        QCOMPARE(exec.size(), 3);
        QCOMPARE(adapter.isduRequestCount(), 1); // the clear only

        // Without a link object the button does nothing at all.
        myModbus *link = nullptr;
        std::swap(common::instance()->modbus, link);
        QTest::mouseClick(child<QPushButton>("pbtn_send"), Qt::LeftButton);
        std::swap(common::instance()->modbus, link);
        QCOMPARE(exec.size(), 3);
    }

    void inputFilter()
    {
        auto *edit = child<QTextEdit>("textEdit_write");
        auto moveCursor = [edit](int at) {
            QTextCursor c = edit->textCursor();
            c.setPosition(at);
            edit->setTextCursor(c);
        };
        QTest::keyClicks(edit, QStringLiteral("0g1 fZ-"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->toPlainText(), QStringLiteral("01 f"));
        // A 65th digit is refused, typed at the end or in the middle.
        edit->setPlainText(QString(64, QLatin1Char('a')));
        moveCursor(64);
        QTest::keyClicks(edit, QStringLiteral("b"));
        moveCursor(10);
        QTest::keyClicks(edit, QStringLiteral("C"));
        QCOMPARE(edit->toPlainText(), QString(64, QLatin1Char('a')));

        QClipboard *clipboard = QGuiApplication::clipboard();
        edit->clear();
        clipboard->setText(QStringLiteral("0x1F, 2g\n33\t44 ü"));
        edit->paste();
        QCOMPARE(edit->toPlainText(), QStringLiteral("01F 2 33 44 "));
        // 60 digits in the field, ten pasted in the middle: the first four fit.
        const QString zeros(30, QLatin1Char('0'));
        edit->setPlainText(zeros + zeros);
        moveCursor(30);
        clipboard->setText(QStringLiteral("123456789A"));
        edit->paste();
        QCOMPARE(edit->toPlainText(), zeros + QStringLiteral("1234") + zeros);
        QCOMPARE(edit->textCursor().position(), 34);
    }
};

QTEST_MAIN(tst_isduconsole)
#include "tst_isduconsole.moc"
