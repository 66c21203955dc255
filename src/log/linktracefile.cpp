#include "linktracefile.h"

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>
#include <memory>

namespace {

const char *const linkCategory = "hub8.link";
const char *const rawCategory = "hub8.link.raw";

QMutex g_mutex;
std::unique_ptr<QFile> g_file;
QtMessageHandler g_previousHandler = nullptr;
QLoggingCategory::CategoryFilter g_previousFilter = nullptr;
// Whether the category let debug lines through before the trace switched it on.
bool g_linkWasOn = true;
bool g_rawWasOn = false;

void traceFilter(QLoggingCategory *category)
{
    if (g_previousFilter)
        g_previousFilter(category);
    const char *name = category->categoryName();
    if (qstrcmp(name, linkCategory) == 0)
        g_linkWasOn = category->isDebugEnabled();
    else if (qstrcmp(name, rawCategory) == 0)
        g_rawWasOn = category->isDebugEnabled();
    else
        return;
    category->setEnabled(QtDebugMsg, true);
}

void traceHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const char *category = context.category ? context.category : "";
    const bool link = qstrcmp(category, linkCategory) == 0;
    const bool raw = qstrcmp(category, rawCategory) == 0;
    if (link || raw) {
        const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' + category
            + ": " + message.toUtf8() + '\n';
        QMutexLocker lock(&g_mutex);
        if (g_file) {
            g_file->write(line);
            g_file->flush(); // the trace survives a crash
        }
        if (type == QtDebugMsg && ((link && !g_linkWasOn) || (raw && !g_rawWasOn)))
            return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

bool LinkTraceFile::open(const QString &path, QString *error)
{
    {
        QMutexLocker lock(&g_mutex);
        if (m_open || g_file) {
            if (error)
                *error = QStringLiteral("a trace file is already open");
            return false;
        }
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            if (error)
                *error = QStringLiteral("cannot write %1: %2").arg(path, file->errorString());
            return false;
        }
        g_file = std::move(file);
    }
    m_open = true;
    g_previousHandler = qInstallMessageHandler(traceHandler);
    g_previousFilter = QLoggingCategory::installFilter(traceFilter);
    return true;
}

LinkTraceFile::~LinkTraceFile()
{
    if (!m_open)
        return;
    // The filter first: it puts the categories back as the rules say.
    QLoggingCategory::installFilter(g_previousFilter);
    qInstallMessageHandler(g_previousHandler);
    g_previousFilter = nullptr;
    g_previousHandler = nullptr;
    QMutexLocker lock(&g_mutex);
    g_file.reset();
}
