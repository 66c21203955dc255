#pragma once

#include "description/ioddfile.h"
#include "simhelpers.h"
#include "testhelpers.h"

#include <QtTest>

namespace ProcDataFixtures {

using TestHelpers::hex;

inline ValueItem item(const QString &type, const QString &bits, const QString &lower = {}, const QString &upper = {},
                      const QList<ValuePair> &entries = {}, const QString &subindex = {})
{
    ValueItem v;
    v.editor.typeName = type;
    v.editor.bitLength = bits;
    v.editor.lowerValue = lower;
    v.editor.upperValue = upper;
    v.editor.entries = entries;
    v.subindex = subindex;
    v.label = type + subindex;
    return v;
}

inline ValueItem flag(const QString &subindex, const QList<ValuePair> &entries = {{"true", "true"}, {"false", "false"}})
{
    return item("BooleanT", {}, {}, {}, entries, subindex);
}

// The item at a bit offset, optionally scaled with a unit.
inline ValueItem at(ValueItem v, int bitOffset, const QString &gradient = {}, const QString &unit = {})
{
    v.editor.bitOffset = QString::number(bitOffset);
    v.gradient = gradient;
    v.unit = unit;
    return v;
}

inline TreeItem node(int bits, QList<ValueItem> v, QString name = "PD")
{
    TreeItem n;
    n.text = QString::number(bits);
    n.name = name;
    n.values = v;
    return n;
}

inline TreeItem builtinProcessData(bool in)
{
    IoddFile file;
    file.load(TestHelpers::builtinDescriptionPath());
    return in ? file.processDataIn() : file.processDataOut();
}

// Its input process data is whatever the test puts in *input.
class ScriptedDevice : public VirtualDevice
{
public:
    explicit ScriptedDevice(const QByteArray *input) : m_input(input) {}
    quint16 vendorId() const override { return 1484; }
    quint32 deviceId() const override { return 101101; }
    IsduAnswer readIsdu(quint16, quint8) override { return IsduAnswer::fail(IsduError::indexNotAvailable); }
    IsduAnswer writeIsdu(quint16, quint8, const QByteArray &) override { return readIsdu(0, 0); }
    QByteArray processDataIn(qint64) const override { return *m_input; }

private:
    const QByteArray *m_input;
};

// A reset adapter, the scripted device on the only active port, a fresh link.
inline void setUpAdapter(int port, const QByteArray *input)
{
    VirtualAdapter &adapter = VirtualAdapter::instance();
    adapter.reset();
    QVERIFY(SimHelpers::openHubLink());
    LinkHub::instance()->setActivePorts({port});
    adapter.setPort(port, VirtualAdapter::Mode::IoLinkOperate, std::make_unique<ScriptedDevice>(input));
    adapter.clearLog();
}

// The first bytes of a logged request frame, without the report id.
inline QByteArray frameHead(int i, int bytes)
{
    return VirtualAdapter::instance().log().at(i).request.mid(1, bytes);
}

} // namespace ProcDataFixtures
