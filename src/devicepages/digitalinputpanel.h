#ifndef DIGITALINPUTPANEL_H
#define DIGITALINPUTPANEL_H

#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace Ui {
class DigitalInputPanel;
}
class LinkReply;

// One-line view of a port used as a digital input: once started it reads
// the port's input state every 300 ms and shows it as 0 or 1.
class DigitalInputPanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(DigitalInputPanel)

public:
    static constexpr int pollIntervalMs = 300;

    explicit DigitalInputPanel(QWidget *parent = nullptr);
    ~DigitalInputPanel() override;

    void setPort(unsigned port);
    // Reading stops and the shown state goes: the view is given another port.
    void stop();
    // Sends one read: 0 sent, 1 skipped (no link, the last read still on its
    // way, or the adapter silent). A failed read stops the reading.
    int readInput();

    bool isReading() const { return m_reading; }
    bool isPolling() const { return m_timer.isActive(); }

public slots:
    void onReadClicked();
    void onPollTimeout();

protected:
    // A switch of language: the form's texts and the button's again.
    void changeEvent(QEvent *event) override;

private:
    // "开始读取" or, while reading, "暂停读取".
    void showReadButton();

    Ui::DigitalInputPanel *m_ui;
    bool m_reading = false;
    unsigned m_port = 0;
    QTimer m_timer;
    QPointer<LinkReply> m_pendingRead;
};

#endif // DIGITALINPUTPANEL_H
