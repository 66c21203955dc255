#ifndef PARAMETERPAGE_H
#define PARAMETERPAGE_H

#include "codec/parameterdownload.h"
#include "codec/parameterset.h"
#include "description/ioddrecords.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QVector>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTableWidgetItem;
struct IsduRequestBlock;
class LinkReply;
class ComboBoxDelegate;
class StatusLabel;
class LineEditDelegate;

namespace Ui {
class ParameterPage;
}

// Parameter page of a port with a known device description: one table row
// per entry of every menu of the current role, edited in place, read from and
// written to the device by ISDU through the adapter's mailbox.
//
// The page keeps its own copy of the role menus. What the device last said
// and what the user typed are kept once per variable (index and subindex),
// shared by every row and role that shows it: a value listed in a °C and a
// °F menu shows the same reading twice and one edit in both. An edited value
// is shown bold until it is written; "写（修改）" sends only those, reads them
// back and shows the device's values. Menus with a condition are shown only
// while their variable holds the condition's value. A status line says what
// the last operation did.
class ParameterPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(ParameterPage)

public:
    explicit ParameterPage(QWidget *parent = nullptr);
    ~ParameterPage() override;

    // How long one exchange may wait for the mailbox's answer, polled every
    // mailboxPollMs; then it counts as no answer.
    static constexpr int recordReadWaitMs = 400;     // a subindex-0 read
    static constexpr int singleItemReadWaitMs = 400; // a read of one subindex
    static constexpr int singleItemWriteWaitMs = 400;
    static constexpr int recordWriteWaitMs = 400;
    static constexpr int mailboxPollMs = 25;

    // The adapter port, 0-based.
    void setPort(int port);
    int port() const { return m_port; }
    // Where the menus of a role menu set ("ObserverRoleMenuSet", ...) come
    // from: asked once per set, when that role is first shown, so that a
    // click builds only the role on screen.
    using MenuSource = std::function<QList<TreeItem>(const QString &roleSet)>;
    void setRoleMenuSource(MenuSource source);
    // Shows the menus of roleSet; an operation running ends first.
    void setRole(const QString &roleSet);
    QString role() const { return m_currentRole; }
    // Builds the rows of the current role again; an operation running ends first.
    void rebuild();
    // The same menus with other texts (the description in another language):
    // the rows are made again from `source`, keeping what was read and typed.
    // While an operation runs, once it has ended.
    void replaceMenuSource(MenuSource source);

    // Cells edited but not written.
    int unwrittenEdits() const;
    // Before the page is left or rebuilt: true when there is nothing to lose,
    // or the user agreed to drop the unwritten edits.
    bool confirmDiscard();

    // The device this page's description is for. Saved sets carry it; a set
    // for another device is refused.
    void setDeviceIdentity(const ParameterSet::Identity &device);
    // The system commands the description lists for the device: they say
    // whether a change is written as a block and stored (ParameterDownload).
    void setSystemCommands(const QList<int> &commands);
    // Whether writes are followed by ParamDownloadStore: the check box
    // "写入后存入数据存储", kept in the settings ("parameters/storeAfterWrite",
    // on by default).
    static bool storeAfterWrite();
    ParameterSet::Identity deviceIdentity() const { return m_identity; }

    // Parameter sets (保存参数 / 载入参数; docs/parameters.md).
    // What the device said for every readable entry of the current role, each
    // index:subindex once, in table order. *leftOut: readable entries without
    // a value (never read, or their last read failed).
    QVector<ParameterSet::Entry> deviceValues(int *leftOut = nullptr);
    // Writes those values with the device's identity to `path`; the status
    // line says how many were saved and left out. False when nothing was
    // read yet or the file could not be written.
    bool saveParameterSet(const QString &path);
    // Asks where to save a set: (caption, suggested path, filter) -> the
    // chosen path, empty when cancelled. Default: the file dialog, which
    // leaves the overwrite question to the page.
    using SaveFileFunction = std::function<QString(const QString &, const QString &, const QString &)>;
    void setSaveFileFunction(SaveFileFunction function) { m_saveFile = std::move(function); }
    // The file's entries beside what the page holds from the device.
    ParameterSet::Comparison compareWithSet(const ParameterSet::Set &file);
    // Reads the set at `path`; refuses it (message box) when it cannot be read
    // or was made for another device; reads the device's current values;
    // shows the comparison and writes the entries the user ticks.
    void loadParameterSet(const QString &path);
    // Puts the set's values of the entries `keys` (index:subindex) into their
    // cells and writes them as "写（修改）" does, reading them back. Values
    // the description does not allow are not put in; the status line names them.
    void restoreFromSet(const ParameterSet::Set &file, const QStringList &keys);

    // What the status line shows.
    QString statusText() const;
    // The text a cell shows when its read gave no value.
    static QString readFailedText();

