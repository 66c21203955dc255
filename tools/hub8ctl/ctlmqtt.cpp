#include "ctlmqtt.h"

#include "ctlcommands.h"
#include "ctlexchange.h"

#include "description/datalocations.h"
#include "description/ioddjson.h"
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "mqtt/mqttbrokerurl.h"
#include "mqtt/mqttpublisher.h"

#include <QEventLoop>
#include <QFile>
#include <QProcessEnvironment>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

// How long the broker may take to answer the first CONNECT.
constexpr int firstConnectTimeoutMs = 10000;

struct MqttCommand
{
    QString broker;
    QString clientId;
    QString topicPrefix = QStringLiteral("vanto-hub8");
    QString credentials;
    QString caFile, certFile, keyFile;
    QStringList ioddDirs;
    int minIntervalMs = 200;
    int maxIntervalMs = 10000;
    int pollIntervalMs = 100;
    int pdQos = 1;
    int buffer = 1000;
    int reconnectMaxS = 30;
    bool allowWrites = false;
};

bool parseArgs(const QStringList &args, MqttCommand *c, QString *error)
{
    struct Number
    {
        const char *name;
        int *target;
        int min, max;
    };
    const Number numbers[] = {{"--min-interval", &c->minIntervalMs, 0, 3600000},
                              {"--max-interval", &c->maxIntervalMs, 1, 86400000},
                              {"--poll-interval", &c->pollIntervalMs, 10, 60000},
                              {"--pd-qos", &c->pdQos, 0, 1},
                              {"--buffer", &c->buffer, 1, 1000000},
                              {"--reconnect-max", &c->reconnectMaxS, 1, 3600}};
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--allow-writes")) {
            c->allowWrites = true;
            continue;
        }
        const int eq = a.indexOf(QLatin1Char('='));
        const QString name = a.startsWith(QLatin1String("--")) && eq > 0 ? a.left(eq) : a;
        QString value;
        if (eq > 0 && name != a) {
            value = a.mid(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args.at(++i);
        } else {
            *error = name.startsWith(QLatin1String("--")) ? QStringLiteral("%1 needs a value").arg(name)
                                                          : QStringLiteral("unexpected argument \"%1\"").arg(a);
            return false;
        }
        bool done = false;
        for (const Number &n : numbers) {
            if (name != QLatin1String(n.name))
                continue;
            bool ok = false;
            *n.target = value.toInt(&ok);
            if (!ok || *n.target < n.min || *n.target > n.max) {
                *error = QStringLiteral("%1: expected %2..%3, got \"%4\"").arg(name).arg(n.min).arg(n.max).arg(value);
                return false;
            }
            done = true;
        }
        if (done)
            continue;
        QString *target = name == QLatin1String("--broker") ? &c->broker
            : name == QLatin1String("--client-id")          ? &c->clientId
            : name == QLatin1String("--topic-prefix")       ? &c->topicPrefix
            : name == QLatin1String("--credentials")        ? &c->credentials
            : name == QLatin1String("--cafile")             ? &c->caFile
            : name == QLatin1String("--cert")               ? &c->certFile
            : name == QLatin1String("--key")                ? &c->keyFile
                                                            : nullptr;
        if (name == QLatin1String("--iodd-dir")) {
            c->ioddDirs << value;
            continue;
        }
        if (!target) {
            *error = name.startsWith(QLatin1String("--")) ? QStringLiteral("unknown option %1").arg(name)
                                                          : QStringLiteral("unexpected argument \"%1\"").arg(a);
            return false;
        }
        *target = value;
    }
    if (c->broker.isEmpty()) {
        *error = QStringLiteral("--broker mqtt://HOST[:PORT] is needed");
        return false;
    }
    if (c->certFile.isEmpty() != c->keyFile.isEmpty()) {
        *error = QStringLiteral("--cert and --key go together");
        return false;
    }
    if (c->minIntervalMs > c->maxIntervalMs) {
        *error = QStringLiteral("--min-interval is above --max-interval");
        return false;
    }
    return true;
}

// The user name and password from the file (first line, second line) or
// the environment; false with the reason when the file cannot be read.
bool readCredentials(const QString &path, QString *user, QString *password, QString *error)
{
    if (path.isEmpty()) {
        const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        *user = env.value(QStringLiteral("HUB8_MQTT_USERNAME"));
        if (env.contains(QStringLiteral("HUB8_MQTT_PASSWORD")))
            *password = env.value(QStringLiteral("HUB8_MQTT_PASSWORD"));
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the credentials %1: %2").arg(path, file.errorString());
        return false;
    }
    const QList<QByteArray> lines = file.read(64 * 1024).split('\n');
    *user = QString::fromUtf8(lines.value(0)).remove(QLatin1Char('\r'));
    if (lines.size() > 1)
        *password = QString::fromUtf8(lines.at(1)).remove(QLatin1Char('\r'));
    if (user->isEmpty()) {
        *error = QStringLiteral("%1: the first line (the user name) is empty").arg(path);
        return false;
    }
    return true;
}

} // namespace

