#ifndef EVENTPAGE_H
#define EVENTPAGE_H

#include <QMap>
#include <QMetaType>
#include <QString>
#include <QWidget>

#include <cstdint>

struct DeviceStatusReading;

namespace Ui {
class EventPage;
}

// The "Message event" page: one row per diagnosis event of the port, rebuilt
// from the complete set each time one arrives, and the device's Device
// Status above them.
class EventPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(EventPage)

public:
    // One diagnosis event. The sender owns the records.
    struct DiagnosisItem
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
    typedef QMap<uint8_t, DiagnosisItem *> DiagnosisMap;

    explicit EventPage(QWidget *parent = nullptr);
    ~EventPage() override;

    enum Column { ColumnRaised, ColumnCleared, ColumnCode, ColumnText, ColumnType, ColumnMode, ColumnState };

public slots:
    void onDiagnosisChanged(QMap<uint8_t, EventPage::DiagnosisItem *> items);
    // The device's Device Status as last read on `port`.
    void onStatusRead(int port, const DeviceStatusReading &reading);

protected:
    // A switch of language: the form's texts, the column titles and the
    // Device Status line again. The rows follow when the port's events are
    // handed in again.
    void changeEvent(QEvent *event) override;

private:
    void addRow(EventPage::DiagnosisItem *item);
    void showHeaders();
    void showStatusLine();

    Ui::EventPage *m_ui;
    // The Device Status as last shown; -2 before the first read, -1 when the
    // device does not provide it.
    int m_status = -2;
    QString m_statusTime;
};

Q_DECLARE_METATYPE(EventPage::DiagnosisItem *)
Q_DECLARE_METATYPE(EventPage::DiagnosisMap)

#endif // EVENTPAGE_H
