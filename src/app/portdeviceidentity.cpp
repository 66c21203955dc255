#include "portdeviceidentity.h"

#include "link/adapterlink.h"
#include "link/deviceidentification.h"
#include "link/directparameterpage.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>

namespace {

// The texts of this file, translated in the context "PortDeviceIdentity".
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(PortDeviceIdentity)
};

// Indices of the device's vendor and product name.
constexpr quint16 vendorNameIndex = 16;
constexpr quint16 productNameIndex = 18;

// One learning, from the first job to `done`; a child of the context, so it
// goes with it, and deleted once it has answered.
class Learner : public QObject
{
public:
    Learner(PortStatusMonitor *monitor, int port, QObject *context, std::function<void(const DeviceIdentity &)> done)
        : QObject(context), m_monitor(monitor), m_port(port), m_done(std::move(done))
    {
    }

    void start()
    {
        AdapterLink *link = this->link();
        if (!link || !link->isConnected()) {
            finish(DeviceIdentity::unknown(Texts::tr("适配器未连接")));
            return;
        }
        if (m_monitor && m_monitor->statusBlockServed()) {
            // A fresh look, unless the last one waited out the read timeout.
            if (m_monitor->adapterSilent()) {
                fromStatusBlock();
                return;
            }
            connect(m_monitor, &PortStatusMonitor::pollFinished, this, [this] {
                disconnect(m_monitor, nullptr, this, nullptr);
                if (!m_monitor->statusBlockServed())
                    fromDirectParameters(); // the adapter turned out to have no block
                else
                    fromStatusBlock();
            });
            if (!m_monitor->isPolling() && m_monitor->poll() != 0) {
                disconnect(m_monitor, nullptr, this, nullptr);
                fromStatusBlock();
            }
            return;
        }
        fromDirectParameters();
    }

private:
    AdapterLink *link() const
    {
        LinkHub *hub = LinkHub::instance();
        return hub ? hub->link() : nullptr;
    }

    void fromStatusBlock()
    {
        if (!m_monitor || !m_monitor->adapterAnswers()) {
            finish(DeviceIdentity::unknown(Texts::tr("适配器无应答")));
            return;
        }
        const PortState state = m_monitor->states().value(m_port);
        if (state.vendorId == 0 && state.deviceId == 0) {
            finish(DeviceIdentity::unknown(Texts::tr("端口上没有 IO-Link 设备：%1").arg(portModeText(state.mode))));
            return;
        }
        m_vendorId = state.vendorId;
        m_deviceId = state.deviceId;
        // Starting or lost devices report their ids but answer no requests.
        if (state.mode == AdapterRegisters::ModeIoLinkOperate)
            readName(vendorNameIndex);
        else
            finish(DeviceIdentity::of(m_vendorId, m_deviceId, QString()));
    }

    void fromDirectParameters()
    {
        AdapterLink *link = this->link();
        if (!link) {
            finish(DeviceIdentity::unknown(Texts::tr("适配器未连接")));
            return;
        }
        LinkReply *reply =
            link->exchangeIsdu(directParameterRequest(m_port), directParameterWaitMs, this, directParameterPollMs);
        connect(reply, &LinkReply::finished, this, [this, reply] {
            DirectParameters page;
            switch (directParametersOf(reply->isdu(), &page)) {
            case DirectParameterRead::Read:
                m_vendorId = page.vendorId;
                m_deviceId = page.deviceId;
                readName(vendorNameIndex);
                return;
            case DirectParameterRead::NoDevice:
                finish(DeviceIdentity::unknown(Texts::tr("端口上没有处于 IO-Link 运行状态的设备")));
                return;
            case DirectParameterRead::Unclear:
                finish(DeviceIdentity::unknown(Texts::tr("设备没有回答直接参数页1")));
                return;
            case DirectParameterRead::NoAnswer:
                finish(DeviceIdentity::unknown(Texts::tr("适配器无应答")));
                return;
            }
        });
    }

    // The vendor name, then the product name, as far as the device answers.
    void readName(quint16 index)
    {
        AdapterLink *link = this->link();
        if (!link) {
            finish(DeviceIdentity::of(m_vendorId, m_deviceId, m_names.join(QLatin1Char(' '))));
            return;
        }
        const IsduRequestBlock request = IsduRequestBlock::make(IsduService::read, quint8(m_port + 1), index, 0, 0);
        LinkReply *reply = link->exchangeIsdu(request, directParameterWaitMs, this, directParameterPollMs);
        connect(reply, &LinkReply::finished, this, [this, reply, index] {
            if (reply->isdu().succeeded()) {
                const QString name = DeviceIdentification::textOf(reply->isdu().response.data());
                if (!name.isEmpty())
                    m_names << name;
            }
            if (index == vendorNameIndex)
                readName(productNameIndex);
            else
                finish(DeviceIdentity::of(m_vendorId, m_deviceId, m_names.join(QLatin1Char(' '))));
        });
    }

    void finish(const DeviceIdentity &identity)
    {
        const auto done = std::move(m_done);
        deleteLater();
        if (done)
            done(identity);
    }

    QPointer<PortStatusMonitor> m_monitor;
    int m_port;
    std::function<void(const DeviceIdentity &)> m_done;
    quint16 m_vendorId = 0;
    quint32 m_deviceId = 0;
    QStringList m_names;
};

} // namespace

void learnPortDevice(PortStatusMonitor *monitor, int port, QObject *context,
                     std::function<void(const DeviceIdentity &)> done)
{
    (new Learner(monitor, port, context, std::move(done)))->start();
}