int runMqtt(const QString &program, const QStringList &args, QByteArray *output)
{
    const auto say = [&program](int status, const QString &message) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(program), message.toUtf8().constData());
        return status;
    };
    MqttCommand c;
    QString error;
    if (!parseArgs(args, &c, &error))
        return say(CtlExit::usage, QStringLiteral("mqtt: %1 (see --help)").arg(error));
    const std::optional<MqttBrokerAddress> address = parseMqttBrokerUrl(c.broker, &error);
    if (!address)
        return say(CtlExit::noAdapter, QStringLiteral("malformed broker URL \"%1\": %2").arg(c.broker, error));
    if (!address->tls && (!c.caFile.isEmpty() || !c.certFile.isEmpty()))
        return say(CtlExit::usage, QStringLiteral("mqtt: --cafile, --cert and --key need an mqtts:// broker"));
    MqttConnection connection = brokerConnection(*address, c.caFile, c.certFile, c.keyFile);
    connection.reconnectDelayMaxS = c.reconnectMaxS;
    if (!readCredentials(c.credentials, &connection.userName, &connection.password, &error))
        return say(CtlExit::usage, error);

    // The adapter first: its serial number names the client and the topics.
    LinkHub *hub = LinkHub::instance();
    if (!hub->link() || hub->link()->isShutDown())
        delete hub->setLink(new AdapterLink);
    AdapterLink *link = hub->link();
    if (!ctlOpen(link))
        return say(CtlExit::noAdapter,
                   link->lockHolder().isEmpty()
                       ? QStringLiteral("no adapter found")
                       : QStringLiteral("the adapter is in use by %1").arg(link->lockHolder()));
    LinkReply *usb = link->readUsbInfo(nullptr);
    usb->waitForFinished();
    const QString serial = usb->result().usb.serialNumber;
    delete usb;

    MqttPublisherOptions options;
    options.topicPrefix = c.topicPrefix;
    options.adapterSerial = serial;
    options.adapterId = serial.isEmpty() ? QStringLiteral("adapter") : serial;
    options.minIntervalMs = c.minIntervalMs;
    options.maxIntervalMs = c.maxIntervalMs;
    options.pollIntervalMs = c.pollIntervalMs;
    options.processDataQos = c.pdQos;
    options.bufferCapacity = c.buffer;
    options.ioddDirs = c.ioddDirs;
    options.allowWrites = c.allowWrites;
    options.program = program;
    if (options.ioddDirs.isEmpty())
        options.ioddDirs = QStringList{DataLocations::userLibraryDir(), DataLocations::shippedLibraryDir()};
    connection.clientId = c.clientId.isEmpty() ? options.adapterId : c.clientId;

    MqttPublisher publisher(options);
    if (!publisher.start(connection, &error))
        return say(CtlExit::noAdapter, error);

    QEventLoop loop;
    int status = CtlExit::ok;
    bool connectedOnce = false;
    QObject::connect(&publisher, &MqttPublisher::brokerConnected, &loop, [&] { connectedOnce = true; });
    QObject::connect(&publisher, &MqttPublisher::brokerRefused, &loop, [&](const QString &reason) {
        if (connectedOnce || status != CtlExit::ok)
            return; // refused on a reconnect: keeps trying, as after any loss
        say(CtlExit::noAdapter,
            QStringLiteral("the broker %1:%2 refused the connection: %3")
                .arg(address->host)
                .arg(address->port)
                .arg(reason));
        status = CtlExit::noAdapter;
        loop.quit();
    });
    // A broker that drops the connection before accepting it (a client
    // certificate it does not take) would otherwise be retried for ever.
    QObject::connect(&publisher, &MqttPublisher::brokerDisconnected, &loop, [&](const QString &reason) {
        if (connectedOnce || status != CtlExit::ok)
            return;
        say(CtlExit::noAdapter,
            QStringLiteral("the broker %1:%2 closed the connection: %3")
                .arg(address->host)
                .arg(address->port)
                .arg(reason));
        status = CtlExit::noAdapter;
        loop.quit();
    });
    QObject::connect(&publisher, &MqttPublisher::brokerError, &loop, [&](const QString &text) {
        if (connectedOnce || status != CtlExit::ok)
            return;
        say(CtlExit::noAdapter,
            QStringLiteral("cannot connect to %1:%2: %3").arg(address->host).arg(address->port).arg(text));
        status = CtlExit::noAdapter;
        loop.quit();
    });
    QTimer::singleShot(firstConnectTimeoutMs, &loop, [&] {
        if (connectedOnce || status != CtlExit::ok)
            return;
        say(CtlExit::noAdapter,
            QStringLiteral("the broker %1:%2 did not answer the connection").arg(address->host).arg(address->port));
        status = CtlExit::noAdapter;
        loop.quit();
    });
    QObject::connect(&publisher, &MqttPublisher::stopped, &loop, &QEventLoop::quit);

    stopRequested = 0;
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    QTimer signalCheck;
    QObject::connect(&signalCheck, &QTimer::timeout, &loop, [&] {
        if (stopRequested) {
            signalCheck.stop();
            publisher.stop();
        }
    });
    signalCheck.start(50);
    loop.exec();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (status != CtlExit::ok)
        return status;

    IoddJson::Writer w;
    w.beginObject();
    w.value("root", publisher.root());
    w.number("acknowledged", publisher.acknowledged());
    w.number("dropped", publisher.outbox().dropped());
    w.number("unsent", publisher.outbox().size());
    w.endObject();
    *output += w.text() + '\n';
    return CtlExit::ok;
}
