#ifndef IODDLIBRARYDIALOG_H
#define IODDLIBRARYDIALOG_H

#include "identitycheck.h"

#include <QDialog>
#include <QMessageBox>
#include <QString>

#include <functional>

class LibraryIndex;
class LibraryTableModel;
class QModelIndex;
struct LibraryEntry;

namespace Ui {
class IoddLibraryDialog;
}

// Modal dialog over the IODD library: one folder per IODD file, named
// "<vendor id>_<device id>_<version>_<file name without .xml>", directly in
// the library directory. Lists, adds (an IODD file or a vendor's zipped
// package, LibraryImport), searches by device id, vendor or product name and
// deletes entries; confirming a row emits the path of its IODD file and closes.
//
// The rows are the entries of the library's index (LibraryIndex): shown at
// once as far as they are known, brought up to date by a scan off the GUI
// thread at each opening, with its progress below the table. Each row is one
// file of one folder; delete and confirm use those, never names rebuilt from
// the cells or the file's content. An add lists its row only once the file
// and its pictures are in the library; a failed add removes what it made and
// says why. The built-in
// description cannot be deleted. With a device check, confirming a file
// whose identity differs from the device's asks first. Nothing written or
// removed by the dialog lies outside the library directory: folder names and
// picture names that would leave it are refused (with a debug line).
class IoddLibraryDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(IoddLibraryDialog)

public:
    // Asks for an IODD file or package to add: (caption, start directory, filter) ->
    // chosen path, empty when cancelled.
    using OpenFileFunction = std::function<QString(const QString &, const QString &, const QString &)>;
    // Asks a question or reports a failure: (title, text, buttons, default
    // button) -> answer.
    using AskFunction = std::function<QMessageBox::StandardButton(
        const QString &, const QString &, QMessageBox::StandardButtons, QMessageBox::StandardButton)>;
    // Starts learning the identity of the device a confirmed file is for;
    // calls its argument with the identity once it is known.
    using DeviceIdentityFunction = std::function<void(std::function<void(const DeviceIdentity &)>)>;

    // The dialog over the library in `libraryDir`, with an index of its own
    // kept in memory.
    explicit IoddLibraryDialog(const QString &libraryDir, QWidget *parent = nullptr);
    // The dialog over the library of `index`, which it shares with the lookup.
    explicit IoddLibraryDialog(LibraryIndex *index, QWidget *parent = nullptr);
    ~IoddLibraryDialog() override;

    // The user's library: DataLocations::userLibraryDir() (beside the
    // executable in the build tree).
    static QString defaultLibraryDir();
    QString libraryDir() const { return m_libraryDir; }
    LibraryIndex *libraryIndex() const { return m_index; }

    // Replace the file dialog and the message box (default: the real ones,
    // without parent; a question box when more than Ok can be answered).
    void setOpenFileFunction(OpenFileFunction function);
    void setAskFunction(AskFunction function);

    // Lets the caller refuse confirmation, e.g. while no port is selected:
    // disables pbtn_enter and shows the reason as its tool tip.
    void setConfirmEnabled(bool enabled, const QString &reason = QString());

    // Shows only the files of this device id, as the search field does.
    void searchDevice(quint32 deviceId);
    // Confirming then compares the file's vendor and device id with those of
    // the device on `port` (0..7), learned by `deviceIdentity` at that moment.
    // When they differ, or the device's cannot be learned, the user is asked
    // (Yes / No); on No nothing is emitted and the dialog stays open.
    void setDeviceCheck(int port, DeviceIdentityFunction deviceIdentity);

signals:
    void fileChosen(QString path);

private slots:
    void onAddClicked();
    void onDeleteClicked();
    void onSearchClicked();
    void onCurrentRowChanged(const QModelIndex &current);
    void onLoadClicked();

private:
    void setUp();
    // The index's entries into the table, the current file staying current.
    void showEntries();
    void keepCurrentRow(const std::function<void()> &reset);
    void showProgress(int done, int total);
    const LibraryEntry *entryOfRow(int row) const;
    int currentRow() const;
    QString folderOfRow(int row) const;
    QString filePathOfRow(int row) const;
    // Disabled, with the reason as tool tip, while the built-in description is current.
    void updateDeleteButton();

    Ui::IoddLibraryDialog *m_ui;
    LibraryIndex *m_index;
    LibraryTableModel *m_model;
    QString m_libraryDir;
    OpenFileFunction m_openFile;
    AskFunction m_ask;
    bool m_confirmEnabled = true;
    int m_checkedPort = -1;
    DeviceIdentityFunction m_deviceIdentity;
    bool m_checking = false;
};

#endif // IODDLIBRARYDIALOG_H
