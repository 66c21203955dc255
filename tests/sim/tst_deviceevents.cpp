// Events of a virtual device built from an IODD: its Device Status and Detailed Device Status over time (tst_eventpage
// reads them through the adapter, tst_virtualadapter checks the scenario key that gives them).

#include "iodddevice.h"
#include "testhelpers.h"

#include <QtTest>

using TestHelpers::hex;
using Event = IoddDevice::Options::Event;

namespace {
std::unique_ptr<IoddDevice> device(const QString &path, const QList<Event> &events)
{
    IoddDevice::Options options;
    options.events = events;
    return IoddDevice::fromFile(path, QCoreApplication::applicationDirPath() + "/std", nullptr, options);
}

} // namespace

class tst_deviceevents : public QObject
{
    Q_OBJECT

private slots:
    // In the order they appear, whatever the file's order; a notification as
    // single shot; the worst type present sets the Device Status.
    void eventsOverTime_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("details");
        QTest::newRow("before any") << 0 << 0 << hex("000000 000000 000000 000000");
        QTest::newRow("notification") << 600 << 0 << hex("548C40 000000 000000 000000");
        QTest::newRow("warning from its first ms on") << 1000 << 2 << hex("E44210 000000 000000 000000");
        QTest::newRow("warning and error") << 2500 << 4 << hex("E44210 F47710 000000 000000");
        QTest::newRow("warning over after 2 s") << 3000 << 4 << hex("F47710 000000 000000 000000");
        QTest::newRow("without an end it stays") << 86400000 << 4 << hex("F47710 000000 000000 000000");
    }
    void eventsOverTime()
    {
        QFETCH(int, ms);
        const auto d = device(TestHelpers::builtinDescriptionPath(),
                              {{0x7710, EventType::Error, 2000, -1},
                               {0x4210, EventType::Warning, 1000, 2000},
                               {0x8C40, EventType::Notification, 500, 500}});
        QTEST(int(d->deviceStatus(ms)), "status");
        QTEST(d->detailedDeviceStatus(ms), "details");
    }

    // As many entries as the description gives index 37, else as many as one
    // mailbox response carries.
    void listLength()
    {
        QList<Event> five;
        for (quint16 code : {0x1000, 0x4000, 0x5000, 0x6000, 0x7000})
            five.append({code, EventType::Error, 0, -1});
        const auto restricted = device(HUB8_SOURCE_DIR "/tests/description/fixtures/events.xml", five);
        QCOMPARE(restricted->detailedDeviceStatus(0), hex("F41000 F44000 F45000 F46000"));
        const auto unrestricted = device(HUB8_SOURCE_DIR "/tests/sim/fixtures/iodd-device.xml", five);
        QCOMPARE(unrestricted->detailedDeviceStatus(0).size(), 33);
    }
};

QTEST_MAIN(tst_deviceevents)
#include "tst_deviceevents.moc"
