#include "processdatalayoutpicker.h"

#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "log/hub8log.h"
#include "procdata/processdatainpage.h"
#include "procdata/processdataoutpage.h"
#include "protocol/isdublock.h"

#include <QEvent>
#include <QTimer>

ProcessDataLayoutPicker::ProcessDataLayoutPicker(int port, const QList<ProcessDataChoice> &choices,
                                                 ProcessDataInPage *in, ProcessDataOutPage *out, QObject *parent)
    : QObject(parent), m_port(port), m_choices(choices), m_in(in), m_out(out)
{
}

bool ProcessDataLayoutPicker::conditional(const QList<ProcessDataChoice> &choices)
{
    for (const ProcessDataChoice &c : choices)
        if (!c.conditionVariable.isEmpty())
            return true;
    return false;
}

int ProcessDataLayoutPicker::choiceFor(const QList<ProcessDataChoice> &choices, const QByteArray &octets)
{
    if (octets.isEmpty() || octets.size() > 8)
        return -1;
    quint64 value = 0;
    for (char c : octets)
        value = (value << 8) | quint8(c);
    // The same octets read as a signed number, for conditions below zero.
    const int spareBits = 64 - 8 * octets.size();
    const qint64 signedValue = spareBits > 0 ? qint64(value << spareBits) >> spareBits : qint64(value);
    for (int i = 0; i < choices.size(); ++i) {
        const QString text = choices.at(i).conditionValue.trimmed();
        bool ok = false;
        if (text.startsWith(QLatin1Char('-'))) {
            const qint64 wanted = text.toLongLong(&ok);
            if (ok && wanted == signedValue)
                return i;
        } else {
            const quint64 wanted = text.toULongLong(&ok);
            if (ok && wanted == value)
                return i;
        }
    }
    return -1;
}

void ProcessDataLayoutPicker::pick()
{
    if (!conditional(m_choices))
        return;
    // Several writes in a row (one per subindex) make one read; a write during
    // a read makes one more read after it.
    if (m_reading) {
        m_again = true;
        return;
    }
    if (m_queued)
        return;
    m_queued = true;
    QTimer::singleShot(0, this, &ProcessDataLayoutPicker::readAndShow);
}

bool ProcessDataLayoutPicker::event(QEvent *event)
{
    // The note is said again in the new language; the device is not asked again.
    if (event->type() == QEvent::LanguageChange && m_said)
        show(m_shownChoice);
    return QObject::event(event);
}

void ProcessDataLayoutPicker::onVariableWritten(int index)
{
    for (const ProcessDataChoice &c : qAsConst(m_choices)) {
        if (!c.conditionIndex.isEmpty() && c.conditionIndex.toInt() == index) {
            pick();
            return;
        }
    }
}

void ProcessDataLayoutPicker::readAndShow()
{
    m_queued = false;
    m_reading = readOnce();
    if (!m_reading)
        readDone();
}

void ProcessDataLayoutPicker::readDone()
{
    m_reading = false;
    if (m_again && !m_queued) {
        m_again = false;
        pick();
    }
}

bool ProcessDataLayoutPicker::readOnce()
{
    // The first conditional layout names the variable; alternatives use one variable.
    const ProcessDataChoice *first = nullptr;
    for (const ProcessDataChoice &c : qAsConst(m_choices))
        if (!c.conditionVariable.isEmpty() && !first)
            first = &c;
    if (!first)
        return false;
    bool indexOk = false;
    const uint index = first->conditionIndex.toUInt(&indexOk);
    if (!indexOk || index > 0xFFFF) {
        fail([variable = first->conditionVariable] { return tr("描述中找不到条件变量 %1").arg(variable); });
        return false;
    }
    const uint subindex = first->conditionSubindex.isEmpty() ? 0 : first->conditionSubindex.toUInt();

    LinkHub *hub = LinkHub::instance();
    AdapterLink *link = hub ? hub->link() : nullptr;
    if (!link || (link->isKnown() && !link->isOpen())) {
        fail([] { return tr("适配器未连接"); });
        return false;
    }
    const IsduRequestBlock request =
        IsduRequestBlock::make(IsduService::read, quint8(m_port + 1), quint16(index), quint8(subindex & 0xFF), 0);
    LinkReply *reply = link->exchangeIsdu(request, waitMs, this, pollMs);
    connect(reply, &LinkReply::finished, this, [this, reply, variable = first->conditionVariable] {
        reply->deleteLater();
        showAnswer(variable, reply->isdu());
        readDone();
    });
    return true;
}

void ProcessDataLayoutPicker::showAnswer(const QString &variable, const IsduExchange &exchange)
{
    if (!exchange.succeeded()) {
        const bool answered = exchange.answered();
        const quint8 status = answered ? exchange.response.status() : 0;
        const quint16 error = answered ? exchange.response.deviceError() : 0;
        fail([variable, answered, status, error] {
            QString why = tr("无应答");
            if (answered)
                why = status == IsduStatus::deviceError
                    ? QStringLiteral("0x%1 %2").arg(error, 4, 16, QLatin1Char('0')).arg(isduDeviceErrorText(error))
                    : isduStatusText(status);
            return tr("无法读取 %1（%2）").arg(variable, why);
        });
        return;
    }
    const QByteArray octets = exchange.response.data();
    const int choice = choiceFor(m_choices, octets);
    if (choice < 0) {
        fail([variable, octets] {
            return tr("%1 = %2 不对应任何布局").arg(variable, QString::fromLatin1(octets.toHex(' ')));
        });
        return;
    }
    m_why = nullptr;
    show(choice);
}

void ProcessDataLayoutPicker::fail(std::function<QString()> why)
{
    m_why = std::move(why);
    show(-1);
}

void ProcessDataLayoutPicker::show(int choice)
{
    if (m_choices.isEmpty())
        return;
    const ProcessDataChoice &shown = m_choices.at(choice < 0 ? 0 : choice);
    QString note;
    if (choice >= 0) {
        note = tr("过程数据布局：%1（%2 = %3）")
                   .arg(shown.input.name.isEmpty() ? shown.output.name : shown.input.name, shown.conditionVariable,
                        shown.conditionValue);
    } else {
        note = tr("%1，显示第一种过程数据布局：%2")
                   .arg(m_why ? m_why() : QString(), shown.input.name.isEmpty() ? shown.output.name : shown.input.name);
        qCWarning(lcProcdata).noquote() << "port" << m_port + 1 << note;
    }
    // The pages were built with the first layout; they are rebuilt only for another.
    const int index = choice < 0 ? 0 : choice;
    const bool rebuild = index != (m_shownChoice < 0 ? 0 : m_shownChoice);
    m_shownChoice = choice;
    m_said = true;
    if (m_in) {
        if (rebuild)
            m_in->setProcessData(shown.input);
        m_in->setLayoutNote(note);
    }
    if (m_out) {
        if (rebuild)
            m_out->setProcessData(shown.output);
        m_out->setLayoutNote(note);
    }
}
