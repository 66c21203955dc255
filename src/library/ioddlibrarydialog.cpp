#include "ioddlibrarydialog.h"
#include "ui_ioddlibrarydialog.h"

#include "ioddlibraryfolder.h"

#include "description/datalocations.h"
#include "description/ioddheaderreader.h"
#include "log/hub8log.h"
#include "widgets/readonlyitem.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPointer>
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

// Where a row's folder and file are kept, on the row's first cell.
constexpr int folderRole = Qt::UserRole;
constexpr int filePathRole = Qt::UserRole + 1;

QTableWidgetItem *libraryCell(const QString &text, bool centred)
{
    QTableWidgetItem *item = ::readOnlyItem(text);
    if (centred)
        item->setData(Qt::TextAlignmentRole, int(Qt::AlignHCenter | Qt::AlignVCenter));
    return item;
}

} // namespace

IoddLibraryDialog::IoddLibraryDialog(const QString &libraryDir, QWidget *parent)
    : QDialog(parent), m_ui(new Ui::IoddLibraryDialog), m_libraryDir(libraryDir)
{
    m_ui->setupUi(this);
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
        if (buttons == QMessageBox::Ok)
            return QMessageBox::information(nullptr, title, text, buttons, defaultButton);
        return QMessageBox::question(nullptr, title, text, buttons, defaultButton);
    };

    QTableWidget *table = m_ui->table_show;
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels({tr("供应商ID"), tr("设备ID"), tr("文件名"), tr("版本")});
    table->setColumnWidth(0, 100);
    table->setColumnWidth(1, 100);
    table->setColumnWidth(2, 300);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(table, &QTableWidget::currentItemChanged, this, &IoddLibraryDialog::onCurrentRowChanged);
    connect(m_ui->pbtn_add, &QPushButton::clicked, this, &IoddLibraryDialog::onAddClicked);
    connect(m_ui->pbtn_del, &QPushButton::clicked, this, &IoddLibraryDialog::onDeleteClicked);
    connect(m_ui->pbtn_search, &QPushButton::clicked, this, &IoddLibraryDialog::onSearchClicked);
    connect(m_ui->pbtn_enter, &QPushButton::clicked, this, &IoddLibraryDialog::onLoadClicked);

    scanLibrary();
    updateDeleteButton();
}

IoddLibraryDialog::~IoddLibraryDialog()
{
    delete m_ui;
}

QString IoddLibraryDialog::defaultLibraryDir()
{
    return DataLocations::userLibraryDir();
}

void IoddLibraryDialog::setOpenFileFunction(OpenFileFunction function)
{
    m_openFile = std::move(function);
}

void IoddLibraryDialog::setAskFunction(AskFunction function)
{
    m_ask = std::move(function);
}

void IoddLibraryDialog::setConfirmEnabled(bool enabled, const QString &reason)
{
    m_confirmEnabled = enabled;
    m_ui->pbtn_enter->setEnabled(enabled);
    m_ui->pbtn_enter->setToolTip(enabled ? QString() : reason);
}

void IoddLibraryDialog::setDeviceCheck(int port, DeviceIdentityFunction deviceIdentity)
{
    m_checkedPort = port;
    m_deviceIdentity = std::move(deviceIdentity);
}

void IoddLibraryDialog::updateDeleteButton()
{
    const int row = m_ui->table_show->currentRow();
    const bool builtin = row >= 0 && IoddLibrary::isBuiltinFolder(libraryDir(), folderOfRow(row));
    m_ui->pbtn_del->setEnabled(!builtin);
    m_ui->pbtn_del->setToolTip(
        builtin ? tr("内置描述文件不能删除：Port2、Port4、Port6、Port8 的参数和过程数据页面由它生成") : QString());
}

QString IoddLibraryDialog::cellText(int row, int column) const
{
    const QTableWidgetItem *item = m_ui->table_show->item(row, column);
    return item ? item->text() : QString();
}

QString IoddLibraryDialog::folderOfRow(int row) const
{
    const QTableWidgetItem *item = m_ui->table_show->item(row, 0);
    return item ? item->data(folderRole).toString() : QString();
}

QString IoddLibraryDialog::filePathOfRow(int row) const
{
    const QTableWidgetItem *item = m_ui->table_show->item(row, 0);
    return item ? item->data(filePathRole).toString() : QString();
}

