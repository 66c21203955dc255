#ifndef ISDUCONSOLE_H
#define ISDUCONSOLE_H

#include "link/isduexchange.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QTime>
#include <QWidget>

namespace Ui {
class IsduConsole;
}
class LinkReply;

// Raw ISDU console: sends one request block (operation, port, index,
// subindex, length, hex data) to the adapter's mailbox, polls for the answer
// and writes what happened into the receive area: the data read, what was
// written, or why it failed. On the Basic info page of a port without a
// device description, so such a device can still be read and written by
// index, and on a tab of its own for ports with one.
class IsduConsole : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(IsduConsole)

public:
    explicit IsduConsole(QWidget *parent = nullptr);
    ~IsduConsole() override;

    // Appends "Port 1" ... "Port n" to the port list; n < 1 adds nothing.
    void setPortCount(int n);
    // Selects "Port <portIndex + 1>" when the list holds it.
    void setPort(int portIndex);

    // The response is read every responsePollMs while the mailbox says busy,
    // for responseWaitMs at most; then the request counts as unanswered.
    static constexpr int responsePollMs = 50;
    static constexpr int responseWaitMs = 2000;
    // Most data bytes one request carries, and the hex digits that take.
    static constexpr int maxDataBytes = 32;
    static constexpr int maxHexDigits = 2 * maxDataBytes;

signals:
    // true when an exchange starts, false when it ends (except after a
    // successful no-operation or clear-data request).
    void exchangeRunning(bool running);
    // Operation index and result: the response status, 0 on a link failure.
    void replied(int operation, int result);

public slots:
    void onSendTextChanged();
    void onSendClicked();

protected:
    // A switch of language: the form's texts, the operations and the receive
    // area again.
    void changeEvent(QEvent *event) override;

private slots:
    void onClearClicked();
    void onAsciiToggled(int state);

private:
    // Shows the outcome of the request sent by onSendClicked().
    void onAnswered(const IsduRequestBlock &request, const IsduExchange &exchange, int operation, int port);
    // One exchange as the receive area shows it.
    struct Entry
    {
        QTime time; // when the outcome was known
        IsduRequestBlock request;
        IsduOutcome outcome = IsduOutcome::NoAnswer;
        IsduResponseBlock response;
    };

    IsduRequestBlock requestFromForm(int operation, int port) const;
    void journalWrite(const IsduRequestBlock &request, const IsduExchange &exchange, int port);
    void appendEntry(const Entry &entry);
    // The receive area written again from the history.
    void showHistory();
    void showTexts();

    Ui::IsduConsole *m_ui;
    // Every exchange since the last clear, to show again in the other mode.
    QList<Entry> m_history;
    QPointer<LinkReply> m_pending;
    // Last state of the "ASCII" box: 0 hex, otherwise text.
    int m_textMode = 0;
    int m_lastLength = -1; // length of the last answer; -1 before the first
    // Characters added by the last edit of the data field: more than one
    // means a paste (or another block insertion) rather than a keystroke.
    int m_lastCharsAdded = 0;
};

#endif // ISDUCONSOLE_H
