#ifndef JOURNALDIALOG_H
#define JOURNALDIALOG_H

#include <QDialog>
#include <QList>

#include <functional>

class QLabel;
class QTableWidget;

namespace WriteJournal {
struct Record;
}

// The write journal (WriteJournal), newest first: what was written to which
// device, when, by whom, and with what outcome. "导出…" saves it as CSV.
class JournalDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(JournalDialog)

public:
    // The rows shown at most; the file may hold more.
    static constexpr int maxRows = 2000;

    explicit JournalDialog(QWidget *parent = nullptr);

    // Replaces the save-file dialog (tests): (caption, proposed name) -> path, empty when cancelled.
    using SaveFileFunction = std::function<QString(const QString &, const QString &)>;
    void setSaveFileFunction(SaveFileFunction function) { m_saveFile = std::move(function); }

    // The journal as CSV, the columns of the table, oldest first.
    static QByteArray csvOf(const QList<WriteJournal::Record> &records);

private:
    void exportCsv();

    QTableWidget *m_table;
    QLabel *m_note;
    SaveFileFunction m_saveFile;
};

#endif // JOURNALDIALOG_H
