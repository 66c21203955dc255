// Parameter sets on the parameter page against the fixture device on Port2 of
// the virtual adapter: saved from the device, compared with it, written back.

#include "codec/parameterset.h"
#include "description/analyiodd.h"
#include "description/analyioddfile.h"
#include "iodddevice.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "params/parametersetdialog.h"
#include "params/widget_parameter.h"
#include "simhelpers.h"
#include "views/widget_port.h"
#include "virtualadapter.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace {

constexpr int testPort = 1;

const QString fixturePath = HUB8_SOURCE_DIR "/tests/params/fixtures/parameters.xml";

// The fixture's device; reads of chosen indexes fail or answer other octets
// (a read-only value that differs from one device to the next).
struct TestDevice : VirtualDevice
{
    std::unique_ptr<IoddDevice> inner;
    QMap<quint16, quint16> readErrors;
    QMap<quint16, QByteArray> readInstead;
    quint16 vendorId() const override { return inner->vendorId(); }
    quint32 deviceId() const override { return inner->deviceId(); }
    IsduAnswer readIsdu(quint16 index, quint8 sub) override
    {
        if (readErrors.contains(index))
            return IsduAnswer::fail(readErrors.value(index));
        return readInstead.contains(index) ? IsduAnswer::withData(readInstead.value(index))
                                           : inner->readIsdu(index, sub);
    }
    IsduAnswer writeIsdu(quint16 index, quint8 sub, const QByteArray &data) override
    {
        return inner->writeIsdu(index, sub, data);
    }
};

// The ISDU writes the tool sent, each as "<index>/<subindex> <data in hex>".
QStringList mailboxWrites()
{
    QStringList out;
    for (const VirtualAdapter::Exchange &x : VirtualAdapter::instance().log()) {
        const QByteArray &r = x.request, b = r.mid(8, 40);
        if (r.size() >= 48 && r.mid(2, 3) == QByteArray::fromHex("103500") && b[0] == 0x02)
            out << QString("%1/%2 %3")
                       .arg((quint8(b[3]) << 8) | quint8(b[4]))
                       .arg(quint8(b[5]))
                       .arg(QString::fromLatin1(b.mid(7, quint8(b[6])).toHex()));
    }
    return out;
}

// Calls `act` with the first modal window that opens, from inside its own
// event loop (the page reads the device before it shows its dialog).
void onNextModal(QObject *owner, const std::function<void(QWidget *)> &act)
{
    auto *timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, act] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start(10);
}

// One comparison row as the dialog shows it: "<key> <state> <tick>", the tick
// "x" ticked, "-" unticked, " " no tick box.
QStringList dialogRows(QWidget *dialog)
{
    auto *table = dialog->findChild<QTableWidget *>("table_compare");
    QStringList rows;
    for (int i = 0; table && i < table->rowCount(); ++i) {
        const QTableWidgetItem *tick = table->item(i, ParameterSetDialog::tickColumn);
        const QString mark = !(tick->flags() & Qt::ItemIsUserCheckable) ? " "
            : tick->checkState() == Qt::Checked                         ? "x"
                                                                        : "-";
        rows << table->item(i, 2)->text() + " " + table->item(i, ParameterSetDialog::stateColumn)->text() + " " + mark;
    }
    return rows;
}

} // namespace

