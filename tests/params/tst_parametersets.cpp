// Parameter sets on the parameter page against the fixture device on Port2 of
// the virtual adapter: saved from the device, compared with it, written back.

#include "codec/parameterset.h"
#include "parameterpagedriver.h"
#include "params/parametersetdialog.h"
#include "testhelpers.h"

#include <functional>

using namespace ParameterPageDriver;

namespace {

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
    Device *m_test = nullptr;
    BasicInfoPage *m_host = nullptr;
    QPointer<ParameterPage> m_page;

    bool makePage() { return (m_page = openPage(m_host = new BasicInfoPage, "SpecialistRoleMenuSet")); }

private slots:
    void init() { QVERIFY(m_dir.isValid() && (m_test = setUp())); }
    void cleanup()
    {
        delete m_host;
        m_host = nullptr;
    }

    // A name typed without ".json" is saved with it, and replacing that file is asked about first.
    void savingOverAFileAsksFirst()
    {
        QVERIFY(makePage());
        QTest::mouseClick(m_page->findChild<QPushButton *>("pbtn_read"), Qt::LeftButton);
        QTRY_VERIFY(!m_page->isRunning());
        const QString path = m_dir.filePath("line1.json");
        QVERIFY(TestHelpers::writeFile(path, "kept"));
        m_page->setSaveFileFunction([this](const QString &, const QString &, const QString &) {
            return m_dir.filePath("line1"); // typed without ".json"
        });
        for (const auto button : {QMessageBox::No, QMessageBox::Yes}) {
            QString question;
            onNextModal(this, [button, &question](QWidget *box) {
                if (auto *message = qobject_cast<QMessageBox *>(box)) {
                    question = message->text();
                    message->button(button)->click();
                }
            });
            QTest::mouseClick(m_page->findChild<QPushButton *>("pbtn_saveFile"), Qt::LeftButton);
            QCOMPARE(question, QString("line1.json 已存在。要替换它吗？"));
            QCOMPARE(TestHelpers::readFile(path) == "kept", button == QMessageBox::No);
        }
        QVERIFY(!QFileInfo::exists(m_dir.filePath("line1")));
    }

    // The commissioning round: save one device's values, change the device,
    // see exactly the changes, write the set back, read back the file's values.
    void saveCompareRestore()
    {
        QVERIFY(makePage());
        m_test->readErrors = {{64, 0x8023}};
        QTest::mouseClick(m_page->findChild<QPushButton *>("pbtn_read"), Qt::LeftButton);
        QTRY_VERIFY(!m_page->isRunning());
        const QString path = m_dir.filePath("tt1.json");
        QVERIFY(m_page->saveParameterSet(path));
        // Low is listed twice and saved once; the failed read is left out and counted.
        QVERIFY2(m_page->statusText().contains("已保存 5 个值") && m_page->statusText().contains("1 个值没有读到"),
                 qPrintable(m_page->statusText()));

        ParameterSet::Set saved;
        QString why;
        QVERIFY2(ParameterSet::readFile(path, &saved, &why), qPrintable(why));
        QCOMPARE(ParameterSet::describe(saved.device), QString("TT-1 (vendorId 77, deviceId 7701)"));
        QCOMPARE(saved.device.ioddFile + " " + saved.device.ioddVersion, QString("parameters.xml V1.0"));
        QStringList entries;
        for (const ParameterSet::Entry &e : saved.entries)
            entries << e.key() + " " + e.label + " " + e.raw.toHex() + " " + e.value;
        QCOMPARE(entries,
                 (QStringList{"100:1 Low 0705 5", "100:2 High 0705 7", "101:0 Mode 01 Slow", "102:0 Level ff85 -12.3",
                              "103:0 Count 0007 7"}));

        // The device changes: Level by a user, Count (read-only) on its own.
        m_test->readErrors.clear();
        QVERIFY(m_test->inner->writeIsdu(102, 0, QByteArray::fromHex("0064")).ok());
        m_test->readInstead = {{103, QByteArray::fromHex("0009")}};
        VirtualAdapter::instance().clearLog();
        QStringList shown;
        onNextModal(this, [&shown](QWidget *dialog) {
            shown = dialogRows(dialog);
            dialog->findChild<QDialogButtonBox *>("buttons_compare")->button(QDialogButtonBox::Ok)->click();
        });
        m_page->loadParameterSet(path);
        QTRY_VERIFY(!shown.isEmpty() && !m_page->isRunning());
        QVERIFY(SimHelpers::linkIdle());
        // Only the writable difference is offered and written; it is read back.
        QCOMPARE(
            shown,
            (QStringList{"100:1 相同 -", "100:2 相同 -", "101:0 相同 -", "102:0 不同 x", "103:0 不同（不可写）  "}));
        QCOMPARE(mailboxRequests().filter(QRegularExpression("^w ")), QStringList{"w 102/0 ff85"});
        QCOMPARE(m_test->inner->readIsdu(102, 0).data.toHex(), QByteArray("ff85"));
        QCOMPARE(valueText(m_page, "Level"), QString("-12.3"));
        QVERIFY2(m_page->statusText().startsWith("已写入 Level (102): ff 85"), qPrintable(m_page->statusText()));
        QCOMPARE(m_page->unwrittenEdits(), 0);
        QCOMPARE(m_page->compareWithSet(saved).different, 1); // Count stays the device's own
    }

    // Nothing is read or written for a file that is not for this device, or no set at all.
    void foreignOrBrokenFilesAreRefused()
    {
        ParameterSet::Set other;
        other.device = {1484, 7701, "TT-1", "parameters.xml", "V1.0"};
        const QList<QPair<QByteArray, QStringList>> files{
            {ParameterSet::toJson(other), {"TT-1 (vendorId 1484, deviceId 7701)", "TT-1 (vendorId 77, deviceId 7701)"}},
            {R"({"values": []})", {"not a parameter set"}}};
        for (const auto &[content, named] : files) {
            cleanup();
            QVERIFY(makePage());
            QString message;
            onNextModal(this, [&message](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                QVERIFY(box);
                message = box->text();
                box->button(QMessageBox::Ok)->click();
            });
            QVERIFY(TestHelpers::writeFile(m_dir.filePath("other.json"), content));
            m_page->loadParameterSet(m_dir.filePath("other.json"));
            for (const QString &text : named)
                QVERIFY2(message.contains(text), qPrintable(message));
            QVERIFY(VirtualAdapter::instance().log().isEmpty());
        }
    }
};

QTEST_MAIN(tst_parametersets)
#include "tst_parametersets.moc"
