#ifndef WIDGET_PORTDO_H
#define WIDGET_PORTDO_H

#include <QWidget>

namespace Ui {
class widget_portDO;
}

// One-line view of a port used as a digital output: writes the chosen 0 or 1
// to the port's output window.
class widget_portDO : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(widget_portDO)

public:
    explicit widget_portDO(QWidget *parent = nullptr);
    ~widget_portDO() override;

    void setPort(unsigned port);
    // The value to write back to 0: the view is given another port.
    void reset();

public slots:
    void slot_pbtn_WriteClicked();

protected:
    // A switch of language: the form's texts again.
    void changeEvent(QEvent *event) override;

private:
    Ui::widget_portDO *ui;
    unsigned port = 0;
};

#endif // WIDGET_PORTDO_H
