#include "widget_iodd.h"
#include "ui_widget_iodd.h"

#include "ioddlibraryfolder.h"

#include "description/analyiodd.h"
#include "log/hub8log.h"
#include "widgets/readonlyitem.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QTableWidgetItem>

namespace {

// True when `name` can only mean one entry directly inside a directory.
bool isPlainName(const QString &name, QString *why)
{
    if (name.isEmpty())
        *why = QStringLiteral("empty name");
    else if (name == QLatin1String(".") || name == QLatin1String(".."))
        *why = QStringLiteral("names the directory itself or its parent");
    else if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        *why = QStringLiteral("contains a path separator");
    else if (name.contains(QChar(0)))
        *why = QStringLiteral("contains a null character");
    else
        return true;
    return false;
}

// True when `path` is a real directory (not a symbolic link) whose parent is
// the library directory itself.
bool isLibraryFolder(const QString &libraryDir, const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir())
        return false;
    const QString canonicalLibrary = QFileInfo(libraryDir).canonicalFilePath();
    const QString canonical = info.canonicalFilePath();
    return !canonicalLibrary.isEmpty() && !canonical.isEmpty()
        && QFileInfo(canonical).absolutePath() == canonicalLibrary;
}

QTableWidgetItem *libraryCell(const QString &text, bool centred)
{
    QTableWidgetItem *item = ::readOnlyItem(text);
    if (centred)
        item->setData(Qt::TextAlignmentRole, int(Qt::AlignHCenter | Qt::AlignVCenter));
    return item;
}

} // namespace

widget_IODD::widget_IODD(const QString &libraryDir, QWidget *parent)
    : QDialog(parent), ui(new Ui::widget_IODD), m_libraryDir(libraryDir)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/images/title.png")));
    setWindowFlags(Qt::Sheet | Qt::WindowCloseButtonHint);
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setWindowModality(Qt::ApplicationModal);
    setWindowModified(true);

    m_openFile = [](const QString &caption, const QString &dir, const QString &filter) {
        return QFileDialog::getOpenFileName(nullptr, caption, dir, filter);
    };
    m_ask = [](const QString &title, const QString &text, QMessageBox::StandardButtons buttons,
               QMessageBox::StandardButton defaultButton) {
        return QMessageBox::information(nullptr, title, text, buttons, defaultButton);
    };

    QTableWidget *table = ui->table_show;
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels({tr("供应商ID"), tr("设备ID"), tr("文件名"), tr("版本")});
    table->setColumnWidth(0, 100);
    table->setColumnWidth(1, 100);
    table->setColumnWidth(2, 300);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(table, &QTableWidget::currentItemChanged, this, &widget_IODD::slot_tableCurrentRow);
    connect(ui->pbtn_add, &QPushButton::clicked, this, &widget_IODD::slot_addIODD);
    connect(ui->pbtn_del, &QPushButton::clicked, this, &widget_IODD::slot_delIODD);
    connect(ui->pbtn_search, &QPushButton::clicked, this, &widget_IODD::slot_pbtnSearchDid);
    connect(ui->pbtn_enter, &QPushButton::clicked, this, &widget_IODD::slot_pbtnEnter);

    scanLibrary();
}

widget_IODD::~widget_IODD()
{
    delete ui;
}

QString widget_IODD::defaultLibraryDir()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/iodd");
}

void widget_IODD::setOpenFileFunction(OpenFileFunction function)
{
    m_openFile = std::move(function);
}

void widget_IODD::setAskFunction(AskFunction function)
{
    m_ask = std::move(function);
}

void widget_IODD::setConfirmEnabled(bool enabled, const QString &reason)
{
    m_confirmEnabled = enabled;
    ui->pbtn_enter->setEnabled(enabled);
    ui->pbtn_enter->setToolTip(enabled ? QString() : reason);
}

QString widget_IODD::cellText(int row, int column) const
{
    const QTableWidgetItem *item = ui->table_show->item(row, column);
    return item ? item->text() : QString();
}

QString widget_IODD::folderNameOfRow(int row) const
{
    return ioddLibrary::folderName(cellText(row, 0), cellText(row, 1), cellText(row, 3), cellText(row, 2));
}

void widget_IODD::appendRow(const QString &vendorId, const QString &deviceId, const QString &fileName,
                            const QString &version)
{
    QTableWidget *table = ui->table_show;
    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, 0, libraryCell(vendorId, true));
    table->setItem(row, 1, libraryCell(deviceId, true));
    table->setItem(row, 2, libraryCell(fileName, false));
    table->setItem(row, 3, libraryCell(version, false));
}

void widget_IODD::scanLibrary()
{
    const QDir library(libraryDir());
    if (!library.exists())
        return;

    const QFileInfoList entries = library.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        qCDebug(lcLibrary) << entry.absoluteFilePath();
        if (!entry.isDir())
            continue;
        const QFileInfoList files = QDir(entry.absoluteFilePath()).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
        for (const QFileInfo &file : files) {
            if (!file.fileName().contains(QStringLiteral(".xml")))
                continue;
            analyIODD parser;
            parser.open(file.absoluteFilePath());
            appendRow(QString::number(parser.vendorId()), QString::number(parser.deviceId()), parser.fileName(),
                      parser.version());
        }
    }
}

