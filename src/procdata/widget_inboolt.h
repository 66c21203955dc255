#ifndef WIDGET_INBOOLT_H
#define WIDGET_INBOOLT_H

#include <QString>
#include <QWidget>

namespace Ui {
class widget_inBoolT;
}

// A lamp tile for one one-bit input value: a green or red lamp above the
// value's name.
class widget_inBoolT : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(widget_inBoolT)

public:
    static constexpr int minimumTileWidth = 70;

    explicit widget_inBoolT(QWidget *parent = nullptr);
    ~widget_inBoolT() override;

    // The name under the lamp; the tile becomes wide enough for all of it.
    void setName(const QString &name);
    QString name() const { return m_name; }

    // Lights the lamp (true) or shows it off (false).
    void setState(bool on);
    // The last state shown; false before the first setState.
    bool state() const { return m_state; }
    bool hasState() const { return m_hasState; }

private:
    Ui::widget_inBoolT *ui;
    QString m_name;
    bool m_state = false;
    bool m_hasState = false;
};

#endif // WIDGET_INBOOLT_H
