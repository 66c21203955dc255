#ifndef WIDGET_PARAMETER_H
#define WIDGET_PARAMETER_H

#include "description/ioddrecords.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QVector>
#include <QWidget>

#include <functional>

class QTableWidgetItem;
class tableLineEdit;

namespace Ui {
class widget_Parameter;
}

// Parameter page of a port with a known device description: one table row
// per entry of every menu of the current role, edited in place, read from and
// written to the device by ISDU through the adapter's mailbox.
//
// The page keeps its own copy of the role menus; reads, edits and writes all
// work on the entries inside it, so each entry carries its current value text
// and modified flag from one operation to the next.
class widget_Parameter : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(widget_Parameter)

public:
    explicit widget_Parameter(QWidget *parent = nullptr);
    ~widget_Parameter() override;

    // Waits between the steps of the exchanges, in milliseconds.
    static constexpr int recordReadWaitMs = 200;     // before and after the response of a subindex-0 read
    static constexpr int singleItemReadWaitMs = 100; // before the response of a single-item read
    static constexpr int singleItemWriteWaitMs = 200;
    static constexpr int recordWriteWaitMs = 400;

    // The adapter port, 0-based.
    void setPort(int port);
    int port() const { return m_port; }
    // Stores the menus of one role menu set ("ObserverRoleMenuSet", ...),
    // replacing an earlier list. Ignored while an operation runs.
    void addRoleMenus(const QList<treeItem> &menus, const QString &roleSet);
    // Shows the menus of roleSet. Ignored while an operation runs.
    void setRole(const QString &roleSet);
    QString role() const { return m_currentRole; }
    // Builds the rows of the current role again. Ignored while an operation runs.
    void rebuild();

public slots:
    void slot_pbtn_readall();
    void slot_pbtn_readFix();
    void slot_pbtn_writefix();

private:
    enum class ReadMode { All, ModifiedOnly };

    // Where an entry lives: the menu indexes from the role's top list down,
    // and the entry's position in that menu's values.
    struct EntryRef
    {
        QVector<int> menuPath;
        int value = 0;
    };

    void setUpTable();
    void clearRows();
    void addMenuRows(treeItem &menu, const QVector<int> &path);
    void addRow(valueItem &entry, const EntryRef &ref);
    valueItem *entryAt(const EntryRef &ref);
    void markEdited(const EntryRef &ref, const QString &text);

    // Runs one operation with the link busy and the loading overlay shown.
    // Nothing happens when another operation runs, the link is missing or the
    // port is not in operation. body returns false when the page was deleted
    // during one of its waits; so does runOperation then, and the caller must
    // return without touching the page.
    bool runOperation(const std::function<bool()> &body);

    // Each returns false when the page was deleted during one of its waits;
    // the caller must then return at once without touching the page.
    bool readMenu(treeItem &menu, ReadMode mode);
    bool writeMenu(treeItem &menu);

    void updateTable();
    void updateMenuRows(const treeItem &menu);
    int findRow(const QString &label, const QString &index) const;
    void sendButtonCommand(const EntryRef &ref);

    // Shows why a typed value was not taken, at its cell.
    void showRefusal(int row, const QString &text, const QString &why);
    // Entries whose last read gave no value, by index and label.
    static QString readKey(const valueItem &entry);
    void noteRead(const valueItem &entry, bool ok);

    Ui::widget_Parameter *ui;
    QMap<QString, QList<treeItem>> menusByRole;
    QString m_currentRole;
    int m_port = 0;
    bool m_running = false;
    QList<tableLineEdit *> m_delegates;
    QSet<QString> m_failedReads;
    QString m_lastRefusal;

public:
    // The text a cell shows when its read gave no value.
    static QString readFailedText();
    // The message of the last typed value that was refused (test hook).
    QString lastRefusal() const { return m_lastRefusal; }
};

#endif // WIDGET_PARAMETER_H
