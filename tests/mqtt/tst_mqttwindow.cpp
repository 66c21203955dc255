// The window's MQTT publisher on a mosquitto broker of the test's own: started from the tool bar's button
// through its dialog, it publishes on the window's link (the adapter is not opened twice) what hub8ctl mqtt
// does, and says where; stopped, it says "offline". Bad settings never reach the broker.

#include "brokerfixture.h"
#include "defaultsetup.h"
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "virtualadapter.h"
#include "windowdriver.h"

#include "app/mqttdialog.h"

#include <QtTest>
#include <QtWidgets>

using namespace BrokerFixture;
using WindowDriver::find;

class tst_mqttwindow : public QObject, WindowDriver::Session
{
    Q_OBJECT
    QTemporaryDir m_dir;

    // Clicks the tool bar's MQTT button and answers its dialog with `broker`; the problem the dialog showed,
    // empty when it took the settings.
    QString startFromToolBar(const QString &broker)
    {
        QString problem = "no dialog";
        WindowDriver::onModal<MqttDialog>(this, [&](MqttDialog *dialog) {
            find<QLineEdit>(dialog, "edit_broker")->setText(broker);
            dialog->accept();
            problem = find<QLabel>(dialog, "label_problem")->isVisible() ? find<QLabel>(dialog, "label_problem")->text()
                                                                         : QString();
            if (!problem.isEmpty())
                dialog->reject();
        });
        QTest::mouseClick(find<QPushButton>(window, "pbtn_mqtt"), Qt::LeftButton);
        return problem;
    }
    QString state() const { return find<QLabel>(window, "label_mqttStatus")->toolTip(); }

private slots:
    void initTestCase()
    {
        if (mosquittoPath().isEmpty())
            QSKIP("mosquitto is not installed (scripts/test.sh installs it)");
        QDir::setCurrent(QCoreApplication::applicationDirPath());
    }
    void init()
    {
        applyDefaultSetup(VirtualAdapter::instance());
        VirtualAdapter::instance().faults().isduLatencyMs = 0;
        QVERIFY(reopen());
    }
    void cleanup() { closeWindow(); }

    void publishesFromTheToolBar()
    {
        Broker broker(m_dir.path());
        QVERIFY2(broker.start("allow_anonymous true"), qPrintable(broker.log()));
        Subscriber subscriber(plainConnection(broker.port(), "watcher"), "vanto-hub8/#");
        QVERIFY2(subscriber.open(), qPrintable(broker.log()));
        const AdapterLink *link = LinkHub::instance()->link();

        // A malformed address stays in the dialog and starts nothing; a broker that is not there says so at
        // once, and the button is released.
        QVERIFY(startFromToolBar("http://127.0.0.1").startsWith("代理地址无效"));
        QVERIFY(!find<QPushButton>(window, "pbtn_mqtt")->isChecked());
        QCOMPARE(startFromToolBar(QString("mqtt://127.0.0.1:%1").arg(freePort())), QString());
        QTRY_VERIFY_WITH_TIMEOUT(state().startsWith("无法连接 127.0.0.1:"), 3000);
        QVERIFY(!find<QPushButton>(window, "pbtn_mqtt")->isChecked());

        QCOMPARE(startFromToolBar(QString("mqtt://127.0.0.1:%1").arg(broker.port())), QString());
        QTRY_COMPARE_WITH_TIMEOUT(state(), QString("正在发布到 127.0.0.1:%1").arg(broker.port()), 5000);
        QVERIFY(find<QPushButton>(window, "pbtn_mqtt")->isChecked());
        const Message online = subscriber.waitFor("publisher/state");
        QCOMPARE(online.json().value("state").toString(), "online");
        // The built-in device on Port2, identified and decoded as hub8ctl mqtt does.
        const Message identity = subscriber.waitFor("port2/device/identification");
        QCOMPARE(identity.json().value("vendorId").toInt(), 1484);
        // Its description found through the window's library index.
        QVERIFY(identity.json().value("description").toString().startsWith("Pellamar-KTX-400A-M12"));
        QVERIFY(identity.retained || identity.qos == 1);
        QVERIFY(!subscriber.waitFor("port2/device/processdata/in").json().value("values").toObject().isEmpty());
        QVERIFY(online.topic.startsWith("vanto-hub8/VH8-"));
        QVERIFY(LinkHub::instance()->link() == link && link->isOpen()); // the window's link, not one of its own

        // Stopped from the same button: the broker hears "offline", the button is released.
        QTest::mouseClick(find<QPushButton>(window, "pbtn_mqtt"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(subscriber.on("publisher/state").last().json().value("state").toString(), "offline",
                                  5000);
        QTRY_COMPARE(state(), "已停止");
        QVERIFY(!find<QPushButton>(window, "pbtn_mqtt")->isChecked());
        // The settings come back, the password does not.
        QCOMPARE(QSettings().value("mqtt/broker").toString(), QString("mqtt://127.0.0.1:%1").arg(broker.port()));
        QVERIFY(!QSettings().contains("mqtt/password"));
    }
};

QTEST_MAIN(tst_mqttwindow)
#include "tst_mqttwindow.moc"
