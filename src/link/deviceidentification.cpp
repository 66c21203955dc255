#include "deviceidentification.h"

#include "adapterlink.h"
#include "isduexchange.h"
#include "linkhub.h"
#include "linkreply.h"

#include "protocol/isdublock.h"

#include <QObject>

namespace {

constexpr quint16 firstTextIndex = 16; // vendor name
constexpr quint16 lastTextIndex = 21;  // serial number

// One reading, from the page to the last text; a child of the context, so it
// goes with it, and deleted once it has answered.
class IdentificationReader : public QObject
{
public:
    IdentificationReader(int port, QObject *context, std::function<void(const DeviceIdentification &)> done)
        : QObject(context), m_port(port), m_done(std::move(done))
    {
    }

    void start()
    {
        AdapterLink *link = this->link();
        if (!link) {
            finish();
            return;
        }
        LinkReply *reply =
            link->exchangeIsdu(directParameterRequest(m_port), directParameterWaitMs, this, directParameterPollMs);
        connect(reply, &LinkReply::finished, this, [this, reply] {
            const DirectParameterRead read = directParametersOf(reply->isdu(), &m_read.page);
            m_read.pageRead = read == DirectParameterRead::Read;
            // No device in operate, or no adapter: the texts would not come either.
            if (read == DirectParameterRead::NoDevice || read == DirectParameterRead::NoAnswer)
                finish();
            else
                readText(firstTextIndex);
        });
    }

private:
    static AdapterLink *link()
    {
        LinkHub *hub = LinkHub::instance();
        return hub ? hub->link() : nullptr;
    }

    void readText(quint16 index)
    {
        AdapterLink *link = this->link();
        if (!link || index > lastTextIndex) {
            finish();
            return;
        }
        const IsduRequestBlock request = IsduRequestBlock::make(IsduService::read, quint8(m_port + 1), index, 0, 0);
        LinkReply *reply = link->exchangeIsdu(request, directParameterWaitMs, this, directParameterPollMs);
        connect(reply, &LinkReply::finished, this, [this, reply, index] {
            if (reply->isdu().succeeded())
                text(index) = DeviceIdentification::textOf(reply->isdu().response.data());
            readText(quint16(index + 1));
        });
    }

    QString &text(quint16 index)
    {
        switch (index) {
        case 16:
            return m_read.vendorName;
        case 17:
            return m_read.vendorText;
        case 18:
            return m_read.productName;
        case 19:
            return m_read.productId;
        case 20:
            return m_read.productText;
        default:
            return m_read.serialNumber;
        }
    }

    void finish()
    {
        const auto done = std::move(m_done);
        deleteLater();
        if (done)
            done(m_read);
    }

    int m_port;
    std::function<void(const DeviceIdentification &)> m_done;
    DeviceIdentification m_read;
};

} // namespace

QString DeviceIdentification::revisionText() const
{
    return QStringLiteral("%1.%2").arg(page.revisionId >> 4).arg(page.revisionId & 0x0f);
}

QString DeviceIdentification::textOf(const QByteArray &octets)
{
    const int end = octets.indexOf('\0');
    return QString::fromUtf8(end >= 0 ? octets.left(end) : octets).trimmed();
}

void readDeviceIdentification(int port, QObject *context, std::function<void(const DeviceIdentification &)> done)
{
    (new IdentificationReader(port, context, std::move(done)))->start();
}
