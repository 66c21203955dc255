#ifndef PARAMETERSETDIALOG_H
#define PARAMETERSETDIALOG_H

#include "codec/parameterset.h"

#include <QDialog>
#include <QHash>
#include <QString>
#include <QStringList>

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QTableWidget;

// Shows a saved parameter set beside the device's values, one row per entry
// of the file (the device side's label, else the file's; index:subindex; file
// value; device value; state), and
// lets the user tick the entries to write. The different writable ones come
// ticked; rows that cannot be written have no tick box.
class ParameterSetDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(ParameterSetDialog)

public:
    // Column of the tick boxes; the others follow in the order above.
    static constexpr int tickColumn = 0;
    static constexpr int stateColumn = 5;

    // `fileName` names the set in the heading; `notes` says, per
    // index:subindex, why the device side has no value (shown for rows only
    // in the file).
    ParameterSetDialog(const QString &fileName, const ParameterSet::Set &file, const ParameterSet::Identity &device,
                       const ParameterSet::Comparison &comparison, const QHash<QString, QString> &notes,
                       QWidget *parent = nullptr);

    // The index:subindex of every ticked row, in the file's order.
    QStringList tickedKeys() const;
    static QString stateText(const ParameterSet::Row &row);

private:
    void updateSummary();
    void showOnlyDifferent(bool only);

    ParameterSet::Comparison m_comparison;
    QLabel *m_summary = nullptr;
    QTableWidget *m_table = nullptr;
    QCheckBox *m_onlyDifferent = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};

#endif // PARAMETERSETDIALOG_H
