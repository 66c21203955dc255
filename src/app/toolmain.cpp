#include "toolmain.h"

#include "i18n/uilanguage.h"
#include "mainwindow.h"

#include "description/datalocations.h"
#include "log/hub8log.h"
#include "log/linktracefile.h"
#include "protocol/adapterregisters.h"
#include "widgets/wheelguard.h"

#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <utility>

bool toolHasDisplay()
{
    auto set = [](const char *name) {
        const char *v = std::getenv(name);
        return v && *v;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

void setPlatformDefaults()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

int reportNoDisplay(const char *program)
{
    std::fprintf(stderr,
                 "%s: no display found (DISPLAY is not set); start it under a virtual display with: "
                 "xvfb-run -a %s\n",
                 program, program);
    return 2;
}

QCommandLineOption logFileOption()
{
    return QCommandLineOption(QStringLiteral("log"),
                              QStringLiteral("Write the adapter link's messages and every report in hex, with "
                                             "timestamps, to FILE (for support)."),
                              QStringLiteral("FILE"));
}

namespace {

// Runs its task once, after the watched window's first paint, or after
// `fallbackMs` when no paint comes (a window shown minimised).
class AfterFirstPaint : public QObject
{
public:
    AfterFirstPaint(QWidget *window, std::function<void()> task, int fallbackMs)
        : QObject(window), m_task(std::move(task))
    {
        window->installEventFilter(this);
        QTimer::singleShot(fallbackMs, this, [this]() { run(); });
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, this, [this]() { run(); }); // once the paint is on screen
        return QObject::eventFilter(watched, event);
    }

private:
    void run()
    {
        if (!m_task)
            return;
        const std::function<void()> task = std::exchange(m_task, nullptr);
        parent()->removeEventFilter(this);
        task();
        deleteLater();
    }
    std::function<void()> m_task;
};

} // namespace

void startMainWindow(MainWindow &window, const std::function<void()> &beforeLink)
{
    // The window is up before the adapter is opened and asked anything.
    new AfterFirstPaint(
        &window,
        [&window, beforeLink]() {
            if (beforeLink)
                beforeLink();
            window.initPorts(AdapterRegisters::portCount);
        },
        2000);
    window.show();
}

QCommandLineOption languageOption()
{
    return UiLanguage::option();
}

int runMainWindow(QApplication &app, const QString &logFile, const QString &language,
                  const std::function<void()> &beforeLink)
{
    UiLanguage::Language chosen = UiLanguage::forLocale(QLocale::system());
    if (!language.isEmpty() && !UiLanguage::fromName(language, &chosen)) {
        std::fprintf(stderr, "%s: --lang: expected zh or en, got \"%s\"\n", qPrintable(app.applicationName()),
                     qPrintable(language));
        return 1;
    }
    UiLanguage::apply(chosen);
    LinkTraceFile trace;
    QString error;
    if (!logFile.isEmpty() && !trace.open(logFile, &error)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(app.applicationName()), qPrintable(error));
        return 1;
    }
    // Installed, the user's IODD library starts as a copy of the shipped one.
    if (QString why; !DataLocations::seedUserLibrary(&why))
        qCWarning(lcApp) << "cannot set up the IODD library:" << why;
    WheelGuard::install(&app);
    MainWindow w;
    startMainWindow(w, beforeLink);
    return QApplication::exec();
}
