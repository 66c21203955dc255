// The ISDU console against the virtual adapter: the request blocks that
// reach the mailbox, what the console shows of the response, the status
// texts, the busy flag on every way out, and the input filter.

#include "adapter/widgat_adapter.h"
#include "genericdevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "virtualadapter.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextEdit>
#include <QtTest>

namespace {
QByteArray hex(const char *s)
{
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}
} // namespace

class tst_isduconsole : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writeRequestBlock_data();
    void writeRequestBlock();
    void readsShownAndRerendered();
    void errorStatuses_data();
    void errorStatuses();
    void clearDataResetsForm();
    void linkFailuresEndQuietly();
    void filterTyping();
    void filterPaste();

private:
    // Sets the form and presses "发 送"; returns when the exchange is over.
    void send(int operation, int index, int subIndex, int length, const QString &data = QString());
    template<typename T> T *child(const char *name) { return console->findChild<T *>(QLatin1String(name)); }

    VirtualAdapter &adapter = VirtualAdapter::instance();
    widgat_adapter *console = nullptr;
};

void tst_isduconsole::init()
{
    adapter.reset();
    adapter.faults().isduLatencyMs = 0;
    adapter.setPort(0, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<GenericDevice>());
    // A fresh link each time: once unplugged, a link stays dead. The hub
    // releases the last one at exit.
    common *hub = common::instance();
    delete hub->modbus;
    hub->modbus = new myModbus;
    QCOMPARE(hub->modbus->openDevice(), 0);

    console = new widgat_adapter;
    console->setPortCount(8);
    console->setPort(0);
}

void tst_isduconsole::cleanup()
{
    delete console;
    console = nullptr;
}

void tst_isduconsole::send(int operation, int index, int subIndex, int length, const QString &data)
{
    child<QComboBox>("cbox_Control")->setCurrentIndex(operation);
    child<QSpinBox>("sbox_index")->setValue(index);
    child<QSpinBox>("sbox_subIndex")->setValue(subIndex);
    child<QSpinBox>("sbox_length")->setValue(length);
    child<QTextEdit>("textEdit_write")->setPlainText(data);
    QTest::mouseClick(child<QPushButton>("pbtn_send"), Qt::LeftButton);
    QVERIFY(!common::instance()->modbus->busy);
    QVERIFY(child<QPushButton>("pbtn_send")->isEnabled());
}

void tst_isduconsole::writeRequestBlock_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("data");   // bytes 7.. of the request block

    QTest::newRow("empty field sends one zero byte") << QString() << 5 << QByteArray(33, '\0');
    QTest::newRow("low byte kept, double space is a zero byte")
        << QStringLiteral("1FF  a") << 3 << hex("ff 00 0a") + QByteArray(30, '\0');
    QString many;
    for (int i = 1; i <= 33; ++i)
        many += QString::number(i % 16, 16) + QLatin1Char(' ');
    QByteArray first32;
    for (int i = 1; i <= 32; ++i)
        first32.append(char(i % 16));
    QTest::newRow("at most 32 data bytes") << many.trimmed() << 32 << first32 + QByteArray(1, '\0');
}

void tst_isduconsole::writeRequestBlock()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QFETCH(QByteArray, data);

    console->setPort(2);
    adapter.clearLog();
    send(2, 0x1234, 0x105, length, text);

    // "Port 3" as preset by setPort; subindex keeps its low byte
    QCOMPARE(adapter.isduRequest(), hex("02 03 00 12 34 05") + char(length) + data);
    QCOMPARE(adapter.log().size(), 2);
    QCOMPARE(adapter.log().at(0).request.mid(1, 7), hex("01 10 35 00 00 14 28"));
    QCOMPARE(adapter.log().at(1).request.mid(1, 6), hex("01 03 36 00 00 14"));
}

