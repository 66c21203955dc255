// The MQTT publisher under load, against a mosquitto broker of the bench's own
// on a free loopback port: first one hub8ctl-sim with the built-in device on
// all eight ports, then a fleet of them, each with its own virtual adapter,
// client id and topic prefix, into the one broker.
//
//   bench-mqtt [--seconds N] [--fleet N] [--fleet-seconds N] [--poll-interval MS]
//              [--unbounded-broker]
//
// The publishers run `hub8ctl-sim --scenario FILE mqtt --min-interval 0`, so
// every poll whose input moved becomes a QoS 1 message. A subscriber of the
// bench (libmosquitto, QoS 1, subscribed before the first publisher starts)
// counts what arrives per topic and takes the latency of process data as
// its receive time minus the payload's "time" (one clock, ms resolution).
// The measured window starts once every publisher has sent process data:
// messages per second, the publishers' CPU per message (utime + stime from
// /proc/PID/stat), latency median / p99 / max. Loss: the QoS 1 messages the
// publishers report acknowledged on their SIGTERM stop against those the
// subscriber received over the whole run. The broker keeps mosquitto's
// limits unless --unbounded-broker: once 1000 QoS 1 messages wait for a
// subscriber, it drops further ones. --fleet 0 skips the fleet.
// Exit status 1 when mosquitto is missing or a step fails or times out.

#include "description/builtindescription.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <mosquitto.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

void fail(const QString &message)
{
    std::fprintf(stderr, "bench-mqtt: %s\n", message.toUtf8().constData());
}

// Runs the event loop until done() or the deadline (or Ctrl-C); done()'s last
// answer.
bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    while (!done()) {
        if (deadline.hasExpired() || interrupted)
            return false;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

qint64 nowUs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// The payload's "time" ("2026-12-08T06:00:01.250Z") in µs since the epoch;
// -1 without one.
qint64 payloadTimeUs(const char *payload, int length)
{
    static const char key[] = "\"time\":\"";
    const char *end = payload + length;
    const char *at = std::search(payload, end, key, key + sizeof key - 1);
    if (end - at < int(sizeof key - 1) + 24)
        return -1;
    tm t{};
    int ms = 0;
    if (std::sscanf(at + sizeof key - 1, "%4d-%2d-%2dT%2d:%2d:%2d.%3dZ", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                    &t.tm_min, &t.tm_sec, &ms)
        != 7)
        return -1;
    t.tm_year -= 1900;
    t.tm_mon -= 1;
    return qint64(timegm(&t)) * 1000000 + qint64(ms) * 1000;
}

// utime + stime of a process in ms; -1 once it is gone.
double cpuMsOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which may hold spaces: state is
    // field 3, utime 14, stime 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = fields.at(11).toDouble() + fields.at(12).toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

// The bench's own CPU time (the subscriber's thread and the waiting) in ms.
double ownCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

int freePort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

// A child that gets SIGTERM should the bench die without cleaning up.
class ChildProcess : public QProcess
{
protected:
    void setupChildProcess() override { prctl(PR_SET_PDEATHSIG, SIGTERM); }
};

// Ends a child: SIGTERM, then SIGKILL after timeoutMs.
void endProcess(QProcess &p, int timeoutMs)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
    }
}

class Broker
{
public:
    // `unbounded`: no limit on the QoS 1 messages queued for or in flight to
    // a client (mosquitto's defaults: 1000 and 20).
    Broker(QString dir, bool unbounded) : m_dir(std::move(dir)), m_unbounded(unbounded) {}
    ~Broker() { endProcess(m_process, 5000); }
    int port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }

    bool start(const QString &program)
    {
        m_port = freePort();
        QFile conf(m_dir + QStringLiteral("/mosquitto.conf"));
        if (m_port == 0 || !conf.open(QIODevice::WriteOnly))
            return false;
        // As root mosquitto would switch to its own user, who cannot read
        // the bench's folder; for anyone else "user" is ignored.
        conf.write(QStringLiteral("user root\nlog_dest none\nlistener %1 127.0.0.1\nallow_anonymous true\n")
                       .arg(m_port)
                       .toUtf8());
        if (m_unbounded)
            conf.write("max_queued_messages 0\nmax_inflight_messages 0\n");
        conf.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(program, {QStringLiteral("-c"), conf.fileName()});
        if (!m_process.waitForStarted(5000))
            return false;
        return waitUntil(
            [this] {
                if (m_process.state() != QProcess::Running)
                    return false;
                QTcpSocket probe;
                probe.connectToHost(QHostAddress::LocalHost, quint16(m_port));
                return probe.waitForConnected(200);
            },
            5000);
    }

