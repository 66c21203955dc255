#ifndef VARIANTANSWER_H
#define VARIANTANSWER_H

#include <QElapsedTimer>
#include <QEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

// Confirms the first variant of every variant dialog as soon as it is shown.
// The time from its Show to its closing is the user's, not the click's:
// it is kept in dialogMs() for the click to leave out.
class VariantAnswer : public QObject
{
public:
    double dialogMs() const { return m_dialogMs; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->inherits("VariantDialog")) {
            auto *dialog = static_cast<QWidget *>(watched);
            m_shown.start();
            QTimer::singleShot(0, dialog, [this, dialog]() {
                if (auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("table")))
                    table->setCurrentCell(0, 0);
                if (auto *enter = dialog->findChild<QPushButton *>(QStringLiteral("pbtn_enter")))
                    enter->click();
            });
        } else if (event->type() == QEvent::Hide && watched->inherits("VariantDialog") && m_shown.isValid()) {
            m_dialogMs += m_shown.nsecsElapsed() / 1e6;
            m_shown.invalidate();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer m_shown;
    double m_dialogMs = 0;
};

#endif // VARIANTANSWER_H