void tst_isduconsole::readsShownAndRerendered()
{
    auto *read = child<QTextEdit>("textEdit_read");
    auto *length = child<QSpinBox>("sbox_length");
    QSignalSpy replies(console, &widgat_adapter::sigReply);

    send(2, 24, 0, 4, QStringLiteral("41 42 00 43"));
    QCOMPARE(adapter.isduRequest().left(11), hex("02 01 00 00 18 00 04 41 42 00 43"));
    QVERIFY(read->toPlainText().isEmpty());   // a write shows nothing
    QCOMPARE(length->value(), 0);             // the length a write returns

    send(3, 24, 0, 0);
    QCOMPARE(adapter.isduRequest().left(8), hex("03 01 00 00 18 00 00 00"));
    QCOMPARE(read->toPlainText(), QStringLiteral("41 42 00 43"));
    QCOMPARE(length->value(), 4);

    adapter.faults().forcedIsduStatus = 0x02;   // shown like success
    send(3, 16, 0, 0);
    const QString vendorHex = QStringLiteral("56 61 6E 74 6F 20 53 79 73 74 65 6D 73");
    QCOMPARE(read->toPlainText(), QStringLiteral("41 42 00 43\n") + vendorHex);
    QCOMPARE(length->value(), 13);   // what the device returned, not the 0 requested
    QCOMPARE(replies.size(), 3);
    QCOMPARE(replies.at(2), (QList<QVariant>{3, 2}));

    // Text mode: every read so far again, each up to its first zero byte.
    auto *ascii = child<QCheckBox>("checkBox");
    ascii->setChecked(true);
    QCOMPARE(read->toPlainText(), QStringLiteral("AB\nVanto Systems\n"));
    adapter.faults().forcedIsduStatus = -1;
    send(3, 24, 0, 0);   // a new read in text mode
    QCOMPARE(read->toPlainText(), QStringLiteral("AB\nVanto Systems\n\nAB"));
    ascii->setChecked(false);
    QCOMPARE(read->toPlainText(), QStringLiteral("41 42 00 43\n") + vendorHex + QStringLiteral("\n41 42 00 43\n"));

    QTest::mouseClick(child<QPushButton>("pushButton"), Qt::LeftButton);
    QVERIFY(read->toPlainText().isEmpty());
    ascii->setChecked(true);
    ascii->setChecked(false);
    QVERIFY(read->toPlainText().isEmpty());   // the history went with it
}

void tst_isduconsole::errorStatuses_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("forced");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("result");

    QTest::newRow("0x01 busy") << 3 << 0 << 16 << 0x01 << QStringLiteral("主站忙，指令冲突") << 1;
    QTest::newRow("0x06 no device") << 3 << 2 << 16 << -1 << QStringLiteral("设备通信失败") << 6;
    QTest::newRow("0x07 no port chosen") << 3 << -1 << 16 << -1 << QStringLiteral("端口不正确") << 7;
    QTest::newRow("0xFF index unknown") << 3 << 0 << 99 << -1 << QStringLiteral("从设备应答出错") << 0xFF;
    QTest::newRow("non-standard") << 3 << 0 << 16 << 0x2A << QStringLiteral("非标准错误：返回值是：42") << 0x2A;
    QTest::newRow("clear data fails") << 1 << 0 << 0 << 0x05 << QStringLiteral("指令类型错误") << 2;
}

void tst_isduconsole::errorStatuses()
{
    QFETCH(int, operation);
    QFETCH(int, port);
    QFETCH(int, index);
    QFETCH(int, forced);
    QFETCH(QString, message);
    QFETCH(int, result);

    child<QComboBox>("cbox_port")->setCurrentIndex(port);
    adapter.faults().forcedIsduStatus = forced;
    QSignalSpy replies(console, &widgat_adapter::sigReply);
    QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
    send(operation, index, 0, 0);

    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies.at(0), (QList<QVariant>{operation, result}));
    QVERIFY(child<QTextEdit>("textEdit_read")->toPlainText().isEmpty());
    QCOMPARE(child<QComboBox>("cbox_Control")->currentIndex(), operation);   // no reset on failure
}