private:
    QString m_dir;
    bool m_unbounded = false;
    int m_port = 0;
    ChildProcess m_process;
};

// Counts what arrives, on libmosquitto's network thread; the receive time is
// taken first thing in the callback.
class Subscriber
{
public:
    Subscriber()
    {
        mosquitto_lib_init();
        m_mosq = mosquitto_new("bench-mqtt-subscriber", true, this);
    }
    ~Subscriber()
    {
        if (m_mosq) {
            mosquitto_disconnect(m_mosq);
            mosquitto_loop_stop(m_mosq, false);
            mosquitto_destroy(m_mosq);
        }
        mosquitto_lib_cleanup();
    }

    // Connects and subscribes to everything at QoS 1; true once the broker
    // granted it (5 s at most).
    bool open(int port)
    {
        if (!m_mosq)
            return false;
        mosquitto_connect_callback_set(m_mosq, [](mosquitto *m, void *, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, "#", 1);
        });
        mosquitto_subscribe_callback_set(m_mosq, [](mosquitto *, void *self, int, int, const int *) {
            static_cast<Subscriber *>(self)->m_subscribed = true;
        });
        mosquitto_message_callback_set(m_mosq, [](mosquitto *, void *self, const mosquitto_message *m) {
            static_cast<Subscriber *>(self)->onMessage(m);
        });
        if (mosquitto_connect(m_mosq, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS
            || mosquitto_loop_start(m_mosq) != MOSQ_ERR_SUCCESS)
            return false;
        return waitUntil([this] { return m_subscribed.load(); }, 5000);
    }

    // Latencies are kept from now on only.
    void startWindow()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_latenciesUs.clear();
        m_window = true;
    }
    void endWindow()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_window = false;
    }
    QHash<QByteArray, qint64> countsPerTopic() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_perTopic;
    }
    std::vector<qint64> latenciesUs() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_latenciesUs;
    }
    qint64 total() const { return m_total.load(); }

private:
    void onMessage(const mosquitto_message *m)
    {
        const qint64 received = nowUs();
        const QByteArray topic(m->topic);
        const qint64 sent =
            topic.contains("/processdata/") ? payloadTimeUs(static_cast<const char *>(m->payload), m->payloadlen) : -1;
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_perTopic[topic];
        if (m_window && sent >= 0)
            m_latenciesUs.push_back(received - sent);
        ++m_total;
    }

    mosquitto *m_mosq = nullptr;
    std::atomic<bool> m_subscribed{false};
    std::atomic<qint64> m_total{0};
    mutable std::mutex m_mutex;
    QHash<QByteArray, qint64> m_perTopic;
    std::vector<qint64> m_latenciesUs;
    bool m_window = false;
};

struct Publisher
{
    QString prefix;
    std::unique_ptr<ChildProcess> process;
    qint64 pid = 0;
    double cpuStartMs = 0;
    QJsonObject summary;
};

// The last lines a publisher wrote on stderr, for a failure's report.
void printLogTail(const QString &dir, const QString &prefix)
{
    QFile log(dir + QStringLiteral("/%1.log").arg(prefix));
    if (!log.open(QIODevice::ReadOnly))
        return;
    const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
    for (int i = qMax(0, lines.size() - 3); i < lines.size(); ++i) {
        if (!lines.at(i).isEmpty())
            std::fprintf(stderr, "  %s: %s\n", qPrintable(prefix), lines.at(i).constData());
    }
}

// Whether a publisher gave up waiting for the broker's acknowledgement of its
// last messages when it stopped: then its count of acknowledged ones is short.
bool stoppedUnacknowledged(const QString &dir, const QString &prefix)
{
    QFile log(dir + QStringLiteral("/%1.log").arg(prefix));
    return log.open(QIODevice::ReadOnly) && log.readAll().contains("did not acknowledge the offline state");
}

// Messages below `prefix/`.
qint64 countBelow(const QHash<QByteArray, qint64> &counts, const QString &prefix)
{
    const QByteArray start = prefix.toUtf8() + '/';
    qint64 n = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        n += it.key().startsWith(start) ? it.value() : 0;
    return n;
}

