#include "portdeviceidentity.h"

#include "link/directparameterpage.h"
#include "link/isduexchange.h"
#include "link/linkexchange.h"
#include "link/linkhub.h"
#include "link/modbuslink.h"
#include "link/portstatusmonitor.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>

namespace {

// The texts of this file, translated in the context "portDeviceIdentity".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(PortDeviceIdentity)
};

// Indices of the device's vendor and product name.
constexpr quint16 vendorNameIndex = 16;
constexpr quint16 productNameIndex = 18;

// A text variable of the device; empty when it does not answer it.
QString readText(ModbusLink *link, int port, quint16 index, const QObject *waiter)
{
    const IsduRequestBlock request = IsduRequestBlock::make(IsduService::read, quint8(port + 1), index, 0, 0);
    const IsduExchange exchange = exchangeIsdu(link, request, waiter, directParameterPollMs, directParameterWaitMs);
    if (!exchange.succeeded())
        return QString();
    QByteArray text = exchange.response.data();
    const int end = text.indexOf('\0');
    if (end >= 0)
        text.truncate(end);
    return QString::fromUtf8(text).trimmed();
}

// "Vendor Product" as far as the device answers; reads nothing after the waiter went away.
QString readName(ModbusLink *link, int port, const QObject *waiter)
{
    const QPointer<const QObject> alive(waiter);
    QStringList names;
    for (quint16 index : {vendorNameIndex, productNameIndex}) {
        const QString name = readText(link, port, index, waiter);
        if (!alive)
            return QString();
        if (!name.isEmpty())
            names << name;
    }
    return names.join(QLatin1Char(' '));
}

} // namespace

DeviceIdentity learnPortDevice(PortStatusMonitor *monitor, int port, const QObject *waiter)
{
    LinkHub *hub = LinkHub::instance();
    ModbusLink *link = hub ? hub->link() : nullptr;
    if (!link || !link->isConnected())
        return DeviceIdentity::unknown(Texts::tr("适配器未连接"));
    if (link->isBusy())
        return DeviceIdentity::unknown(Texts::tr("适配器正忙，未能读取设备身份"));
    const QPointer<const QObject> alive(waiter);

    if (monitor && monitor->statusBlockServed()) {
        // A fresh look, unless the last one waited out the read timeout.
        if (!monitor->adapterSilent())
            monitor->poll();
        if (!monitor->statusBlockServed())
            return learnPortDevice(monitor, port, waiter); // the adapter turned out to have no block
        if (!monitor->adapterAnswers())
            return DeviceIdentity::unknown(Texts::tr("适配器无应答"));
        const PortState state = monitor->states().value(port);
        if (state.vendorId == 0 && state.deviceId == 0)
            return DeviceIdentity::unknown(Texts::tr("端口上没有 IO-Link 设备：%1").arg(portModeText(state.mode)));
        // Starting or lost devices report their ids but answer no requests.
        QString name;
        if (state.mode == AdapterRegisters::ModeIoLinkOperate) {
            const BusyGuard busy(link);
            name = readName(link, port, waiter);
        }
        return alive ? DeviceIdentity::of(state.vendorId, state.deviceId, name) : DeviceIdentity::unknown(QString());
    }

    const BusyGuard busy(link);
    DirectParameters page;
    switch (readDirectParameters(link, port, waiter, &page)) {
    case DirectParameterRead::Read:
        break;
    case DirectParameterRead::NoDevice:
        return DeviceIdentity::unknown(Texts::tr("端口上没有处于 IO-Link 运行状态的设备"));
    case DirectParameterRead::Unclear:
        return DeviceIdentity::unknown(Texts::tr("设备没有回答直接参数页1"));
    case DirectParameterRead::NoAnswer:
        return DeviceIdentity::unknown(Texts::tr("适配器无应答"));
    case DirectParameterRead::Gone:
        return DeviceIdentity::unknown(QString());
    }
    const QString name = readName(link, port, waiter);
    return alive ? DeviceIdentity::of(page.vendorId, page.deviceId, name) : DeviceIdentity::unknown(QString());
}
