#ifndef LAMPTILE_H
#define LAMPTILE_H

#include <QString>
#include <QWidget>

namespace Ui {
class LampTile;
}

// A lamp tile for one one-bit input value: a green or red lamp above the
// value's name.
class LampTile : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(LampTile)

public:
    static constexpr int minimumTileWidth = 70;
    static constexpr int maximumTileWidth = 150;

    explicit LampTile(QWidget *parent = nullptr);
    ~LampTile() override;

    // The name under the lamp, wrapped when long; whole in the tool tip.
    void setName(const QString &name);
    QString name() const { return m_name; }

    // Lights the lamp (true) or shows it off (false).
    void setState(bool on);
    // The last state shown; false before the first setState.
    bool state() const { return m_state; }

private:
    Ui::LampTile *m_ui;
    QString m_name;
    bool m_state = false;
    bool m_hasState = false;
};

#endif // LAMPTILE_H
