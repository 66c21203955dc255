#ifndef PROCDATAFIXTURES_H
#define PROCDATAFIXTURES_H

// Hand-made description items, a device with scripted input data, and the
// built-in description, shared by the process-data tests.

#include "description/analyioddfile.h"
#include "link/common.h"
#include "link/mymodbus.h"
#include "virtualadapter.h"

#include <QtTest>

namespace fixtures {

inline QByteArray hex(const char *s)
{
    return QByteArray::fromHex(QByteArray(s).replace(' ', ""));
}

inline valueItem item(const QString &type, const QString &bits, const QString &lower = QString(),
                      const QString &upper = QString(), const QList<valuePair> &entries = {},
                      const QString &subindex = QString(), const QString &label = QString())
{
    valueItem v;
    v.editor.typeName = type;
    v.editor.bitLength = bits;
    v.editor.lowerValue = lower;
    v.editor.upperValue = upper;
    v.editor.entries = entries;
    v.subindex = subindex;
    v.label = label.isEmpty() ? type + subindex : label;
    return v;
}

inline valueItem flag(const QString &subindex, const QList<valuePair> &entries = {{"true", "true"}, {"false", "false"}},
                      const QString &label = QString())
{
    return item(QStringLiteral("BooleanT"), QString(), QString(), QString(), entries, subindex, label);
}

inline treeItem node(int bitLength, const QList<valueItem> &values, const QString &name = QStringLiteral("PD"))
{
    return treeItem{QString::number(bitLength), name, values, {}};
}

// The built-in description's input (in) or output process data.
inline treeItem builtinProcessData(bool in)
{
    analyIoddFile file;
    file.load(QCoreApplication::applicationDirPath()
              + QStringLiteral("/iodd/1484_101101_V1.1_Pellamar-KTX-400A-M12-20240117-IODD1.1/"
                               "Pellamar-KTX-400A-M12-20240117-IODD1.1.xml"));
    return in ? file.processDataIn() : file.processDataOut();
}

// A device whose input process data is whatever the test puts in *input.
class ScriptedDevice : public VirtualDevice
{
public:
    explicit ScriptedDevice(const QByteArray *input) : m_input(input) {}
    quint16 vendorId() const override { return 1484; }
    quint32 deviceId() const override { return 101101; }
    IsduAnswer readIsdu(quint16, quint8) override { return IsduAnswer::fail(isduerror::indexNotAvailable); }
    IsduAnswer writeIsdu(quint16, quint8, const QByteArray &) override { return readIsdu(0, 0); }
    QByteArray processDataIn(qint64) const override { return *m_input; }

private:
    const QByteArray *m_input;
};

// A reset adapter with the scripted device on `port`, the port active and
// the hub's link freshly opened.
inline void setUpAdapter(int port, const QByteArray *input)
{
    VirtualAdapter &adapter = VirtualAdapter::instance();
    adapter.reset();
    common *hub = common::instance();
    if (!hub->modbus)
        hub->modbus = new myModbus;
    hub->modbus->closeDevice();
    QVERIFY(hub->modbus->openDevice() == 0);
    hub->modbus->busy = false;
    hub->activePorts = {port};
    adapter.setPort(port, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<ScriptedDevice>(input));
    adapter.clearLog();
}

// The first bytes of a logged request frame (without the report id).
inline QByteArray frameHead(int logIndex, int bytes)
{
    return VirtualAdapter::instance().log().at(logIndex).request.mid(1, bytes);
}

} // namespace fixtures

#endif // PROCDATAFIXTURES_H