void widget_IODD::slot_addIODD()
{
    const QString chosen = m_openFile(tr("添加IODD文件"), QString(), QStringLiteral("xml(*.xml)"));
    if (chosen.trimmed().isEmpty())
        return;

    analyIODD parser;
    parser.open(chosen);
    const QString fileName = parser.fileName();
    for (int row = 0; row < ui->table_show->rowCount(); ++row) {
        if (cellText(row, 2) == fileName)
            return;
    }

    const int vendorId = parser.vendorId();
    const int deviceId = parser.deviceId();
    if (vendorId < 1 || deviceId < 1)
        return;

    const QString version = parser.version();
    appendRow(QString::number(vendorId), QString::number(deviceId), fileName, version);

    const QString folderName =
        ioddLibrary::folderName(QString::number(vendorId), QString::number(deviceId), version, fileName);
    const QStringList pictures{parser.connectionSymbol(), parser.deviceIcon(), parser.deviceSymbol()};
    copyIntoLibrary(chosen, folderName, pictures);
}

// Creates the library (one level) and the entry's folder and copies the IODD
// file and its pictures into it. Existing files are never overwritten.
void widget_IODD::copyIntoLibrary(const QString &sourcePath, const QString &folderName, const QStringList &pictures)
{
    const QString library = libraryDir();
    QString why;
    if (!isPlainName(folderName, &why)) {
        qCDebug(lcLibrary) << "folder name" << folderName << "not used:" << why;
        return;
    }

    if (!QDir(library).exists())
        QDir().mkdir(library);
    QDir(library).mkdir(folderName);
    const QString folder = library + QLatin1Char('/') + folderName;
    if (!isLibraryFolder(library, folder)) {
        qCDebug(lcLibrary) << "nothing copied," << folder << "is not a folder directly inside the library";
        return;
    }

    const QString fileName = QFileInfo(sourcePath).fileName();
    if (isPlainName(fileName, &why))
        QFile::copy(sourcePath, folder + QLatin1Char('/') + fileName);
    else
        qCDebug(lcLibrary) << "file name" << fileName << "not used:" << why;

    // The pictures lie beside the IODD file.
    QString sourceDir = sourcePath;
    sourceDir.remove(fileName);
    for (const QString &picture : pictures) {
        if (picture.isEmpty())
            continue;
        if (!isPlainName(picture, &why)) {
            qCDebug(lcLibrary) << "picture" << picture << "skipped, not a plain file name:" << why;
            continue;
        }
        if (QFile::exists(sourceDir + picture))
            QFile::copy(sourceDir + picture, folder + QLatin1Char('/') + picture);
    }
}

void widget_IODD::slot_delIODD()
{
    const int row = ui->table_show->currentRow();
    if (row < 0)
        return;

    const QString deviceId = cellText(row, 1);
    const QString fileName = cellText(row, 2);
    const QString folderName = folderNameOfRow(row);
    const QMessageBox::StandardButton answer =
        m_ask(tr("删除"), tr("是否删除\n设备ID：%1\n文件名：%2").arg(deviceId, fileName),
              QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;

    ui->table_show->removeRow(row);

    const QString library = libraryDir();
    QString why;
    if (!isPlainName(folderName, &why)) {
        qCDebug(lcLibrary) << "folder" << folderName << "not removed:" << why;
        return;
    }
    const QString folder = library + QLatin1Char('/') + folderName;
    if (!isLibraryFolder(library, folder)) {
        qCDebug(lcLibrary) << folder << "not removed, not a folder directly inside the library";
        return;
    }
    QDir(folder).removeRecursively();
}

void widget_IODD::slot_pbtnSearchDid()
{
    const QString text = ui->edit_search->text();
    const QDir library(libraryDir());
    if (!library.exists())
        return;

    struct Entry
    {
        QString vendorId, deviceId, fileName, version;
    };
    QList<Entry> matches;
    const QFileInfoList folders = library.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &folder : folders) {
        const QString name = folder.fileName();
        const QStringList parts = name.split(QLatin1Char('_'), Qt::KeepEmptyParts);
        if (parts.size() < 4)
            continue;
        const QString version = parts.at(2);
        // The file name follows the first "<version>_" from the third
        // character on, the earliest place the version part can start.
        const int at = name.indexOf(version + QLatin1Char('_'), 2);
        if (at < 0)
            continue;
        const QString fileName = name.mid(at + version.size() + 1) + QStringLiteral(".xml");
        if (text.trimmed().isEmpty() || parts.at(1).contains(text))
            matches.append({parts.at(0), parts.at(1), fileName, version});
    }
    if (matches.isEmpty())
        return;

    ui->table_show->setRowCount(0);
    for (const Entry &e : qAsConst(matches))
        appendRow(e.vendorId, e.deviceId, e.fileName, e.version);
}

void widget_IODD::slot_tableCurrentRow(QTableWidgetItem *item)
{
    if (!item)
        return;
    const int row = item->row();
    ui->label_deviceID->setText(tr("设备ID:%1").arg(cellText(row, 1)));
    ui->label_fileName->setText(tr("文件名::%1").arg(cellText(row, 2)));
}

void widget_IODD::slot_pbtnEnter()
{
    if (!m_confirmEnabled)
        return;
    const int row = ui->table_show->currentRow();
    if (row < 0)
        return;
    const QString path = libraryDir() + QLatin1Char('/') + folderNameOfRow(row) + QLatin1Char('/')
        + ioddLibrary::stem(cellText(row, 2)) + QStringLiteral(".xml");
    emit sig_pbtnEnter(path);
    close();
}
