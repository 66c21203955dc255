#ifndef PROCESSDATAOUTPAGE_H
#define PROCESSDATAOUTPAGE_H

#include "codec/processdatacodec.h"
#include "description/ioddrecords.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QLabel;
class OutValueDelegate;
class AdapterLink;
class ComboBoxDelegate;

namespace Ui {
class ProcessDataOutPage;
}

// The "Out port" page: the device's output process data with a value cell per
// item, encoded at the items' bit offsets and written as a whole to the
// port's process-data output window.
class ProcessDataOutPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ProcessDataOutPage)

public:
    // Item data roles of the column-0 cells.
    enum Role {
        BitOffsetRole = Qt::UserRole + 2, // bit offset text
        BitLengthRole = Qt::UserRole + 3, // bit length as text (ProcessDataCodec::itemBitLength)
        SubindexRole = Qt::UserRole + 4,  // subindex text
    };

    // The write button stays off this long after a write.
    static constexpr int settleMs = 200;

    explicit ProcessDataOutPage(QWidget *parent = nullptr);
    ~ProcessDataOutPage() override;

    void setPort(int port);
    // The device, for the question before a write and the write journal.
    void setDeviceName(const QString &name, qint64 vendorId = -1, qint64 deviceId = -1)
    {
        m_deviceName = name;
        m_vendorId = vendorId;
        m_deviceId = deviceId;
    }
    // A line above the table saying which process-data layout is shown and why.
    void setLayoutNote(const QString &text);
    QString layoutNote() const;
    int bitLength() const { return m_bitLength; }
    // Fills the table from the output process-data node.
    void setProcessData(const TreeItem &item);
    // The names of the same node in other words (another language): the
    // rows' names change, what was typed stays. A node whose items lie
    // elsewhere changes nothing.
    void showNames(const TreeItem &item);
    // What a row's value cell holds: a choice's entry name, or the typed text.
    QString input(int row) const;
    void setInput(int row, const QString &text);
    // The octets the editors stand for now; `errors` lists what cannot be sent.
    QByteArray processData(QStringList *errors) const;
    // Why the last write did not happen, empty after a good one.
    QString lastError() const { return m_lastError; }

public slots:
    void onAllFalseClicked();
    void onAllTrueClicked();
    void onWriteClicked();

protected:
    // A switch of language: the form's texts and the editors' tool tips again.
    void changeEvent(QEvent *event) override;

private:
    // Every one-bit item to its on (true) or off entry.
    void setAllBits(bool on);
    // What each row's editor holds (see ProcessDataCodec::encode).
    QVector<QString> inputs() const;
    // Writes the output window and journals it with what it held before.
    void writeOutput(AdapterLink *link, quint16 address, const QByteArray &block, const QByteArray &before);

    static constexpr int valueColumn = 2;

    Ui::ProcessDataOutPage *m_ui;
    ComboBoxDelegate *m_choices = nullptr;
    OutValueDelegate *m_typed = nullptr;
    QLabel *m_layoutNote = nullptr;
    ProcessDataCodec::Layout m_layout;
    int m_bitLength = 0;
    int m_port = 0;
    QString m_deviceName;
    qint64 m_vendorId = -1, m_deviceId = -1;
    QString m_lastError;
};

#endif // PROCESSDATAOUTPAGE_H
