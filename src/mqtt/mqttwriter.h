#ifndef MQTTWRITER_H
#define MQTTWRITER_H

#include "mqttpayloads.h"

#include "codec/parameterdownload.h"
#include "codec/processdatacodec.h"
#include "protocol/isdublock.h"

#include <QJsonObject>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

class IoddFile;
class LinkReply;
struct IsduExchange;

// The device a write from the broker is meant for, as the publisher knows it.
struct MqttWriteTarget
{
    int port = 0; // 0..7
    MqttDeviceIdentity identity;
    std::shared_ptr<IoddFile> description;
    ProcessDataCodec::Layout out;
    QByteArray currentOut; // the output octets last read
};

// Writes that come from the broker, one after another on the program's link
// (LinkHub), the way the parameter page and the Out port page write: the
// value checked and encoded by the codecs against the device's description,
// the device checked to be the one identified, a parameter change framed by
// ParameterDownload (stored into Data Storage where the description lists
// it), every write in the journal. Writes the window asks the user about
// first follow a fixed policy: process-data outputs go (whoever started the
// publisher with writes allowed has said yes to them), system commands and
// the access locks never go from the broker.
class MqttWriter : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MqttWriter)

public:
    // `program` names the writer in the journal.
    explicit MqttWriter(const QString &program, QObject *parent = nullptr);

    enum class Kind { Parameter, ProcessDataOut };
    // Queues a request (its JSON payload as received); answered() follows.
    void request(Kind kind, const MqttWriteTarget &target, const QByteArray &payload);
    // Answers a request that never reached a device (no device, no
    // description) at once.
    void refuse(int port, const QByteArray &payload, const QString &why);

    // Device Access Locks and System Command: never written from the broker.
    static constexpr quint16 systemCommandIndex = 2;
    static constexpr quint16 accessLocksIndex = 12;

signals:
    // The reply to a request on port 0..7: {"id", "ok", "error", ...}.
    void answered(int port, const QByteArray &reply);

private:
    struct Job;
    void startNext();
    void finish(const QJsonObject &result);
    void fail(const QString &why);
    void checkIdentity();
    void startParameter();
    void startOutput();
    void runDownload();
    void sendIsdu(const IsduRequestBlock &request, const std::function<void(const IsduExchange &)> &then);
    void journal(const QString &kind, int index, int subindex, const QString &label, const QByteArray &before,
                 const QByteArray &after, const QString &outcome);

    QString m_program;
    QList<std::shared_ptr<Job>> m_queue;
    std::shared_ptr<Job> m_job;
};

#endif // MQTTWRITER_H
