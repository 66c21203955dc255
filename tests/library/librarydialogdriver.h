#ifndef LIBRARYDIALOGDRIVER_H
#define LIBRARYDIALOGDRIVER_H

// The IODD library dialog as the library tests drive it, and the device
// descriptions they put in and around a library folder.

#include "library/ioddlibrarydialog.h"
#include "library/libraryindex.h"
#include "library/librarytablemodel.h"
#include "testhelpers.h"

#include <QtTest>
#include <QtWidgets>

namespace LibraryDialogDriver {

using TestHelpers::readFile;
using TestHelpers::writeFile;

const QString fixtureDir = QStringLiteral(HUB8_SOURCE_DIR "/tests/library/fixtures/");

struct Identity
{
    QString vendor = "26", device = "1001", version = "V1.0", connection = "con.png", icon = "icon.png",
            symbol = "pic.png";
};

// Every entry below root (links not followed) with its kind and content, leaving out the subtree `skip`.
inline QMap<QString, QString> snapshot(const QString &root, const QString &skip = QString())
{
    QMap<QString, QString> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!skip.isEmpty() && (path == skip || path.startsWith(skip + '/')))
            continue;
        const QFileInfo info = it.fileInfo();
        tree.insert(QDir(root).relativeFilePath(path),
                    info.isSymLink()   ? "link " + info.symLinkTarget()
                        : info.isDir() ? QStringLiteral("dir")
                                       : QCryptographicHash::hash(readFile(path), QCryptographicHash::Md5).toHex());
    }
    return tree;
}

// app/iodd is the library, src/ holds the files to add and outside/ things that must survive.
struct Sandbox
{
    QTemporaryDir tmp;
    const QString root = tmp.path();
    const QString library = root + "/app/iodd", source = root + "/src/a/b/c/", outside = root + "/outside/";

    Sandbox()
    {
        QDir().mkpath(root + "/app");
        writeFile(outside + "victim.png", "keep me");
    }
    QMap<QString, QString> outsideLibrary() const { return snapshot(root, library); }
    QString libraryEntries() const { return QStringList(snapshot(library).keys()).join(' '); }
};

// True once the index's scan is in (a few seconds at most).
inline bool indexIdle(const LibraryIndex *index)
{
    return QTest::qWaitFor([index] { return !index->isBusy(); }, 10000);
}

inline bool writeDevice(const QString &path, const Identity &id = Identity())
{
    QString text = QString::fromUtf8(readFile(fixtureDir + "device-template.xml"));
    const QStringList fields{id.vendor, id.device, id.version, id.connection, id.icon, id.symbol};
    int i = 0;
    for (const char *mark : {"@VENDOR@", "@DEVICE@", "@VERSION@", "@CONNECTION@", "@ICON@", "@SYMBOL@"})
        text.replace(mark, fields.at(i++).toHtmlEscaped());
    return !text.isEmpty() && writeFile(path, text.toUtf8());
}

// The dialog with its file dialog and message box answered by the test: questions
// (Yes/Cancel, Cancel by default) and notices (Ok only) are recorded apart.
struct Dialog
{
    IoddLibraryDialog dialog;
    QTableView *table = dialog.findChild<QTableView *>("table_show");
    QSignalSpy entered{&dialog, &IoddLibraryDialog::fileChosen};
    QString chosen;
    QStringList questions, notices;
    QMessageBox::StandardButton answer = QMessageBox::Yes;

    explicit Dialog(const QString &libraryDir) : dialog(libraryDir)
    {
        dialog.setOpenFileFunction([this](auto, auto, auto) { return chosen; });
        dialog.setAskFunction([this](const QString &title, const QString &text, auto buttons, auto defaultButton) {
            if (buttons == QMessageBox::Ok && defaultButton == QMessageBox::Ok)
                return notices << title + '|' + text, QMessageBox::Ok;
            const bool usual =
                buttons == (QMessageBox::Yes | QMessageBox::Cancel) && defaultButton == QMessageBox::Cancel;
            questions << title + '|' + text + (usual ? "" : " (unexpected buttons)");
            return answer;
        });
        indexIdle(dialog.libraryIndex());
    }
    void click(const char *button) { dialog.findChild<QPushButton *>(QLatin1String(button))->click(); }
    void add(const QString &path) { chosen = path, click("pbtn_add"); }
    QString cell(int r, int c) const
    {
        const QModelIndex index = table->model()->index(r, c);
        return index.isValid() ? index.data().toString() : "<none>";
    }
    // Ids, file name and version of each row.
    QStringList rows() const
    {
        using M = LibraryTableModel;
        QStringList out;
        for (int r = 0; r < table->model()->rowCount(); ++r)
            out << QStringList({cell(r, M::VendorColumn), cell(r, M::DeviceColumn), cell(r, M::FileColumn),
                                cell(r, M::VersionColumn)})
                       .join('|');
        return out;
    }
    // Vendor and product name and file name of each row.
    QStringList names() const
    {
        using M = LibraryTableModel;
        QStringList out;
        for (int r = 0; r < table->model()->rowCount(); ++r)
            out << QStringList({cell(r, M::VendorNameColumn), cell(r, M::ProductColumn), cell(r, M::FileColumn)})
                       .join('|');
        return out;
    }
    void setCurrentRow(int row) { table->setCurrentIndex(table->model()->index(row, 0)); }
    // Makes the row of that file name current.
    void select(const QString &fileName)
    {
        for (int r = 0; r < table->model()->rowCount(); ++r)
            if (cell(r, LibraryTableModel::FileColumn) == fileName)
                table->setCurrentIndex(table->model()->index(r, 0));
    }
};

} // namespace LibraryDialogDriver

#endif // LIBRARYDIALOGDRIVER_H
