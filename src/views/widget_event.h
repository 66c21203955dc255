#ifndef WIDGET_EVENT_H
#define WIDGET_EVENT_H

#include <QMap>
#include <QMetaType>
#include <QString>
#include <QWidget>

#include <cstdint>

struct DeviceStatusReading;

namespace Ui {
class widget_event;
}

// The "Message event" page: one row per diagnosis event of the port, rebuilt
// from the complete set each time one arrives, and the device's Device
// Status above them.
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
        // Events the device reports in its Detailed Device Status; the
        // tool's own events (communication lost, adapter silent) have none.
        bool fromDevice = false;
        quint16 code = 0;     // IO-Link event code
        quint8 qualifier = 0; // its event qualifier: mode, type, source
        QString detail;       // what the description says to do, if anything
    };
    // A set of events keyed by event number.
    typedef QMap<uint8_t, diagnosisItem *> diagnosisMap;

    explicit widget_event(QWidget *parent = nullptr);
    ~widget_event() override;

    enum Column { ColumnRaised, ColumnCleared, ColumnCode, ColumnText, ColumnType, ColumnMode, ColumnState };

public slots:
    void onCreateItem(widget_event::diagnosisItem *item);
    void onDiagnosis(QMap<uint8_t, widget_event::diagnosisItem *> items);
    // The device's Device Status as last read on `port`.
    void showDeviceStatus(int port, const DeviceStatusReading &reading);

protected:
    // A switch of language: the form's texts, the column titles and the
    // Device Status line again. The rows follow when the port's events are
    // handed in again.
    void changeEvent(QEvent *event) override;

private:
    void showHeaders();
    void showStatusLine();

    Ui::widget_event *ui;
    // The Device Status as last shown; -2 before the first read, -1 when the
    // device does not provide it.
    int m_status = -2;
    QString m_statusTime;
};

Q_DECLARE_METATYPE(widget_event::diagnosisItem *)
Q_DECLARE_METATYPE(widget_event::diagnosisMap)

#endif // WIDGET_EVENT_H
