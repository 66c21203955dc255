// How long the GUI thread is kept from its event loop by the adapter link,
// in the situations where a user feels it:
//
//   bench-gui-stall [--seconds N]
//
// A 2 ms timer on the GUI thread stamps every turn of its event loop; the gap
// between two stamps is a stall. Printed per
// situation: the worst stall and the 60 Hz frames missed per second (a gap
// of g ms misses floor(g / 16.7) frames). The main window runs on the
// virtual adapter with its default ports; each situation sets how long each
// USB report takes to answer ("reportLatencyMs") and the mailbox time:
//
// - In port polling on Port2, 50 ms per report;
// - "读（全部）" on Port2, ISDU 300 ms, 20 ms per report (stopped after N s);
// - four edited parameters written, ISDU 300 ms, 20 ms per report;
// - Port4 and Port2 clicked in turn once a second with Basic info open,
//   20 ms per report;
// - adapter silent, the window left alone (port status keeps asking), and
//   with Port1 clicked once a second.
//
// A variant dialog is answered at once. Runs offscreen unless QT_QPA_PLATFORM
// or DISPLAY say otherwise.

#include "app/mainwindow.h"
#include "defaultsetup.h"
#include "params/parameterpage.h"
#include "procdata/processdatainpage.h"
#include "protocol/adapterregisters.h"
#include "variantanswer.h"
#include "virtualadapter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>
#include <cstdio>

namespace {

constexpr double frameMs = 1000.0 / 60;

// Stamps the turns of the GUI thread's event loop while it lives.
class StallProbe
{
public:
    StallProbe()
    {
        m_clock.start();
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { stamp(); });
        m_timer.start(2);
    }
    void stamp()
    {
        const double now = m_clock.nsecsElapsed() / 1e6;
        const double gap = now - m_last;
        m_worst = std::max(m_worst, gap);
        if (gap > frameMs)
            m_missed += int(std::floor(gap / frameMs));
        m_last = now;
    }
    void print(const char *situation)
    {
        stamp();
        const double seconds = m_clock.nsecsElapsed() / 1e9;
        std::printf("%-58s %8.0f ms %8.1f %7.1f s\n", situation, m_worst, m_missed / seconds, seconds);
        std::fflush(stdout);
    }

private:
    QElapsedTimer m_clock;
    QTimer m_timer;
    double m_last = 0;
    double m_worst = 0;
    int m_missed = 0;
};

// Runs the event loop for `ms`.
void idle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void setLatencies(int reportMs, int isduMs)
{
    VirtualAdapter::instance().changeFaults([=](VirtualAdapter::Faults &faults) {
        faults.lateAnswerMs = reportMs;
        faults.isduLatencyMs = isduMs;
    });
}

// Runs the event loop until the page's operation has ended.
void untilDone(const ParameterPage *page)
{
    while (page && page->isRunning())
        idle(20);
}

void showTab(QTabWidget *tabs, const QString &text)
{
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabText(i) == text)
            tabs->setCurrentIndex(i);
    }
    QCoreApplication::processEvents();
}

