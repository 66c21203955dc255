#include "isduconsole.h"
#include "ui_isduconsole.h"

#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "log/writejournal.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"

#include <QCheckBox>
#include <QColor>
#include <QEvent>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Failures stand out in the receive area in this dark red.
constexpr QRgb failureRgb = 0xB01C1C;

bool isHexDigit(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

bool isBreakOrTab(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') || c == QChar::ParagraphSeparator
        || c == QChar::LineSeparator;
}

int hexDigitCount(const QString &text)
{
    int n = 0;
    for (QChar c : text)
        n += isHexDigit(c) ? 1 : 0;
    return n;
}

// Cleans a data field after a block insertion: line breaks and tabs become
// spaces (rows of a pasted hex dump stay separate bytes), every other
// character that is neither a hex digit nor a space is dropped, and hex
// digits beyond the limit are dropped, those just before the cursor (the
// ones just inserted) first. `cursor` follows the edits.
QString cleanHexInput(const QString &text, int &cursor, int maxDigits)
{
    QString out;
    out.reserve(text.size());
    int pos = cursor;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isHexDigit(c) || c == QLatin1Char(' '))
            out += c;
        else if (isBreakOrTab(c))
            out += QLatin1Char(' ');
        else if (i < cursor)
            --pos;
    }
    int excess = hexDigitCount(out) - maxDigits;
    for (int i = pos - 1; i >= 0 && excess > 0; --i) {
        if (isHexDigit(out.at(i))) {
            out.remove(i, 1);
            --pos;
            --excess;
        }
    }
    for (int i = out.size() - 1; i >= pos && excess > 0; --i) {
        if (isHexDigit(out.at(i))) {
            out.remove(i, 1);
            --excess;
        }
    }
    cursor = pos;
    return out;
}

QByteArray upToFirstZero(const QByteArray &data)
{
    const int zero = data.indexOf('\0');
    return zero < 0 ? data : data.left(zero);
}

QString hexText(const QByteArray &data)
{
    return QString::fromLatin1(data.toHex(' ').toUpper());
}

// Data bytes as the receive area shows them: hex pairs, or in text mode the
// text up to the first zero byte, quoted so that spaces at its ends show.
QString dataText(const QByteArray &data, bool asText)
{
    if (!asText)
        return hexText(data);
    return QLatin1Char('"') + QString::fromUtf8(upToFirstZero(data)) + QLatin1Char('"');
}

QString operationName(int service)
{
    switch (service) {
    case IsduService::noOperation:
        return IsduConsole::tr("无操作");
    case IsduService::clearData:
        return IsduConsole::tr("清除数据");
    case IsduService::write:
        return IsduConsole::tr("写操作");
    case IsduService::read:
        return IsduConsole::tr("读操作");
    default:
        return IsduConsole::tr("操作 %1").arg(service);
    }
}

QString hexCode(int value, int digits)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

// The bytes a write request carries: as many as its length says, as far as
// the block holds them.
QByteArray writtenData(const IsduRequestBlock &request)
{
    const int n = qMin(int(request.length()), IsduRequestBlock::maxData);
    return QByteArray(reinterpret_cast<const char *>(request.data()), n);
}

QString requestText(const IsduRequestBlock &request, bool asText)
{
    QString text = operationName(request.service()) + QStringLiteral(" Port %1").arg(request.portNumber());
    if (request.service() != IsduService::read && request.service() != IsduService::write)
        return text;
    text += QStringLiteral(" Index %1 Subindex %2").arg(request.index()).arg(request.subindex());
    if (request.service() == IsduService::read) {
        if (request.length() != 0)
            text += QStringLiteral(" Length %1").arg(request.length());
        return text;
    }
    const QByteArray data = writtenData(request);
    if (data.isEmpty())
        return text + IsduConsole::tr("，0 字节");
    return text + IsduConsole::tr("，%1 字节：%2").arg(data.size()).arg(dataText(data, asText));
}

// Why an answered request failed: the adapter's status, and for a device
// error the device's code with its name.
QString failureText(const IsduResponseBlock &response)
{
    const quint8 status = response.status();
    QString text = IsduConsole::tr("失败：%1（状态 %2）").arg(isduStatusText(status), hexCode(status, 2));
    if (status != IsduStatus::deviceError)
        return text;
    const quint16 code = response.deviceError();
    const QString name = isduDeviceErrorText(code);
    if (name.isEmpty())
        return text + IsduConsole::tr("，设备错误 %1（未定义的错误码）").arg(hexCode(code, 4));
    return text + IsduConsole::tr("，设备错误 %1 %2").arg(hexCode(code, 4), name);
}

