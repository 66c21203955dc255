// The parameter page against the virtual adapter: what it reads and writes.

#include "app/iolinkmainwindow.h"
#include "defaultsetup.h"
#include "description/analyioddfile.h"
#include "iodddevice.h"
#include "library/widget_productname.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "params/widget_parameter.h"
#include "views/widget_port.h"
#include "virtualadapter.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

constexpr int testPort = 1;

const QString fixturePath = HUB8_SOURCE_DIR "/tests/params/fixtures/parameters.xml";

// The ISDU request blocks the tool wrote to the mailbox, in order, each as
// "r <index>/<subindex> <length>" or "w <index>/<subindex> <data in hex>".
QStringList mailboxRequests()
{
    QStringList out;
    for (const VirtualAdapter::Exchange &x : VirtualAdapter::instance().log()) {
        const QByteArray &r = x.request;
        // report id, slave, 0x10, register 0x3500, 20 registers, 40 octets
        if (r.size() < 48 || quint8(r[2]) != 0x10 || quint8(r[3]) != 0x35 || quint8(r[4]) != 0x00)
            continue;
        const QByteArray block = r.mid(8, 40);
        const int index = (quint8(block[3]) << 8) | quint8(block[4]), length = quint8(block[6]);
        QString text = QString("%1 %2/%3 ").arg(block[0] == 0x03 ? 'r' : 'w').arg(index).arg(quint8(block[5]));
        if (quint8(block[1]) != testPort + 1)
            text.prepend(QString("port %1: ").arg(quint8(block[1])));
        text += block[0] == 0x03 ? QString::number(length) : QString::fromLatin1(block.mid(7, length).toHex());
        out << text;
    }
    return out;
}

} // namespace

class tst_parameterview : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readAllFillsTheTable();
    void editedValuesReachTheDevice();
    void largeRecordGoesBySubindex();
    void buttonEntrySendsItsCommand();
    void inactivePortSendsNothing();
    void faultDuringReadEndsTheOperation_data();
    void faultDuringReadEndsTheOperation();
    void evenPortHostsTheParameterView();

private:
    widget_Parameter *makePage(const QString &role);
    QTableWidget *table() const { return m_page->findChild<QTableWidget *>(QString("table_param")); }
    QPushButton *button(const char *name) const { return m_page->findChild<QPushButton *>(QLatin1String(name)); }
    int rowOf(const QString &label) const;
    QString valueText(const QString &label) const;
    void typeValue(const QString &label, const QString &text);
    QByteArray deviceValue(quint16 index, quint8 subindex = 0) const;
    void setDeviceValue(quint16 index, quint8 subindex, const char *hex);

    IoddDevice *m_device = nullptr;
    widget_Port *m_host = nullptr;
    QPointer<widget_Parameter> m_page;
};

void tst_parameterview::init()
{
    VirtualAdapter &adapter = VirtualAdapter::instance();
    adapter.reset();
    QString error;
    auto device = IoddDevice::fromFile(fixturePath, QCoreApplication::applicationDirPath() + QString("/std"),
                                       &error);
    QVERIFY2(device, qPrintable(error));
    m_device = device.get();
    adapter.setPort(testPort, VirtualAdapter::Mode::IoLinkOperate, std::move(device));
    adapter.faults().isduLatencyMs = 0;

    common *hub = common::instance();
    if (!hub->modbus)
        hub->modbus = new myModbus;
    hub->modbus->closeDevice();   // a fresh handle for every case
    QCOMPARE(hub->modbus->openDevice(), 0);
    hub->modbus->busy = false;
    hub->activePorts = {testPort};
    adapter.clearLog();
}

void tst_parameterview::cleanup()
{
    delete m_host;
    m_host = nullptr;
}

widget_Parameter *tst_parameterview::makePage(const QString &role)
{
    analyIoddFile description;
    if (description.load(fixturePath) != 0)
        return nullptr;
    m_host = new widget_Port;
    m_page = m_host->createParameterView(role, testPort, description);
    m_host->show();
    if (!QTest::qWaitForWindowExposed(m_host))
        return nullptr;
    return m_page;
}

int tst_parameterview::rowOf(const QString &label) const
{
    for (int row = 0; row < table()->rowCount(); ++row) {
        if (table()->item(row, 0)->text() == label)
            return row;
    }
    return -1;
}

QString tst_parameterview::valueText(const QString &label) const
{
    const int row = rowOf(label);
    if (row < 0)
        return QString("<no row %1>").arg(label);
    if (auto *combo = qobject_cast<QComboBox *>(table()->cellWidget(row, 2)))
        return combo->currentText();
    return table()->item(row, 2)->text();
}