void tst_isduconsole::clearDataResetsForm()
{
    QSignalSpy replies(console, &widgat_adapter::sigReply);
    QSignalSpy exec(console, &widgat_adapter::sigExec);
    send(1, 16, 3, 9, QStringLiteral("AA"));

    QCOMPARE(adapter.isduRequest(), hex("01 01 00 00 10 03") + QByteArray(34, '\0'));   // no length, no data
    QCOMPARE(child<QComboBox>("cbox_Control")->currentText(), QStringLiteral("无操作"));
    QCOMPARE(child<QSpinBox>("sbox_index")->value(), 0);
    QCOMPARE(child<QSpinBox>("sbox_subIndex")->value(), 0);
    QCOMPARE(child<QSpinBox>("sbox_length")->value(), 0);
    QVERIFY(replies.isEmpty());
    QCOMPARE(exec.size(), 1);   // only the start
}

void tst_isduconsole::linkFailuresEndQuietly()
{
    QSignalSpy replies(console, &widgat_adapter::sigReply);
    QSignalSpy exec(console, &widgat_adapter::sigExec);

    adapter.faults().unplugged = true;
    send(3, 16, 0, 0);
    QCOMPARE(replies.size(), 1);
    QCOMPARE(replies.at(0), (QList<QVariant>{3, 0}));
    QCOMPARE(exec.size(), 2);
    QVERIFY(child<QTextEdit>("textEdit_read")->toPlainText().isEmpty());
    QCOMPARE(adapter.isduRequestCount(), 0);

    // Without a link object the button does nothing at all.
    common *hub = common::instance();
    myModbus *link = hub->modbus;
    hub->modbus = nullptr;
    QTest::mouseClick(child<QPushButton>("pbtn_send"), Qt::LeftButton);
    hub->modbus = link;
    QCOMPARE(exec.size(), 2);
}

void tst_isduconsole::filterTyping()
{
    auto *edit = child<QTextEdit>("textEdit_write");
    QTest::keyClicks(edit, QStringLiteral("0g1 fZ-"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("01 f"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->toPlainText(), QStringLiteral("01 f"));

    edit->clear();
    QTest::keyClicks(edit, QString(64, QLatin1Char('a')));
    QTest::keyClicks(edit, QStringLiteral("b"));
    QCOMPARE(edit->toPlainText(), QString(64, QLatin1Char('a')));
    // a 65th digit typed in the middle goes, not the last one
    QTextCursor c = edit->textCursor();
    c.setPosition(10);
    edit->setTextCursor(c);
    QTest::keyClicks(edit, QStringLiteral("C"));
    QCOMPARE(edit->toPlainText(), QString(64, QLatin1Char('a')));
}

void tst_isduconsole::filterPaste()
{
    auto *edit = child<QTextEdit>("textEdit_write");
    QClipboard *clipboard = QGuiApplication::clipboard();

    clipboard->setText(QStringLiteral("0x1F, 2g\n33\t44 ü"));
    edit->paste();
    QCOMPARE(edit->toPlainText(), QStringLiteral("01F 2 33 44 "));

    // 60 digits in the field, ten pasted in the middle: the first four fit.
    edit->setPlainText(QString(60, QLatin1Char('0')));
    QTextCursor c = edit->textCursor();
    c.setPosition(30);
    edit->setTextCursor(c);
    clipboard->setText(QStringLiteral("123456789A"));
    edit->paste();
    QCOMPARE(edit->toPlainText(), QString(30, QLatin1Char('0')) + QStringLiteral("1234") + QString(30, QLatin1Char('0')));
    QCOMPARE(edit->textCursor().position(), 34);
}

QTEST_MAIN(tst_isduconsole)
#include "tst_isduconsole.moc"