// Types `text` into the value cell of the first row labelled `label`.
bool edit(ParameterPage *page, const QString &label, const QString &text)
{
    auto *table = page->findChild<QTableWidget *>(QStringLiteral("table_param"));
    for (int row = 0; table && row < table->rowCount(); ++row) {
        if (table->item(row, 0)->text() != label)
            continue;
        table->editItem(table->item(row, 2));
        auto *editor = table->viewport()->findChild<QLineEdit *>(QString(), Qt::FindDirectChildrenOnly);
        if (!editor)
            return false;
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        idle(50);
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("seconds per situation"),
                                           QStringLiteral("N"), QStringLiteral("5"));
    parser.addOption(secondsOption);
    parser.addHelpOption();
    parser.process(app);
    const int ms = std::max(1, parser.value(secondsOption).toInt()) * 1000;

    VirtualAdapter &adapter = VirtualAdapter::instance();
    applyDefaultSetup(adapter);
    MainWindow window;
    window.initPorts(AdapterRegisters::portCount);
    window.show();
    VariantAnswer variantAnswer;
    app.installEventFilter(&variantAnswer);
    idle(1500);
    auto *tree = window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    const auto click = [&](int port) { window.onPortClicked(tree->topLevelItem(port), 0); };

    std::printf("platform: %s\n%-58s %11s %8s %9s\n", qPrintable(QGuiApplication::platformName()), "situation",
                "worst stall", "missed/s", "time");
    {
        setLatencies(50, 20);
        click(1);
        idle(500);
        showTab(tabs, QStringLiteral("In port"));
        auto *in = window.findChild<ProcessDataInPage *>();
        StallProbe probe;
        if (auto *start = in ? in->findChild<QPushButton *>(QStringLiteral("pbtn_start")) : nullptr)
            start->click();
        idle(ms);
        probe.print("In port polling, 50 ms per report");
        if (auto *stop = in ? in->findChild<QPushButton *>(QStringLiteral("pbtn_stop")) : nullptr)
            stop->click();
        idle(500);
    }
    {
        setLatencies(20, 300);
        showTab(tabs, QStringLiteral("Basic info"));
        idle(1000);
        auto *page = window.findChild<ParameterPage *>();
        StallProbe probe;
        QTimer stop;
        stop.setSingleShot(true);
        QObject::connect(&stop, &QTimer::timeout, [&] {
            if (auto *button = page->findChild<QPushButton *>(QStringLiteral("pbtn_stop")))
                button->click();
        });
        stop.start(ms);
        if (page)
            page->findChild<QPushButton *>(QStringLiteral("pbtn_read"))->click();
        untilDone(page);
        probe.print("read all, ISDU 300 ms, 20 ms per report");
        idle(500);
    }
    {
        setLatencies(20, 300);
        auto *page = window.findChild<ParameterPage *>();
        int edited = 0;
        if (page) {
            edited += edit(page, QStringLiteral("Damping"), QStringLiteral("60"));
            edited += edit(page, QStringLiteral("Zero-point offset"), QStringLiteral("1"));
            edited += edit(page, QStringLiteral("Application Specific Tag"), QStringLiteral("bench"));
            edited += edit(page, QStringLiteral("Display label"), QStringLiteral("PT-02"));
        }
        StallProbe probe;
        if (page)
            page->findChild<QPushButton *>(QStringLiteral("pbtn_write_fix"))->click();
        untilDone(page);
        const QByteArray what = QByteArrayLiteral("writing ") + QByteArray::number(edited)
            + QByteArrayLiteral(" edited parameters, ISDU 300 ms, 20 ms per report");
        probe.print(what.constData());
        idle(500);
    }
    {
        setLatencies(20, 20);
        {
            // The first click on a port builds its pages: CPU of the pages, not of the link.
            StallProbe probe;
            click(3);
            showTab(tabs, QStringLiteral("Basic info"));
            idle(1000);
            probe.print("first click on Port4: its pages built (not the link)");
        }
        showTab(tabs, QStringLiteral("Basic info"));
        StallProbe probe;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; clock.elapsed() < ms; ++i) {
            click(i % 2 ? 1 : 3);
            showTab(tabs, QStringLiteral("Basic info"));
            idle(1000);
        }
        probe.print("port clicks with Basic info open, 20 ms per report");
    }
    // Last: after a silence the link takes a while to find the adapter again.
    {
        setLatencies(0, 20);
        adapter.changeFaults([](VirtualAdapter::Faults &f) { f.silent = true; });
        StallProbe probe;
        idle(ms);
        probe.print("adapter silent, window left alone");
    }
    {
        StallProbe probe;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            click(0);
            idle(1000);
        }
        probe.print("adapter silent, Port1 clicked once a second");
        adapter.changeFaults([](VirtualAdapter::Faults &f) { f.silent = false; });
    }
    return 0;
}