// Types into the cell editor of a line-edit row and commits with Return.
void tst_parameterview::typeValue(const QString &label, const QString &text)
{
    const int row = rowOf(label);
    QVERIFY(row >= 0);
    table()->editItem(table()->item(row, 2));
    const QList<QLineEdit *> editors =
        table()->viewport()->findChildren<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
    QCOMPARE(editors.size(), 1);
    editors.first()->selectAll();
    QTest::keyClicks(editors.first(), text);
    QTest::keyClick(editors.first(), Qt::Key_Return);   // commits on the next turn of the event loop
    QTRY_COMPARE(table()->item(row, 2)->text(), text);
}

QByteArray tst_parameterview::deviceValue(quint16 index, quint8 subindex) const
{
    const IsduAnswer answer = m_device->readIsdu(index, subindex);
    return answer.ok() ? answer.data.toHex() : QByteArray("error");
}

void tst_parameterview::setDeviceValue(quint16 index, quint8 subindex, const char *hex)
{
    QVERIFY(m_device->writeIsdu(index, subindex, QByteArray::fromHex(hex)).ok());
}

void tst_parameterview::readAllFillsTheTable()
{
    QVERIFY(makePage("SpecialistRoleMenuSet"));
    setDeviceValue(100, 0, "0705");     // High 7, Low 5
    setDeviceValue(101, 0, "02");       // Fast
    setDeviceValue(102, 0, "ff85");     // -123, shown scaled by 0.1
    QVERIFY(m_device->writeIsdu(64, 0, QByteArray("hello")).ok());
    const QString initialMode = valueText("Mode");

    // Nothing edited yet: reading the modified entries sends nothing.
    QTest::mouseClick(button("pbtn_read_fix"), Qt::LeftButton);
    QCOMPARE(mailboxRequests(), QStringList());
    QCOMPARE(valueText("Mode"), initialMode);

    QSignalSpy loading(common::instance(), &common::sig_openLoading);
    QTest::mouseClick(button("pbtn_read"), Qt::LeftButton);

    // One read per index and menu: the record's second item comes from the
    // menu's cache, the sub-menu reads the record again, "wo" is never read.
    QCOMPARE(mailboxRequests(),
             (QStringList{"r 100/0 0", "r 101/0 0", "r 102/0 0", "r 64/0 0", "r 103/0 0", "r 100/0 0"}));
    QCOMPARE(loading.size(), 2);
    QVERIFY(loading.at(0).at(0).toBool() && !loading.at(1).at(0).toBool() && !common::instance()->modbus->busy);

    QStringList shown;
    for (const char *label : {"Low", "High", "Mode", "Level", "Name", "Count"})
        shown << valueText(label);
    QCOMPARE(shown, (QStringList{"5", "7", "Fast", "-12.3", "hello", "7"}));
    const int level = rowOf("Level");
    QCOMPARE(table()->item(level, 3)->text() + " " + table()->item(level, 4)->text(), QString("°C 25.0"));

    // The combo box changed from its initial text, which marks its entry
    // modified again: it is the one entry read back.
    VirtualAdapter::instance().clearLog();
    QTest::mouseClick(button("pbtn_read_fix"), Qt::LeftButton);
    QCOMPARE(mailboxRequests(), QStringList{"r 101/0 0"});
}

void tst_parameterview::editedValuesReachTheDevice()
{
    QVERIFY(makePage("SpecialistRoleMenuSet"));
    setDeviceValue(100, 0, "0705");
    setDeviceValue(102, 0, "ff85");
    QVERIFY(m_device->writeIsdu(64, 0, QByteArray("hello")).ok());
    QTest::mouseClick(button("pbtn_read"), Qt::LeftButton);

    typeValue("Level", "-5.5");
    typeValue("High", "200");
    qobject_cast<QComboBox *>(table()->cellWidget(rowOf(QString("Mode")), 2))->setCurrentText(
        QString("Off"));

    VirtualAdapter::instance().clearLog();
    QTest::mouseClick(button("pbtn_write_fix"), Qt::LeftButton);

    // The sub-menu's blocks go first; then one block per index in text order
    // ("64" after "102"). Both items of the 16-bit record travel in one block;
    // unedited "rw" entries are written too, "ro" and "wo" ones never.
    QCOMPARE(mailboxRequests(),
             (QStringList{"w 100/0 0005", "w 100/0 c805", "w 101/0 00", "w 102/0 ffc9", "w 64/0 68656c6c6f"}));

    QCOMPARE(deviceValue(100), QByteArray("c805"));
    QCOMPARE(deviceValue(101), QByteArray("00"));
    QCOMPARE(deviceValue(102), QByteArray("ffc9"));
    QCOMPARE(deviceValue(64), QByteArray("hello").toHex());

    // The write cleared every modified mark.
    VirtualAdapter::instance().clearLog();
    QTest::mouseClick(button("pbtn_read_fix"), Qt::LeftButton);
    QCOMPARE(mailboxRequests(), QStringList());
}