QString outcomeText(IsduOutcome outcome, const IsduRequestBlock &request, const IsduResponseBlock &response,
                    bool asText)
{
    switch (outcome) {
    case IsduOutcome::Answered:
        break;
    case IsduOutcome::StillBusy:
        return IsduConsole::tr("无应答：适配器 %1 ms 后仍忙").arg(IsduConsole::responseWaitMs);
    case IsduOutcome::NotOurs:
        return IsduConsole::tr("失败：收到的应答属于另一请求（%1 Port %2）")
            .arg(operationName(response.service()))
            .arg(response.portNumber());
    case IsduOutcome::NoAnswer:
    case IsduOutcome::Cancelled:
        return IsduConsole::tr("失败：适配器没有应答（连接中断）");
    }
    if (!response.success())
        return failureText(response);
    if (request.service() == IsduService::read) {
        const QByteArray data = response.data();
        if (data.isEmpty())
            return IsduConsole::tr("成功，0 字节");
        return IsduConsole::tr("成功，%1 字节：%2").arg(data.size()).arg(dataText(data, asText));
    }
    if (request.service() == IsduService::write)
        return IsduConsole::tr("成功，已写入");
    return IsduConsole::tr("成功");
}

} // namespace

IsduConsole::IsduConsole(QWidget *parent) : QWidget(parent), m_ui(new Ui::IsduConsole)
{
    m_ui->setupUi(this);
    for (int service = IsduService::noOperation; service <= IsduService::read; ++service)
        m_ui->cbox_Control->addItem(QString());
    m_ui->textEdit_read->setReadOnly(true);
    showTexts();

    connect(m_ui->textEdit_write->document(), &QTextDocument::contentsChange, this,
            [this](int, int, int charsAdded) { m_lastCharsAdded = charsAdded; });
    connect(m_ui->textEdit_write, &QTextEdit::textChanged, this, &IsduConsole::onSendTextChanged);
    connect(m_ui->pbtn_send, &QPushButton::clicked, this, &IsduConsole::onSendClicked);
    connect(m_ui->pbtn_clear, &QPushButton::clicked, this, &IsduConsole::onClearClicked);
    connect(m_ui->check_ascii, &QCheckBox::stateChanged, this, &IsduConsole::onAsciiToggled);
}

IsduConsole::~IsduConsole()
{
    delete m_ui;
}

void IsduConsole::showTexts()
{
    for (int service = IsduService::noOperation; service <= IsduService::read; ++service)
        m_ui->cbox_Control->setItemText(service, operationName(service));
    m_ui->sbox_length->setSpecialValueText(tr("0（自动）"));
    m_ui->sbox_length->setToolTip(tr("0：读取时接收设备发送的全部数据，写入时发送“发送”框中的全部字节"));
    if (m_lastLength >= 0)
        m_ui->label_lastLength->setText(tr("上次应答长度：%1").arg(m_lastLength));
}

void IsduConsole::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showTexts();
        showHistory();
    }
}

void IsduConsole::setPortCount(int n)
{
    for (int i = 1; i <= n; ++i)
        m_ui->cbox_port->addItem(QStringLiteral("Port %1").arg(i));
}

void IsduConsole::setPort(int portIndex)
{
    const int item = m_ui->cbox_port->findText(QStringLiteral("Port %1").arg(portIndex + 1));
    if (item >= 0)
        m_ui->cbox_port->setCurrentIndex(item);
}

void IsduConsole::onSendTextChanged()
{
    QTextCursor cursor = m_ui->textEdit_write->textCursor();
    const QString text = m_ui->textEdit_write->toPlainText();
    const bool blockInserted = m_lastCharsAdded > 1;
    m_lastCharsAdded = 0;

    if (!blockInserted) {
        // A keystroke: judge the character just typed, before the cursor.
        const int pos = cursor.position();
        if (pos < 1 || pos > text.size())
            return;
        const QChar typed = text.at(pos - 1);
        const bool allowed = isHexDigit(typed) || typed == QLatin1Char(' ');
        const int digits = text.size() - text.count(QLatin1Char(' '));
        if (!allowed || digits > maxHexDigits)
            cursor.deletePreviousChar();
        return;
    }

    int pos = cursor.position();
    const QString cleaned = cleanHexInput(text, pos, maxHexDigits);
    if (cleaned == text)
        return;
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(cleaned);
    cursor.endEditBlock();
    cursor.setPosition(qBound(0, pos, cleaned.size()));
    m_ui->textEdit_write->setTextCursor(cursor);
}

IsduRequestBlock IsduConsole::requestFromForm(int operation, int port) const
{
    // An empty field still gives one (empty) part, sent as data byte 0.
    const QString field = m_ui->textEdit_write->toPlainText();
    const QStringList parts = field.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    int length = 0;
    if (operation == IsduService::read) {
        length = m_ui->sbox_length->value();
    } else if (operation == IsduService::write) {
        // Length 0 writes the bytes typed; spaces at the end add none.
        length = m_ui->sbox_length->value();
        if (length == 0 && !field.trimmed().isEmpty())
            length = qMin(int(field.trimmed().split(QLatin1Char(' '), Qt::KeepEmptyParts).size()), maxDataBytes);
    }
    IsduRequestBlock block = IsduRequestBlock::make(quint8(operation), quint8(port), quint16(m_ui->sbox_index->value()),
                                                    quint8(m_ui->sbox_subIndex->value() & 0xFF), quint8(length));
    if (operation == IsduService::write) {
        for (int i = 0; i < parts.size() && i < maxDataBytes; ++i)
            block.data()[i] = quint8(parts.at(i).toUInt(nullptr, 16) & 0xFF);
    }
    return block;
}

