#ifndef WIDGAT_ADAPTER_H
#define WIDGAT_ADAPTER_H

#include <QString>
#include <QWidget>

namespace Ui {
class widgat_adapter;
}

// Raw ISDU console: sends one request block (operation, port, index,
// subindex, length, hex data) to the adapter's mailbox, waits 400 ms and
// shows the response data in hex or as text. Used on pages of ports that
// have no device description, so such a device can still be read and
// written by index.
class widgat_adapter : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(widgat_adapter)

public:
    explicit widgat_adapter(QWidget *parent = nullptr);
    ~widgat_adapter() override;

    // Appends "Port 1" ... "Port n" to the port list; n < 1 adds nothing.
    void setPortCount(int n);
    // Selects "Port <portIndex + 1>" when the list holds it.
    void setPort(int portIndex);

    // Time the adapter gets to relay a request before the response is read.
    static constexpr int responseWaitMs = 400;
    // Most data bytes one request carries, and the hex digits that take.
    static constexpr int maxDataBytes = 32;
    static constexpr int maxHexDigits = 2 * maxDataBytes;

signals:
    // true when an exchange starts, false when it ends (except after a
    // successful no-operation or clear-data request).
    void sigExec(bool running);
    // Operation index and result: the response status, 0 on a link failure.
    void sigReply(int operation, int result);

public slots:
    void slot_textReadHEX();
    void slot_pbtn_sendClicked();

private slots:
    void on_pushButton_clicked();
    void on_checkBox_stateChanged(int arg1);

private:
    Ui::widgat_adapter *ui;
    // Every successful read as upper-case hex pairs, one line each.
    QString readHistory;
    // Last state of the "ASCII" box: 0 hex, otherwise text.
    int textMode = 0;
    // Characters added by the last edit of the data field: more than one
    // means a paste (or another block insertion) rather than a keystroke.
    int lastCharsAdded = 0;
};

#endif // WIDGAT_ADAPTER_H