void tst_parameterview::largeRecordGoesBySubindex()
{
    QVERIFY(makePage("ObserverRoleMenuSet"));
    setDeviceValue(110, 1, "000186a0");
    setDeviceValue(110, 2, "1234");
    QTest::mouseClick(button("pbtn_read"), Qt::LeftButton);
    QCOMPARE(mailboxRequests(), (QStringList{"r 102/0 0", "r 110/1 4", "r 110/2 2"}));
    QCOMPARE(valueText("First"), QString("100000"));
    QCOMPARE(valueText("Last"), QString("4660"));
    QCOMPARE(valueText("Level"), QString("25"));

    typeValue("Last", "999");
    VirtualAdapter::instance().clearLog();
    QTest::mouseClick(button("pbtn_write_fix"), Qt::LeftButton);
    // Level is restricted to "ro" by this menu and stays unwritten.
    QCOMPARE(mailboxRequests(), (QStringList{"w 110/1 000186a0", "w 110/2 03e7"}));
    QCOMPARE(deviceValue(110, 2), QByteArray("03e7"));
}

void tst_parameterview::buttonEntrySendsItsCommand()
{
    QVERIFY(makePage("SpecialistRoleMenuSet"));
    setDeviceValue(102, 0, "0001");
    QPushButton *restore = nullptr;
    for (int row = 0; row < table()->rowCount() && !restore; ++row)
        restore = qobject_cast<QPushButton *>(table()->cellWidget(row, 2));
    QVERIFY(restore);

    QTest::mouseClick(restore, Qt::LeftButton);
    QCOMPARE(mailboxRequests(), QStringList{"w 2/0 82"});
    QCOMPARE(deviceValue(102), QByteArray("00fa"));   // back to the default 250
}

void tst_parameterview::inactivePortSendsNothing()
{
    QVERIFY(makePage("SpecialistRoleMenuSet"));
    common::instance()->activePorts = {0, 2};
    QSignalSpy loading(common::instance(), &common::sig_openLoading);
    int clicked = 0;
    for (QPushButton *b : m_page->findChildren<QPushButton *>()) {   // the form's and the entry's buttons
        if (b->isVisible()) {
            QTest::mouseClick(b, Qt::LeftButton);
            ++clicked;
        }
    }
    QCOMPARE(clicked, 4);
    QVERIFY(VirtualAdapter::instance().log().isEmpty());
    QCOMPARE(loading.size(), 0);
}

void tst_parameterview::faultDuringReadEndsTheOperation_data()
{
    QTest::addColumn<bool>("deletePage");
    QTest::newRow("adapter unplugged") << false;
    QTest::newRow("page deleted, as when another port is picked") << true;
}

void tst_parameterview::faultDuringReadEndsTheOperation()
{
    QFETCH(bool, deletePage);
    QVERIFY(makePage("SpecialistRoleMenuSet"));
    QSignalSpy loading(common::instance(), &common::sig_openLoading);
    QTimer::singleShot(300, this, [this, deletePage]() {
        if (!deletePage) {
            VirtualAdapter::instance().faults().unplugged = true;
            return;
        }
        delete m_host;
        m_host = nullptr;
    });
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(button("pbtn_read"), Qt::LeftButton);

    // Six exchanges would take 2.4 s.
    QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(mailboxRequests().size() < 6);
    QCOMPARE(m_page.isNull(), deletePage);
    QVERIFY(!common::instance()->modbus->busy);
    QCOMPARE(loading.size(), 2);
    QCOMPARE(loading.last().at(0).toBool(), false);
}

void tst_parameterview::evenPortHostsTheParameterView()
{
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    applyDefaultSetup(VirtualAdapter::instance());
    IOLinkMainWindow window;
    window.initPortViews(8);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTimer::singleShot(50, this, []() {   // confirms the first device variant
        if (auto *dialog = qobject_cast<widget_productName *>(QApplication::activeModalWidget())) {
            dialog->findChild<QTableWidget *>(QString("table"))->setCurrentCell(0, 0);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QString("pbtn_enter")), Qt::LeftButton);
        }
    });
    auto *tree = window.findChild<QTreeWidget *>(QString("treeWidget"));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                      tree->visualItemRect(tree->topLevelItem(3)).center());

    auto *page = window.findChild<QTabWidget *>(QString("tabWidget"))->widget(3)->findChild<widget_Parameter *>();
    QVERIFY(page);
    QCOMPARE(page->port(), 3);
    QCOMPARE(page->role(), QString("SpecialistRoleMenuSet"));
    auto *params = page->findChild<QTableWidget *>(QString("table_param"));
    QCOMPARE(params->rowCount(), 64);
    QCOMPARE(params->item(0, 0)->text(), QString("Vendor Name"));
}

QTEST_MAIN(tst_parameterview)
#include "tst_parameterview.moc"