bool sentProcessData(const QHash<QByteArray, qint64> &counts, const QString &prefix, int ports)
{
    const QByteArray start = prefix.toUtf8() + '/';
    int seen = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        seen += it.key().startsWith(start) && it.key().endsWith("/processdata/in");
    return seen >= ports;
}

struct Stage
{
    QString program;   // hub8ctl-sim
    QString mosquitto; // the broker's executable
    QString dir;       // scenario and broker configuration
    QString scenario;
    int pollIntervalMs = 100;
    bool unboundedBroker = false;
};

// One run: a broker, the subscriber, `count` publishers (prefix `prefix`, or
// `prefix-K` with client ids of the same name when there are several) for
// `seconds` after all of them sent process data; prints its figures.
bool runStage(const Stage &s, const QString &title, const QString &prefix, int count, int seconds)
{
    const QString brokerDir = s.dir + QLatin1Char('/') + prefix;
    QDir().mkpath(brokerDir);
    Broker broker(brokerDir, s.unboundedBroker);
    if (!broker.start(s.mosquitto)) {
        fail(QStringLiteral("mosquitto did not start on 127.0.0.1"));
        return false;
    }
    Subscriber subscriber;
    if (!subscriber.open(broker.port())) {
        fail(QStringLiteral("the subscriber could not subscribe"));
        return false;
    }

    std::vector<Publisher> publishers(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        Publisher &p = publishers[size_t(k)];
        p.prefix = count == 1 ? prefix : QStringLiteral("%1-%2").arg(prefix).arg(k + 1);
        p.process = std::make_unique<ChildProcess>();
        p.process->setWorkingDirectory(s.dir);
        p.process->setStandardErrorFile(s.dir + QStringLiteral("/%1.log").arg(p.prefix));
        p.process->start(s.program,
                         {QStringLiteral("--scenario"), s.scenario, QStringLiteral("mqtt"), QStringLiteral("--broker"),
                          QStringLiteral("mqtt://127.0.0.1:%1").arg(broker.port()), QStringLiteral("--client-id"),
                          p.prefix, QStringLiteral("--topic-prefix"), p.prefix, QStringLiteral("--poll-interval"),
                          QString::number(s.pollIntervalMs), QStringLiteral("--min-interval"), QStringLiteral("0")});
        if (!p.process->waitForStarted(5000)) {
            fail(QStringLiteral("cannot start %1: %2").arg(s.program, p.process->errorString()));
            return false;
        }
        p.pid = p.process->processId();
    }
    const auto cleanup = [&publishers, &s] {
        for (Publisher &p : publishers)
            endProcess(*p.process, 5000);
        for (const Publisher &p : publishers)
            printLogTail(s.dir, p.prefix);
    };

    // Every publisher's eight inputs on the broker, then the window.
    const bool started = waitUntil(
        [&] {
            const QHash<QByteArray, qint64> counts = subscriber.countsPerTopic();
            return std::all_of(publishers.begin(), publishers.end(), [&](const Publisher &p) {
                return p.process->state() == QProcess::Running && sentProcessData(counts, p.prefix, 8);
            });
        },
        20000 + 500 * count);
    if (!started) {
        fail(interrupted ? QStringLiteral("interrupted")
                         : QStringLiteral("not every publisher sent process data for eight ports within %1 s")
                               .arg(20 + count / 2));
        cleanup();
        return false;
    }
    for (Publisher &p : publishers)
        p.cpuStartMs = cpuMsOf(p.pid);
    const double brokerCpuStartMs = cpuMsOf(broker.pid());
    const double benchCpuStartMs = ownCpuMs();
    const QHash<QByteArray, qint64> before = subscriber.countsPerTopic();
    subscriber.startWindow();
    QElapsedTimer window;
    window.start();
    waitUntil(
        [&] {
            return std::any_of(publishers.begin(), publishers.end(),
                               [](const Publisher &p) { return p.process->state() != QProcess::Running; });
        },
        seconds * 1000);
    const double windowS = double(window.elapsed()) / 1000.0;
    subscriber.endWindow();
    const QHash<QByteArray, qint64> after = subscriber.countsPerTopic();
    const double brokerCpuMs = cpuMsOf(broker.pid()) - brokerCpuStartMs;
    const double benchCpuMs = ownCpuMs() - benchCpuStartMs;
    double cpuMs = 0;
    bool allRunning = true;
    for (const Publisher &p : publishers) {
        const double end = cpuMsOf(p.pid);
        allRunning = allRunning && end >= 0 && p.process->state() == QProcess::Running;
        cpuMs += end - p.cpuStartMs;
    }
    if (interrupted || !allRunning) {
        fail(interrupted ? QStringLiteral("interrupted") : QStringLiteral("a publisher ended early"));
        cleanup();
        return false;
    }

    // A clean stop of all at once, then their summaries.
    for (Publisher &p : publishers)
        p.process->terminate();
    qint64 acknowledged = 0, dropped = 0, unsent = 0;
    int cutShort = 0;
    bool summaries = true;
    for (Publisher &p : publishers) {
        if (!p.process->waitForFinished(15000)) {
            summaries = false;
            continue;
        }
        p.summary = QJsonDocument::fromJson(p.process->readAllStandardOutput().trimmed()).object();
        summaries = summaries && p.summary.contains(QLatin1String("acknowledged"));
        acknowledged += qint64(p.summary.value(QLatin1String("acknowledged")).toDouble());
        dropped += qint64(p.summary.value(QLatin1String("dropped")).toDouble());
        unsent += qint64(p.summary.value(QLatin1String("unsent")).toDouble());
        cutShort += stoppedUnacknowledged(s.dir, p.prefix);
    }
    if (!summaries) {
        cleanup();
        fail(QStringLiteral("a publisher did not stop cleanly with its summary"));
        return false;
    }
    // What the broker still delivers: until nothing came for a second.
    qint64 last = -1;
    waitUntil(
        [&] {
            const qint64 now = subscriber.total();
            const bool quiet = now == last;
            last = now;
            return quiet;
        },
        10000);
    const qint64 received = subscriber.total();

    // The figures.
    qint64 inWindow = 0;
    std::vector<qint64> perPublisher;
    for (const Publisher &p : publishers) {
        const qint64 n = countBelow(after, p.prefix) - countBelow(before, p.prefix);
        perPublisher.push_back(n);
        inWindow += n;
    }
    std::vector<qint64> latencies = subscriber.latenciesUs();
    std::sort(latencies.begin(), latencies.end());
    const auto quantileMs = [&latencies](double q) {
        if (latencies.empty())
            return 0.0;
        const size_t i = std::min(latencies.size() - 1, size_t(q * double(latencies.size())));
        return double(latencies[i]) / 1000.0;
    };

    std::printf("\n%s: %d publisher%s, poll %d ms, min-interval 0, process data QoS 1, %.1f s measured%s\n",
                qPrintable(title), count, count == 1 ? "" : "s", s.pollIntervalMs, windowS,
                s.unboundedBroker ? ", broker queue unbounded" : "");
    if (count == 1) {
        std::printf("  %-46s %9s %9s\n", "topic (in the window)", "messages", "per s");
        QList<QByteArray> topics = after.keys();
        std::sort(topics.begin(), topics.end());
        for (const QByteArray &t : topics) {
            const qint64 n = after.value(t) - before.value(t);
            if (n > 0)
                std::printf("  %-46s %9lld %9.1f\n", t.mid(t.indexOf('/', prefix.size() + 1) + 1).constData(), n,
                            double(n) / windowS);
        }
    }
    std::printf("  %-34s %12.1f\n", "messages per second, all", double(inWindow) / windowS);
    if (count > 1) {
        const auto [lo, hi] = std::minmax_element(perPublisher.begin(), perPublisher.end());
        std::printf("  %-34s %12.1f\n", "  per publisher, min", double(*lo) / windowS);
        std::printf("  %-34s %12.1f\n", "  per publisher, max", double(*hi) / windowS);
    }
    std::printf("  %-34s %12.1f\n", "CPU per publisher, % of one core", 100.0 * cpuMs / 1000.0 / windowS / count);
    std::printf("  %-34s %12.1f\n", "broker CPU, % of one core", 100.0 * brokerCpuMs / 1000.0 / windowS);
    std::printf("  %-34s %12.1f\n", "subscriber CPU, % of one core", 100.0 * benchCpuMs / 1000.0 / windowS);
    std::printf("  %-34s %12.3f\n", "publisher CPU per message, ms", inWindow > 0 ? cpuMs / double(inWindow) : 0.0);
    std::printf("  %-34s %12.1f\n", "latency median, ms", quantileMs(0.5));
    std::printf("  %-34s %12.1f\n", "latency p99, ms", quantileMs(0.99));
    std::printf("  %-34s %12.1f\n", "latency max, ms", quantileMs(1.0));
    std::printf("  %-34s %12zu\n", "  samples (process data)", latencies.size());
    std::printf("  %-34s %12lld\n", "QoS 1 acknowledged (publishers)", acknowledged);
    std::printf("  %-34s %12lld\n", "received (subscriber)", received);
    std::printf("  %-34s %12lld\n", "lost (acknowledged - received)", acknowledged - received);
    std::printf("  %-34s %12lld\n", "dropped / unsent (publishers)", dropped + unsent);
    if (cutShort > 0)
        std::printf("  (%d publisher%s stopped before the broker acknowledged all: received may exceed acknowledged)\n",
                    cutShort, cutShort == 1 ? "" : "s");
    if (acknowledged > received)
        std::printf("  (the broker dropped what it could not queue for the subscriber; the CPU per message\n"
                    "  counts the messages received, so it is too high: --unbounded-broker lifts the limit)\n");
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Measured time of the eight-port run."), QStringLiteral("N"),
                                           QStringLiteral("60"));
    const QCommandLineOption fleetOption(QStringLiteral("fleet"),
                                         QStringLiteral("Publishers of the fleet run (0: none)."), QStringLiteral("N"),
                                         QStringLiteral("20"));
    const QCommandLineOption fleetSecondsOption(QStringLiteral("fleet-seconds"),
                                                QStringLiteral("Measured time of the fleet run."), QStringLiteral("N"),
                                                QStringLiteral("30"));
    const QCommandLineOption pollOption(QStringLiteral("poll-interval"),
                                        QStringLiteral("The publishers' --poll-interval."), QStringLiteral("MS"),
                                        QStringLiteral("100"));
    const QCommandLineOption unboundedOption(
        QStringLiteral("unbounded-broker"),
        QStringLiteral("No limit on the QoS 1 messages the broker queues for the subscriber."));
    parser.addOptions({secondsOption, fleetOption, fleetSecondsOption, pollOption, unboundedOption});
    parser.process(app);
    const int seconds = qBound(1, parser.value(secondsOption).toInt(), 3600);
    const int fleet = qBound(0, parser.value(fleetOption).toInt(), 200);
    const int fleetSeconds = qBound(1, parser.value(fleetSecondsOption).toInt(), 3600);

    Stage s;
    s.mosquitto = QStandardPaths::findExecutable(QStringLiteral("mosquitto"),
                                                 {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    if (s.mosquitto.isEmpty()) {
        fail(QStringLiteral("mosquitto is not installed (apt install mosquitto)"));
        return 1;
    }
    const QString appDir = QCoreApplication::applicationDirPath();
    s.program = appDir + QStringLiteral("/hub8ctl-sim");
    s.pollIntervalMs = qBound(10, parser.value(pollOption).toInt(), 60000);
    s.unboundedBroker = parser.isSet(unboundedOption);
    if (!QFileInfo(s.program).isExecutable()) {
        fail(QStringLiteral("no %1 (build the hub8ctl-sim target)").arg(s.program));
        return 1;
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        fail(QStringLiteral("no temporary folder"));
        return 1;
    }
    s.dir = dir.path();

    // The built-in device on every port: its input moves by itself.
    QJsonObject ports;
    for (int p = 1; p <= 8; ++p)
        ports.insert(QStringLiteral("Port%1").arg(p),
                     QJsonObject{{QStringLiteral("mode"), QStringLiteral("iolink")},
                                 {QStringLiteral("device"),
                                  QJsonObject{{QStringLiteral("type"), QStringLiteral("iodd")},
                                              {QStringLiteral("file"), BuiltinDescription::pathIn(appDir)}}}});
    QFile scenario(s.dir + QStringLiteral("/eight-ports.json"));
    if (!scenario.open(QIODevice::WriteOnly)
        || scenario.write(QJsonDocument(QJsonObject{{QStringLiteral("ports"), ports}}).toJson()) < 0) {
        fail(QStringLiteral("cannot write %1").arg(scenario.fileName()));
        return 1;
    }
    scenario.close();
    s.scenario = scenario.fileName();

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    std::printf("bench-mqtt: %s on the virtual adapter, the built-in device on Port1..Port8\n", qPrintable(s.program));
    std::fflush(stdout);
    if (!runStage(s, QStringLiteral("Eight ports"), QStringLiteral("bench"), 1, seconds))
        return 1;
    if (fleet > 0 && !runStage(s, QStringLiteral("Fleet"), QStringLiteral("fleet"), fleet, fleetSeconds))
        return 1;
    return 0;
}
