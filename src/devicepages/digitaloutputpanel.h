#ifndef DIGITALOUTPUTPANEL_H
#define DIGITALOUTPUTPANEL_H

#include <QWidget>

namespace Ui {
class DigitalOutputPanel;
}

// One-line view of a port used as a digital output: writes the chosen 0 or 1
// to the port's output window.
class DigitalOutputPanel : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(DigitalOutputPanel)

public:
    explicit DigitalOutputPanel(QWidget *parent = nullptr);
    ~DigitalOutputPanel() override;

    void setPort(unsigned port);
    // The value to write back to 0: the view is given another port.
    void reset();

public slots:
    void onWriteClicked();

protected:
    // A switch of language: the form's texts again.
    void changeEvent(QEvent *event) override;

private:
    Ui::DigitalOutputPanel *m_ui;
    unsigned m_port = 0;
};

#endif // DIGITALOUTPUTPANEL_H
