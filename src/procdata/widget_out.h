#ifndef WIDGET_OUT_H
#define WIDGET_OUT_H

#include "description/ioddrecords.h"

#include <QByteArray>
#include <QWidget>

namespace Ui {
class widget_out;
}

// The "Out port" page: the device's output process data with an editor per
// value, written as a whole to the port's process-data output window. A
// record of one-bit values is written as 16-bit words by subindex, a single
// value as big-endian octets.
class widget_out : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(widget_out)

public:
    // Item data roles of the column-0 cells.
    enum Role {
        BitOffsetRole = Qt::UserRole + 2, // bit offset text
        BitLengthRole = Qt::UserRole + 3, // bit length as text (processDataCodec::itemBitLength)
        SubindexRole = Qt::UserRole + 4,  // subindex text, "1" for a single value
    };

    // Wait before and after the write, with the link marked busy.
    static constexpr int settleMs = 200;

    explicit widget_out(QWidget *parent = nullptr);
    ~widget_out() override;

    void setPort(int port);
    int bitLength() const { return m_bitLength; }
    // Fills the table from the output process-data node.
    void setProcessData(const treeItem &item);

public slots:
    void slot_pbtn_allFalseClicked();
    void slot_pbtn_allTrueclicked();
    void slot_pbtn_writeClicked();

private:
    void setAllCombos(const QString &text);
    // The value of a single-value page's editor, fixed up to the editor's range.
    quint64 singleValue();
    // The words of a record of one-bit values, one bit per subindex.
    QString recordWordsText() const;

    Ui::widget_out *ui;
    int m_bitLength = 0;
    int port = 0;
};

#endif // WIDGET_OUT_H