void IsduConsole::onSendClicked()
{
    LinkHub *hub = LinkHub::instance();
    AdapterLink *link = hub ? hub->link() : nullptr;
    if (!link || m_pending)
        return;

    const int operation = m_ui->cbox_Control->currentIndex();
    const int port = m_ui->cbox_port->currentIndex() + 1;

    emit exchangeRunning(true);
    m_ui->pbtn_send->setEnabled(false);
    LinkReply *reply = link->exchangeIsdu(requestFromForm(operation, port), responseWaitMs, this, responsePollMs);
    m_pending = reply;
    connect(reply, &LinkReply::finished, this, [this, reply, operation, port] {
        reply->deleteLater();
        m_pending = nullptr;
        onAnswered(reply->job().request, reply->isdu(), operation, port);
    });
}

void IsduConsole::onAnswered(const IsduRequestBlock &request, const IsduExchange &exchange, int operation, int port)
{
    Entry entry;
    entry.request = request;
    entry.time = QTime::currentTime();
    entry.outcome = exchange.outcome;
    entry.response = exchange.response;
    m_history.append(entry);
    appendEntry(entry);
    if (request.service() == IsduService::write)
        journalWrite(request, exchange, port);

    m_ui->pbtn_send->setEnabled(true);
    if (exchange.outcome == IsduOutcome::Answered) {
        m_lastLength = exchange.response.length();
        m_ui->label_lastLength->setText(tr("上次应答长度：%1").arg(m_lastLength));
    }
    // 0 asks for whatever the device sends, so the next read of another
    // index is not cut to the length of this one.
    if (operation == IsduService::read || operation == IsduService::write)
        m_ui->sbox_length->setValue(0);

    if (exchange.outcome == IsduOutcome::NoAnswer) {
        PortStatusMonitor::relearn(port - 1);
        emit replied(operation, 0);
        emit exchangeRunning(false);
        return;
    }

    const int status = exchange.response.status();
    if (!exchange.succeeded()) {
        const QString statusText = isduStatusText(quint8(status));
        if (!statusText.isEmpty())
            qCDebug(lcViews).noquote() << statusText;
        if (status == IsduStatus::communicationFailed)
            PortStatusMonitor::relearn(port - 1);
        emit replied(operation, operation == IsduService::clearData ? 2 : status);
        emit exchangeRunning(false);
        return;
    }

    const int shown = m_ui->cbox_Control->currentIndex();
    if (shown == IsduService::noOperation || shown == IsduService::clearData) {
        if (shown == IsduService::clearData) {
            m_ui->cbox_Control->setCurrentIndex(IsduService::noOperation);
            m_ui->sbox_index->setValue(0);
            m_ui->sbox_subIndex->setValue(0);
            m_ui->sbox_length->setValue(0);
        }
        return;
    }
    emit replied(operation, status);
    emit exchangeRunning(false);
}

// A raw write goes into the journal like every other write; a failure to
// record it is said in the console.
void IsduConsole::journalWrite(const IsduRequestBlock &request, const IsduExchange &exchange, int port)
{
    WriteJournal::Record r = WriteJournal::now(QStringLiteral("vanto-hub8"), port, QStringLiteral("raw"));
    r.index = request.index();
    r.subindex = request.subindex();
    r.after = writtenData(request);
    r.outcome = exchange.outcome != IsduOutcome::Answered ? QStringLiteral("no answer")
        : exchange.response.success()                     ? QStringLiteral("taken")
                                      : outcomeText(exchange.outcome, request, exchange.response, false);
    QString error;
    if (!WriteJournal::append(r, &error))
        m_ui->textEdit_read->append(tr("未记入写入记录：%1").arg(error));
}

void IsduConsole::appendEntry(const Entry &entry)
{
    const bool asText = m_textMode != 0;
    const QString line = entry.time.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral("  ")
        + requestText(entry.request, asText) + QStringLiteral(" → ")
        + outcomeText(entry.outcome, entry.request, entry.response, asText);
    const bool failed = entry.outcome != IsduOutcome::Answered || !entry.response.success();

    QTextDocument *document = m_ui->textEdit_read->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (!document->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    if (failed)
        format.setForeground(QColor(failureRgb));
    cursor.insertText(line, format);
    m_ui->textEdit_read->setTextCursor(cursor);
    m_ui->textEdit_read->ensureCursorVisible();
}

void IsduConsole::onClearClicked()
{
    m_ui->textEdit_read->clear();
    m_history.clear();
}

void IsduConsole::onAsciiToggled(int state)
{
    m_textMode = state;
    for (const Entry &entry : m_history) {
        const bool read = entry.request.service() == IsduService::read && entry.outcome == IsduOutcome::Answered
            && entry.response.success();
        if (m_textMode != 0 && read)
            qCDebug(lcViews).noquote() << QStringLiteral("ss:") + hexText(entry.response.data());
    }
    showHistory();
}

void IsduConsole::showHistory()
{
    m_ui->textEdit_read->clear();
    for (const Entry &entry : m_history)
        appendEntry(entry);
}