class tst_parametersets : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    IoddDevice *m_device = nullptr;
    TestDevice *m_test = nullptr;
    widget_Port *m_host = nullptr;
    QPointer<widget_Parameter> m_page;

    bool makePage()
    {
        analyIoddFile description;
        if (description.load(fixturePath) != 0)
            return false;
        m_host = new widget_Port;
        m_page = m_host->createParameterView("SpecialistRoleMenuSet", testPort, description,
                                             analyIODD(fixturePath).readDeviceInfo());
        m_host->show();
        return QTest::qWaitForWindowExposed(m_host) && m_page;
    }
    QString valueText(const QString &label) const
    {
        auto *table = m_page->findChild<QTableWidget *>("table_param");
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 0)->text() == label)
                return table->item(row, 2)->text();
        }
        return "<no row " + label + ">";
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init()
    {
        VirtualAdapter &adapter = VirtualAdapter::instance();
        adapter.reset();
        QString error;
        auto device = IoddDevice::fromFile(fixturePath, QCoreApplication::applicationDirPath() + "/std", &error);
        QVERIFY2(device, qPrintable(error));
        m_device = device.get();
        auto test = std::make_unique<TestDevice>();
        test->inner = std::move(device);
        m_test = test.get();
        adapter.setPort(testPort, VirtualAdapter::Mode::IoLinkOperate, std::move(test));
        adapter.faults().isduLatencyMs = 0;

        QVERIFY(simhelpers::openHubLink()); // a fresh handle for every case
        common::instance()->activePorts = {testPort};
        QVERIFY(m_device->writeIsdu(100, 0, QByteArray::fromHex("0705")).ok()); // High 7, Low 5
        QVERIFY(m_device->writeIsdu(102, 0, QByteArray::fromHex("ff85")).ok()); // Level -12.3
        adapter.clearLog();
    }
    void cleanup()
    {
        delete m_host;
        m_host = nullptr;
    }

    // The commissioning round: save one device's values, change the device,
    // see exactly the changes, write the set back, read back the file's values.
    void saveCompareRestore()
    {
        QVERIFY(makePage());
        m_test->readErrors = {{64, 0x8023}};
        QTest::mouseClick(m_page->findChild<QPushButton *>("pbtn_read"), Qt::LeftButton);
        const QString path = m_dir.filePath("tt1.json");
        QVERIFY(m_page->saveParameterSet(path));
        // Low is listed twice and saved once; the failed read is left out and counted.
        QVERIFY2(m_page->statusText().contains("已保存 5 个值") && m_page->statusText().contains("1 个值没有读到"),
                 qPrintable(m_page->statusText()));

        parameterSet::set saved;
        QString why;
        QVERIFY2(parameterSet::readFile(path, &saved, &why), qPrintable(why));
        QCOMPARE(parameterSet::describe(saved.device), QString("TT-1 (vendorId 77, deviceId 7701)"));
        QCOMPARE(saved.device.ioddFile + " " + saved.device.ioddVersion, QString("parameters.xml V1.0"));
        QStringList entries;
        for (const parameterSet::entry &e : saved.entries)
            entries << e.key() + " " + e.label + " " + e.raw.toHex() + " " + e.value;
        QCOMPARE(entries,
                 (QStringList{"100:1 Low 0705 5", "100:2 High 0705 7", "101:0 Mode 01 Slow", "102:0 Level ff85 -12.3",
                              "103:0 Count 0007 7"}));

        // The device changes: Level by a user, Count (read-only) on its own.
        m_test->readErrors.clear();
        QVERIFY(m_device->writeIsdu(102, 0, QByteArray::fromHex("0064")).ok());
        m_test->readInstead = {{103, QByteArray::fromHex("0009")}};
        VirtualAdapter::instance().clearLog();
        QStringList shown;
        onNextModal(this, [&shown](QWidget *dialog) {
            shown = dialogRows(dialog);
            dialog->findChild<QDialogButtonBox *>("buttons_compare")->button(QDialogButtonBox::Ok)->click();
        });
        m_page->loadParameterSet(path);
        // Only the writable difference is offered and written; it is read back.
        QCOMPARE(
            shown,
            (QStringList{"100:1 相同 -", "100:2 相同 -", "101:0 相同 -", "102:0 不同 x", "103:0 不同（不可写）  "}));
        QCOMPARE(mailboxWrites(), QStringList{"102/0 ff85"});
        QCOMPARE(m_device->readIsdu(102, 0).data.toHex(), QByteArray("ff85"));
        QCOMPARE(valueText("Level"), QString("-12.3"));
        QVERIFY2(m_page->statusText().startsWith("已写入 102: ff 85"), qPrintable(m_page->statusText()));
        QCOMPARE(m_page->unwrittenEdits(), 0);
        QCOMPARE(m_page->compareWithSet(saved).different, 1); // Count stays the device's own
    }

    // Nothing is read or written for a file that is not for this device.
    void foreignOrBrokenFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("named");
        parameterSet::set other;
        other.device = {1484, 7701, "TT-1", "parameters.xml", "V1.0"};
        QTest::newRow("another device") << parameterSet::toJson(
            other) << QStringList{"TT-1 (vendorId 1484, deviceId 7701)", "TT-1 (vendorId 77, deviceId 7701)"};
        QTest::newRow("not a set") << QByteArray(R"({"values": []})") << QStringList{"not a parameter set"};
    }
    void foreignOrBrokenFilesAreRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, named);
        QVERIFY(makePage());
        QString message;
        onNextModal(this, [&message](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            QVERIFY(box);
            message = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        QFile other(m_dir.filePath("other.json"));
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write(content) == content.size());
        other.close();
        m_page->loadParameterSet(other.fileName());
        for (const QString &text : named)
            QVERIFY2(message.contains(text), qPrintable(message));
        QVERIFY(VirtualAdapter::instance().log().isEmpty());
    }
};

QTEST_MAIN(tst_parametersets)
#include "tst_parametersets.moc"