public slots:
    void onReadAllClicked();
    void onReadModifiedClicked();
    void onWriteModifiedClicked();
    // Ends a running read after its current exchange.
    void onStopClicked();
    // Ask for a file, then save or load a parameter set.
    void onSaveSetClicked();
    void onLoadSetClicked();

    // An operation (read, write, set) is under way.
    bool isRunning() const { return m_running; }

signals:
    // A write of the variable at `index` was taken by the device.
    void variableWritten(int index);
    // An operation ended, whatever its outcome.
    void operationFinished();

protected:
    // A switch of language: the form's texts, the column titles and the
    // cells' tool tips again; the status line keeps the last message.
    void changeEvent(QEvent *event) override;

private:
    enum class ReadMode { All, ModifiedOnly };

    // Where an entry lives: the menu indexes from the role's top list down,
    // and the entry's position in that menu's values.
    struct EntryRef
    {
        QVector<int> menuPath;
        int value = 0;
    };
    // What the device last said about a variable (index and subindex), and
    // what the user typed for it.
    struct DeviceState
    {
        bool read = false;   // the last read gave a value
        QString error;       // why the last read or write failed
        QByteArray raw;      // the data of that read (its whole variable, or the item alone)
        bool edited = false; // typed, not written yet
        ValueItem edit;      // the row typed into, with the typed text
        QByteArray editRaw;  // raw with the typed value in it, for the other rows
        QString written;     // a write-only value as last written
    };
    // An entry to read or write, with where it is.
    struct Target
    {
        ValueItem *entry;
        EntryRef ref;
    };

    void setUpTable();
    // The search line, the menu tree and the details line
    // (parameterpagenavigation.cpp).
    void setUpNavigation();
    // The tree of the shown menus, the chosen one kept when it is still there.
    void fillMenuTree();
    // Shows the rows under the chosen menu that match the search.
    void applyFilter();
    // The details line for a row: name, index, the whole description.
    void showDetails(int row);
    // The table's rows for the current role's menus, conditions applied.
    void showRows();
    void showHeaders();
    void sizeColumns();
    void clearRows();
    void addMenuRows(TreeItem &menu, const QVector<int> &path, const QStringList &names,
                     const QHash<QString, int> &labelCounts);
    void addRow(ValueItem &entry, const EntryRef &ref, const QString &shownLabel);
    ValueItem *entryAt(const EntryRef &ref);
    void markEdited(const EntryRef &ref, const QString &text);
    // The entry's text from its variable's state: the edit, the last value
    // read, or nothing.
    void showState(ValueItem &entry) const;
    // Whether a condition-dependent menu is shown: its variable was read
    // and holds the condition's value.
    bool conditionHolds(const TreeItem &menu) const;
    // The shown menus' conditions as they now evaluate.
    QVector<bool> conditionStates();
    // Every entry of the current role in table order.
    QVector<Target> targets();

    // What comes next when a step of an operation is over.
    using Done = std::function<void()>;
    // Runs one operation: its body sends its exchanges one after another
    // (each a job on the link, answered later) and calls its argument when it
    // is over; then the buttons come back and `after` runs. Nothing happens
    // (false) when another operation runs, the link is missing or the port
    // is not in operation. The exchanges are children of the page, so a page
    // deleted meanwhile ends the operation silently.
    bool runOperation(const std::function<void(const Done &)> &body, const Done &after = {});
    // Whether runOperation would run now.
    bool canOperate() const;
    // The form's buttons for an idle page, or for one running an operation.
    void showOperationButtons(bool idle);
    void endOperation();
    // Ends the running operation now: its exchange is dropped, the buttons
    // come back, nothing of it runs any more.
    void cancelOperation();
    // Reads every readable entry of the current role.
    void readAllTargets(const Done &then);

    // How one ISDU exchange on this page's port ended.
    struct Answer
    {
        bool ok = false;
        QByteArray data;
        QString why;             // what went wrong
        bool linkLost = false;   // the adapter is gone: the operation ends
        quint16 deviceError = 0; // the device's ISDU error code, when it gave one
    };
    void exchange(const IsduRequestBlock &request, int waitMs, const std::function<void(const Answer &)> &then);
    Answer answerOf(const LinkReply *reply, int waitMs) const;
    // What the reads of one operation found, for its status line.
    struct ReadTally
    {
        int values = 0;
        int failed = 0;
        QString lastError;
    };
    struct ReadRun;
    struct WriteRun;
    void finishWrites(const std::shared_ptr<WriteRun> &run);
    // What the device held at a write's address, as last read; empty when unknown.
    QByteArray valueBefore(const ParameterAccess::Request &request) const;
    // Puts one write into the journal (WriteJournal); why it could not, or empty.
    QString journal(const QString &kind, const ParameterAccess::Request &request, const QByteArray &before,
                    const Answer &answer) const;
    static constexpr quint16 serialNumberIndex = 21;
    static constexpr quint16 accessLocksIndex = 12;
    // Words for a write refused while the parameter lock (bit 0 of `locks`) is set; empty otherwise.
    static QString lockHint(const QString &why, const QByteArray &locks);
    // Whether the change is now in the device's Data Storage, for the status line.
    static QString storedText(const ParameterDownload &download);
    // Reads the given entries into the states of their variables.
    void readEntries(const QVector<ValueItem> &list, const std::shared_ptr<ReadTally> &tally, const Done &then);
    void readNext(const std::shared_ptr<ReadRun> &run);
    void writeEdits(const Done &then);
    void writeNext(const std::shared_ptr<WriteRun> &run);
    // The file dialog, the overwrite question and the save.
    void askAndSaveSet();
    // The comparison dialog for a set just read, and the write of what was ticked.
    void compareAndRestore(const QString &path, const ParameterSet::Set &file);

    void updateTable();
    void updateRow(int row);
    void setProgress(int done, int total);
    void setStatus(const QString &text);
    void sendButtonCommand(const EntryRef &ref);
    // Reads the variables of the role's menu conditions and adds their keys
    // to `read`.
    void readConditions(const std::shared_ptr<QSet<QString>> &read, const std::shared_ptr<ReadTally> &tally,
                        const Done &then);

    // Shows why a typed value was not taken, at its cell.
    void showRefusal(int row, const QString &text, const QString &why);
    static QString stateKey(const ValueItem &entry);
    bool isEdited(const ValueItem &entry) const;

    Ui::ParameterPage *m_ui;
    StatusLabel *m_status = nullptr;
    QPushButton *m_stop = nullptr;
    MenuSource m_menuSource;
    MenuSource m_nextMenuSource; // waiting for the running operation to end
    QMap<QString, QList<TreeItem>> m_menusByRole;
    QString m_currentRole;
    int m_port = 0;
    bool m_running = false;
    bool m_stopAsked = false;
    bool m_readComplete = false;   // the last read went through its whole list
    int m_operation = 0;           // counts operations; a cancelled one's steps see another number
    QPointer<LinkReply> m_pending; // the exchange the running operation waits for
    QList<LineEditDelegate *> m_delegates;
    ComboBoxDelegate *m_choices = nullptr; // the delegate of every choice row
    QVector<EntryRef> m_rowRefs;           // per table row
    QHash<QString, DeviceState> m_device;  // by stateKey()
    QHash<int, QByteArray> m_rawByIndex;   // the last subindex-0 data per index
    QVector<int> m_menuFilter;             // the menu chosen in the tree; empty: all
    ParameterSet::Identity m_identity;
    SaveFileFunction m_saveFile;
    ParameterDownload::Support m_systemCommands;
};

#endif // PARAMETERPAGE_H
