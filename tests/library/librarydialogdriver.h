#ifndef LIBRARYDIALOGDRIVER_H
#define LIBRARYDIALOGDRIVER_H

// The IODD library dialog as the library tests drive it, and the device
// descriptions they put in and around a library folder.

#include "library/ioddlibrarydialog.h"
#include "library/libraryindex.h"
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
    QStringList rows() const
    {
        QStringList out;
        for (int r = 0; r < table->model()->rowCount(); ++r)
            out << QStringList({cell(r, 0), cell(r, 1), cell(r, 2), cell(r, 3)}).join('|');
        return out;
    }
    void setCurrentRow(int row) { table->setCurrentIndex(table->model()->index(row, 0)); }
    // Makes the row of that file name current.
    void select(const QString &fileName)
    {
        for (int r = 0; r < table->model()->rowCount(); ++r)
            if (cell(r, 2) == fileName)
                table->setCurrentIndex(table->model()->index(r, 0));
    }
};

} // namespace LibraryDialogDriver

#endif // LIBRARYDIALOGDRIVER_H