void IoddLibraryDialog::appendRow(const QString &vendorId, const QString &deviceId, const QString &fileName,
                                  const QString &version, const QString &folder, const QString &filePath)
{
    QTableWidget *table = m_ui->table_show;
    const int row = table->rowCount();
    table->insertRow(row);
    QTableWidgetItem *first = libraryCell(vendorId, true);
    first->setData(folderRole, folder);
    first->setData(filePathRole, filePath);
    table->setItem(row, 0, first);
    table->setItem(row, 1, libraryCell(deviceId, true));
    table->setItem(row, 2, libraryCell(fileName, false));
    table->setItem(row, 3, libraryCell(version, false));
}

void IoddLibraryDialog::scanLibrary()
{
    // The same files the lookup of a port's description searches.
    for (const QFileInfo &file : IoddLibrary::descriptionFiles(libraryDir())) {
        IoddHeaderReader parser;
        parser.open(file.absoluteFilePath());
        appendRow(QString::number(parser.vendorId()), QString::number(parser.deviceId()), parser.fileName(),
                  parser.version(), file.absolutePath(), file.absoluteFilePath());
    }
}

void IoddLibraryDialog::onAddClicked()
{
    const QString chosen = m_openFile(tr("添加IODD文件"), QString(), QStringLiteral("xml(*.xml)"));
    if (chosen.trimmed().isEmpty())
        return;

    IoddHeaderReader parser;
    parser.open(chosen);
    const QString fileName = QFileInfo(chosen).fileName();
    const int vendorId = parser.vendorId();
    const int deviceId = parser.deviceId();
    const QString version = parser.version();
    QString why;
    for (int row = 0; row < m_ui->table_show->rowCount() && why.isEmpty(); ++row) {
        if (cellText(row, 2) == fileName)
            why = tr("库中已有同名文件");
    }
    if (why.isEmpty() && (vendorId < 1 || deviceId < 1))
        why = tr("文件中没有有效的供应商ID和设备ID");

    QString folder;
    if (why.isEmpty()) {
        const QString folderName =
            IoddLibrary::folderName(QString::number(vendorId), QString::number(deviceId), version, fileName);
        const QStringList pictures{parser.connectionSymbol(), parser.deviceIcon(), parser.deviceSymbol()};
        folder = copyIntoLibrary(chosen, folderName, pictures, &why);
    }
    if (folder.isEmpty()) {
        m_ask(tr("添加IODD文件"), tr("未添加 %1：%2").arg(fileName, why), QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    appendRow(QString::number(vendorId), QString::number(deviceId), fileName, version, folder,
              folder + QLatin1Char('/') + fileName);
}

// Creates the library (one level) and a new folder for the entry, and copies
// the IODD file and the pictures beside it into that folder. Pictures that
// are missing or not plain file names are skipped; any copy that fails
// removes the folder again, and the library too when this call made it.
QString IoddLibraryDialog::copyIntoLibrary(const QString &sourcePath, const QString &folderName,
                                           const QStringList &pictures, QString *why)
{
    const QString library = libraryDir();
    QString reason;
    if (!isPlainName(folderName, &reason)) {
        qCDebug(lcLibrary) << "folder name" << folderName << "not used:" << reason;
        *why = tr("版本或文件名不能用作库中的文件夹名 \"%1\"").arg(folderName);
        return QString();
    }
    const bool libraryMade = !QDir(library).exists() && QDir().mkdir(library);
    const QString folder = QFileInfo(library + QLatin1Char('/') + folderName).absoluteFilePath();
    const auto giveUp = [&](const QString &message) {
        *why = message;
        if (libraryMade)
            QDir().rmdir(library); // only when empty
        return QString();
    };
    // An existing folder (or link) is never written into: it is not this add's to clean up.
    if (QFileInfo(folder).exists() || QFileInfo(folder).isSymLink())
        return giveUp(tr("库中已有文件夹 %1").arg(folderName));
    const QString cannotCreate = tr("无法在IODD库中创建文件夹 %1").arg(folderName);
    if (!QDir(library).mkdir(folderName))
        return giveUp(cannotCreate);
    if (!IoddLibrary::isLibraryFolder(library, folder)) {
        qCDebug(lcLibrary) << "nothing copied," << folder << "is not a folder directly inside the library";
        QDir(library).rmdir(folderName); // still empty
        return giveUp(cannotCreate);
    }
    const auto copyFailed = [&](const QString &message) {
        QDir(folder).removeRecursively();
        return giveUp(message);
    };

    const QFileInfo source(sourcePath);
    const QString fileName = source.fileName();
    if (!isPlainName(fileName, &reason))
        return copyFailed(tr("文件名 \"%1\" 不能使用").arg(fileName));
    QFile xml(sourcePath);
    if (!xml.copy(folder + QLatin1Char('/') + fileName))
        return copyFailed(tr("无法复制 %1：%2").arg(fileName, xml.errorString()));

    // The pictures lie beside the IODD file.
    const QString sourceDir = source.absolutePath();
    QStringList copied{fileName};
    for (const QString &picture : pictures) {
        if (picture.isEmpty() || copied.contains(picture))
            continue;
        if (!isPlainName(picture, &reason)) {
            qCDebug(lcLibrary) << "picture" << picture << "skipped, not a plain file name:" << reason;
            continue;
        }
        QFile file(sourceDir + QLatin1Char('/') + picture);
        const QFileInfo info(file.fileName());
        if (!info.exists()) {
            qCDebug(lcLibrary) << "picture" << file.fileName() << "skipped, missing";
            continue;
        }
        if (!info.isFile() && !info.isDir()) { // a FIFO would block the copy
            qCDebug(lcLibrary) << "picture" << file.fileName() << "skipped, not a regular file";
            continue;
        }
        if (!file.copy(folder + QLatin1Char('/') + picture))
            return copyFailed(tr("无法复制图片 %1：%2").arg(picture, file.errorString()));
        copied << picture;
    }
    return folder;
}

void IoddLibraryDialog::onDeleteClicked()
{
    const int row = m_ui->table_show->currentRow();
    if (row < 0)
        return;

    const QString deviceId = cellText(row, 1);
    const QString fileName = cellText(row, 2);
    const QString folder = folderOfRow(row);
    if (IoddLibrary::isBuiltinFolder(libraryDir(), folder)) {
        qCDebug(lcLibrary) << folder << "not removed, it holds the built-in description";
        return;
    }
    const QMessageBox::StandardButton answer =
        m_ask(tr("删除"), tr("是否删除\n设备ID：%1\n文件名：%2").arg(deviceId, fileName),
              QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;

    // Every row listed from that folder goes with it.
    for (int r = m_ui->table_show->rowCount() - 1; r >= 0; --r) {
        if (r == row || (!folder.isEmpty() && folderOfRow(r) == folder))
            m_ui->table_show->removeRow(r);
    }
    QString why;
    if (!IoddLibrary::removeFolder(libraryDir(), folder, &why))
        qCDebug(lcLibrary) << folder << "not removed:" << why;
}

void IoddLibraryDialog::searchDevice(quint32 deviceId)
{
    const QString wanted = QString::number(deviceId);
    m_ui->edit_search->setText(wanted);
    onSearchClicked();
    // Only that device's files, none when the library has none for it.
    for (int row = 0; row < m_ui->table_show->rowCount(); ++row)
        m_ui->table_show->setRowHidden(row, cellText(row, 1) != wanted);
}

void IoddLibraryDialog::onSearchClicked()
{
    const QString text = m_ui->edit_search->text();
    const QDir library(libraryDir());
    if (!library.exists())
        return;

    struct Entry
    {
        QString vendorId, deviceId, fileName, version, folder;
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
            matches.append({parts.at(0), parts.at(1), fileName, version, folder.absoluteFilePath()});
    }
    if (matches.isEmpty())
        return;

    m_ui->table_show->setRowCount(0);
    for (const Entry &e : qAsConst(matches))
        appendRow(e.vendorId, e.deviceId, e.fileName, e.version, e.folder, e.folder + QLatin1Char('/') + e.fileName);
}

void IoddLibraryDialog::onCurrentRowChanged(QTableWidgetItem *item)
{
    updateDeleteButton();
    if (!item)
        return;
    const int row = item->row();
    m_ui->label_deviceID->setText(tr("设备ID:%1").arg(cellText(row, 1)));
    m_ui->label_fileName->setText(tr("文件名::%1").arg(cellText(row, 2)));
}

void IoddLibraryDialog::onLoadClicked()
{
    if (!m_confirmEnabled)
        return;
    const int row = m_ui->table_show->currentRow();
    if (row < 0)
        return;
    const QString path = filePathOfRow(row);
    if (!m_deviceIdentity) {
        emit fileChosen(path);
        close();
        return;
    }
    // The device's identity comes from the link later: a second click
    // meanwhile is ignored, and a dialog closed meanwhile loads nothing.
    if (m_checking)
        return;
    m_checking = true;
    const QPointer<IoddLibraryDialog> self(this);
    m_deviceIdentity([self, path](const DeviceIdentity &device) {
        if (!self)
            return;
        self->m_checking = false;
        if (!self->isVisible())
            return;
        const QString question = IdentityCheck::question(self->m_checkedPort, IdentityCheck::ofFile(path), device);
        if (!question.isEmpty()
            && self->m_ask(tr("加载IODD文件"), question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                != QMessageBox::Yes)
            return;
        emit self->fileChosen(path);
        self->close();
    });
}
