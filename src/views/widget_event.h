#ifndef WIDGET_EVENT_H
#define WIDGET_EVENT_H

#include <QMap>
#include <QMetaType>
#include <QString>
#include <QWidget>

#include <cstdint>

namespace Ui {
class widget_event;
}

// The "Message event" page: one row per diagnosis event of the port, rebuilt
// from the complete set each time one arrives.
class widget_event : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(widget_event)

public:
    // One diagnosis event. The sender owns the records.
    struct diagnosisItem
    {
        QString errorTime;    // when it was raised, display text
        QString recoveryTime; // when it cleared; empty while present
        QString text;
        bool isError = false; // true while the event is present
    };
    // A set of events keyed by event number.
    typedef QMap<uint8_t, diagnosisItem *> diagnosisMap;

    explicit widget_event(QWidget *parent = nullptr);
    ~widget_event() override;

public slots:
    void onCreateItem(widget_event::diagnosisItem *item);
    void onDiagnosis(QMap<uint8_t, widget_event::diagnosisItem *> items);

private:
    Ui::widget_event *ui;
};

Q_DECLARE_METATYPE(widget_event::diagnosisItem *)
Q_DECLARE_METATYPE(widget_event::diagnosisMap)

#endif // WIDGET_EVENT_H
