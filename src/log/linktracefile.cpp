#include "linktracefile.h"

#include "wholefile.h"

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

QMutex traceMutex;
std::unique_ptr<QFile> traceFile;
qint64 traceMaxBytes = 0;
QtMessageHandler previousHandler = nullptr;
QLoggingCategory::CategoryFilter previousFilter = nullptr;
// Whether the category let debug lines through before the trace switched it on.
bool linkWasOn = true;
bool rawWasOn = false;

void traceFilter(QLoggingCategory *category)
{
    if (previousFilter)
        previousFilter(category);
    const char *name = category->categoryName();
    if (qstrcmp(name, linkCategory) == 0)
        linkWasOn = category->isDebugEnabled();
    else if (qstrcmp(name, rawCategory) == 0)
        rawWasOn = category->isDebugEnabled();
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
        QMutexLocker lock(&traceMutex);
        if (traceFile && traceFile->size() + line.size() > traceMaxBytes) {
            // Full: the file becomes the one before, and a new one begins.
            const QString path = traceFile->fileName();
            traceFile->close();
            QFile::remove(path + QStringLiteral(".1"));
            QFile::rename(path, path + QStringLiteral(".1"));
            if (!traceFile->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
                traceFile.reset();
        }
        if (traceFile) {
            traceFile->write(line);
            traceFile->flush(); // the trace survives a crash
        }
        if (type == QtDebugMsg && ((link && !linkWasOn) || (raw && !rawWasOn)))
            return;
    }
    if (previousHandler)
        previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

bool LinkTraceFile::open(const QString &path, QString *error, qint64 maxBytes)
{
    {
        QMutexLocker lock(&traceMutex);
        if (m_open || traceFile) {
            if (error)
                *error = QStringLiteral("a trace file is already open");
            return false;
        }
        // A FIFO would block here until someone reads it.
        if (!WholeFile::writableHere(path, error))
            return false;
        auto file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            if (error)
                *error = QStringLiteral("cannot write %1: %2").arg(path, file->errorString());
            return false;
        }
        traceFile = std::move(file);
        traceMaxBytes = maxBytes;
    }
    m_open = true;
    previousHandler = qInstallMessageHandler(traceHandler);
    previousFilter = QLoggingCategory::installFilter(traceFilter);
    return true;
}

LinkTraceFile::~LinkTraceFile()
{
    if (!m_open)
        return;
    // The filter first: it puts the categories back as the rules say.
    QLoggingCategory::installFilter(previousFilter);
    qInstallMessageHandler(previousHandler);
    previousFilter = nullptr;
    previousHandler = nullptr;
    QMutexLocker lock(&traceMutex);
    traceFile.reset();
}
