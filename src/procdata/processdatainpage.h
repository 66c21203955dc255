#ifndef PROCESSDATAINPAGE_H
#define PROCESSDATAINPAGE_H

#include "codec/processdatacodec.h"
#include "description/ioddrecords.h"

#include <QByteArray>
#include <QMap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVector>
#include <QWidget>

class QLabel;

namespace Ui {
class ProcessDataInPage;
}
class LinkReply;
class QHideEvent;
class ProcessDataTrend;
class LampTile;

// The "In port" page: the device's input process data in a table, every
// one-bit value also as a lamp tile. Once started it reads the port's
// process-data input window every 300 ms and refreshes table and tiles.
class ProcessDataInPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ProcessDataInPage)

public:
    // Item data roles of the table rows.
    enum Role {
        BitOffsetRole = Qt::UserRole + 2,      // column 0: bit offset text
        BitLengthRole = Qt::UserRole + 3,      // column 0: bit length as text (ProcessDataCodec::itemBitLength)
        TypeRole = Qt::UserRole + 4,           // column 2: datatype kind
        SubindexRole = Qt::UserRole + 5,       // column 0: subindex text
        SubindexAccessRole = Qt::UserRole + 6, // column 0: subindexAccess text, "true" when blank
        PositionRole = Qt::UserRole + 7,       // column 2: position in items (int)
    };

    static constexpr int pollIntervalMs = 300;

    explicit ProcessDataInPage(QWidget *parent = nullptr);
    ~ProcessDataInPage() override;

    void setPort(int port);
    // Taken off its port, to be given another device's process data later:
    // reading stops, the layout note goes, the trend runs again if paused.
    void release();
    // A line above the table saying which process-data layout is shown and why.
    void setLayoutNote(const QString &text);
    QString layoutNote() const;
    int bitLength() const { return m_layout.bitLength; }
    // Fills the table and the tile area from the input process-data node.
    void setProcessData(const TreeItem &item);
    // The names of the same node in other words (another language): rows and
    // tiles are renamed, their readings and the trend stay. A node whose
    // items lie elsewhere changes nothing.
    void showNames(const TreeItem &item);

    // Shows one block of input data read from the adapter: every row at its
    // bit offset, numbers in display units with their unit.
    void refresh(const QByteArray &data);

    bool isPolling() const { return m_timer.isActive(); }
    // The tile of a one-bit value, by the value's shown name; null if none.
    LampTile *tile(const QString &name) const { return m_tiles.value(name, nullptr); }
    // The trend below the table; it records every refresh.
    ProcessDataTrend *trend() const { return m_trend; }

signals:
    void pollingChanged(bool started);

public slots:
    void onStartClicked();
    void onStopClicked();
    void onPollTimeout();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // A switch of language: the form's texts again.
    void changeEvent(QEvent *event) override;

private:
    void clearTiles();
    // As many tiles to a row as the tile area's width takes.
    void layOutTiles();
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Greys the values and says their age once they are older than two polls.
    void showAge();
    void setStaleNote(const QString &text);

    Ui::ProcessDataInPage *m_ui;
    QLabel *m_layoutNote = nullptr;
    int m_port = 0;
    QTimer m_timer;
    QString m_name;
    ProcessDataCodec::Layout m_layout;
    QMap<QString, LampTile *> m_tiles;
    QVector<LampTile *> m_rowTiles; // per row, null for rows without a lamp
    bool m_placed = false;          // the table/trend border set once shown
    int m_tileColumns = 0;          // tiles per row as laid out
    ProcessDataTrend *m_trend = nullptr;
    // The octets the table shows and their values, for a poll that reads the same.
    QByteArray m_shownData;
    QVector<ProcessDataCodec::ItemValue> m_shownValues;
    bool m_shownValid = false;
    QPointer<LinkReply> m_pendingRead; // the poll on its way
    qint64 m_refreshedAtMs = 0;        // when the last poll came back, 0 before the first
    bool m_staleShown = false;
    QLabel *m_staleNote = nullptr;
};

#endif // PROCESSDATAINPAGE_H
