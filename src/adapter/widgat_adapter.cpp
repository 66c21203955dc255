#include "widgat_adapter.h"
#include "ui_widgat_adapter.h"

#include "link/common.h"
#include "link/linkexchange.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"

#include <QStringList>
#include <QTextCursor>
#include <QTextDocument>

namespace {

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

} // namespace

widgat_adapter::widgat_adapter(QWidget *parent) : QWidget(parent), ui(new Ui::widgat_adapter)
{
    ui->setupUi(this);
    ui->cbox_Control->addItem(tr("无操作"));
    ui->cbox_Control->addItem(tr("清除数据"));
    ui->cbox_Control->addItem(tr("写操作"));
    ui->cbox_Control->addItem(tr("读操作"));
    ui->textEdit_read->setReadOnly(true);

    connect(ui->textEdit_write->document(), &QTextDocument::contentsChange, this,
            [this](int, int, int charsAdded) { lastCharsAdded = charsAdded; });
    connect(ui->textEdit_write, &QTextEdit::textChanged, this, &widgat_adapter::slot_textReadHEX);
    connect(ui->pbtn_send, &QPushButton::clicked, this, &widgat_adapter::slot_pbtn_sendClicked);
}

widgat_adapter::~widgat_adapter()
{
    delete ui;
}

void widgat_adapter::setPortCount(int n)
{
    for (int i = 1; i <= n; ++i)
        ui->cbox_port->addItem(QStringLiteral("Port %1").arg(i));
}

void widgat_adapter::setPort(int portIndex)
{
    const int item = ui->cbox_port->findText(QStringLiteral("Port %1").arg(portIndex + 1));
    if (item >= 0)
        ui->cbox_port->setCurrentIndex(item);
}

void widgat_adapter::slot_textReadHEX()
{
    QTextCursor cursor = ui->textEdit_write->textCursor();
    const QString text = ui->textEdit_write->toPlainText();
    const bool blockInserted = lastCharsAdded > 1;
    lastCharsAdded = 0;

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
    ui->textEdit_write->setTextCursor(cursor);
}

void widgat_adapter::slot_pbtn_sendClicked()
{
    common *hub = common::instance();
    myModbus *link = hub ? hub->modbus : nullptr;
    if (!link)
        return;

    const int operation = ui->cbox_Control->currentIndex();
    const int port = ui->cbox_port->currentIndex() + 1;
    const int index = ui->sbox_index->value();
    const int subIndex = ui->sbox_subIndex->value();

    emit sigExec(true);
    const BusyGuard busy(link);
    ui->pbtn_send->setEnabled(false);

    // An empty field still gives one (empty) part, sent as data byte 0.
    const QStringList parts = ui->textEdit_write->toPlainText().split(QLatin1Char(' '), Qt::KeepEmptyParts);
    const bool carriesLength = operation == isduservice::read || operation == isduservice::write;
    IsduRequestBlock block =
        IsduRequestBlock::make(quint8(operation), quint8(port), quint16(index), quint8(subIndex & 0xFF),
                               carriesLength ? quint8(ui->sbox_length->value()) : quint8(0));
    if (operation == isduservice::write) {
        for (int i = 0; i < parts.size() && i < maxDataBytes; ++i)
            block.data()[i] = quint8(parts.at(i).toUInt(nullptr, 16) & 0xFF);
    }

    auto endWithLinkFailure = [this, operation, port] {
        portStatusMonitor::relearn(port - 1);
        ui->pbtn_send->setEnabled(true);
        emit sigReply(operation, 0);
        emit sigExec(false);
    };

    if (link->writeRegisters(adapterregs::isduRequest, block.toByteArray(), adapterregs::isduBlockRegisters) != 0) {
        endWithLinkFailure();
        return;
    }

    // The window stays live during the wait; the page may be rebuilt meanwhile.
    if (!waitUnlessGone(this, responseWaitMs))
        return;

    QByteArray reply;
    if (link->readRegisters(adapterregs::isduResponse, adapterregs::isduBlockRegisters, reply) != 0) {
        endWithLinkFailure();
        return;
    }

    const IsduResponseBlock response(reply);
    const int status = response.status();
    if (!response.success()) {
        qCDebug(lcViews).noquote() << isduStatusText(quint8(status));
        if (status == isdustatus::communicationFailed)
            portStatusMonitor::relearn(port - 1);
        ui->pbtn_send->setEnabled(true);
        emit sigReply(operation, operation == isduservice::clearData ? 2 : status);
        emit sigExec(false);
        return;
    }

    const int shown = ui->cbox_Control->currentIndex();
    if (shown == isduservice::noOperation || shown == isduservice::clearData) {
        if (shown == isduservice::clearData) {
            ui->cbox_Control->setCurrentIndex(isduservice::noOperation);
            ui->sbox_index->setValue(0);
            ui->sbox_subIndex->setValue(0);
            ui->sbox_length->setValue(0);
        }
        ui->pbtn_send->setEnabled(true);
        return;
    }

    const QByteArray data = response.data();
    const QString hex = QString::fromLatin1(data.toHex(' ').toUpper());
    if (operation == isduservice::read) {
        const QString shownText = textMode != 0 ? QString::fromUtf8(upToFirstZero(data)) : hex;
        ui->textEdit_read->append(shownText);
        readHistory += hex + QLatin1Char('\n');
    }
    ui->sbox_length->setValue(response.length());
    ui->pbtn_send->setEnabled(true);
    emit sigReply(operation, status);
    emit sigExec(false);
}

void widgat_adapter::on_pushButton_clicked()
{
    ui->textEdit_read->clear();
    readHistory.clear();
}

void widgat_adapter::on_checkBox_stateChanged(int arg1)
{
    textMode = arg1;
    if (textMode == 0) {
        ui->textEdit_read->setPlainText(readHistory);
        return;
    }
    ui->textEdit_read->clear();
    const QStringList lines = readHistory.split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    for (const QString &line : lines) {
        qCDebug(lcViews).noquote() << QStringLiteral("ss:") + line;
        const QByteArray bytes = QByteArray::fromHex(line.toLatin1());
        ui->textEdit_read->append(QString::fromLatin1(upToFirstZero(bytes)));
    }
}
