#include "ioddlibrarydialog.h"
#include "ui_ioddlibrarydialog.h"

#include "ioddlibraryfolder.h"
#include "libraryindex.h"
#include "librarytablemodel.h"

#include "description/datalocations.h"
#include "description/ioddheaderreader.h"
#include "description/languagefiles.h"
#include "log/hub8log.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPointer>
#include <QProgressBar>
#include <QTableView>

IoddLibraryDialog::IoddLibraryDialog(const QString &libraryDir, QWidget *parent)
    : QDialog(parent),
      m_ui(new Ui::IoddLibraryDialog),
      m_index(new LibraryIndex(libraryDir, QString(), this)),
      m_model(new LibraryTableModel(this)),
      m_libraryDir(libraryDir)
{
    setUp();
}

IoddLibraryDialog::IoddLibraryDialog(LibraryIndex *index, QWidget *parent)
    : QDialog(parent),
      m_ui(new Ui::IoddLibraryDialog),
      m_index(index),
      m_model(new LibraryTableModel(this)),
      m_libraryDir(index->libraryDir())
{
    setUp();
}

void IoddLibraryDialog::setUp()
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

    m_model->setHeaders({tr("供应商ID"), tr("设备ID"), tr("文件名"), tr("版本")});
    QTableView *table = m_ui->table_show;
    table->setModel(m_model);
    table->setColumnWidth(0, 100);
    table->setColumnWidth(1, 100);
    table->setColumnWidth(2, 300);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    m_ui->progress_index->hide();

    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &IoddLibraryDialog::onCurrentRowChanged);
    connect(m_ui->pbtn_add, &QPushButton::clicked, this, &IoddLibraryDialog::onAddClicked);
    connect(m_ui->pbtn_del, &QPushButton::clicked, this, &IoddLibraryDialog::onDeleteClicked);
    connect(m_ui->pbtn_search, &QPushButton::clicked, this, &IoddLibraryDialog::onSearchClicked);
    connect(m_ui->pbtn_enter, &QPushButton::clicked, this, &IoddLibraryDialog::onLoadClicked);
    connect(m_index, &LibraryIndex::changed, this, &IoddLibraryDialog::showEntries);
    connect(m_index, &LibraryIndex::progress, this, &IoddLibraryDialog::showProgress);
    connect(m_index, &LibraryIndex::idle, m_ui->progress_index, &QWidget::hide);

    // What the index knows now, then what the folder holds.
    showEntries();
    m_index->refresh();
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
    const int row = currentRow();
    const bool builtin = row >= 0 && IoddLibrary::isBuiltinFolder(libraryDir(), folderOfRow(row));
    m_ui->pbtn_del->setEnabled(!builtin);
    m_ui->pbtn_del->setToolTip(
        builtin ? tr("内置描述文件不能删除：Port2、Port4、Port6、Port8 的参数和过程数据页面由它生成") : QString());
}

const LibraryEntry *IoddLibraryDialog::entryOfRow(int row) const
{
    return m_model->entryAt(row);
}

int IoddLibraryDialog::currentRow() const
{
    return m_ui->table_show->currentIndex().row();
}

QString IoddLibraryDialog::folderOfRow(int row) const
{
    const LibraryEntry *entry = entryOfRow(row);
    return entry ? m_index->libraryDir() + QLatin1Char('/') + entry->folder : QString();
}

QString IoddLibraryDialog::filePathOfRow(int row) const
{
    const LibraryEntry *entry = entryOfRow(row);
    return entry ? entry->path(m_index->libraryDir()) : QString();
}

void IoddLibraryDialog::showEntries()
{
    keepCurrentRow([this] { m_model->setEntries(m_index->entries()); });
}

// A model reset forgets the current row without saying so: the file that was
// current is made current again where it is still listed, and the labels and
// buttons follow either way.
void IoddLibraryDialog::keepCurrentRow(const std::function<void()> &reset)
{
    const LibraryEntry *current = entryOfRow(currentRow());
    const QString folder = current ? current->folder : QString(), file = current ? current->file : QString();
    reset();
    const int row = file.isEmpty() ? -1 : m_model->rowOf(folder, file);
    m_ui->table_show->setCurrentIndex(row >= 0 ? m_model->index(row, 0) : QModelIndex());
    onCurrentRowChanged(m_ui->table_show->currentIndex());
}

void IoddLibraryDialog::showProgress(int done, int total)
{
    QProgressBar *bar = m_ui->progress_index;
    bar->setRange(0, total);
    bar->setValue(done);
    bar->setFormat(tr("正在读取描述文件 %1/%2").arg(done).arg(total));
    bar->setVisible(done < total);
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
    for (const LibraryEntry &entry : m_index->entries()) {
        if (entry.file == fileName)
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
    m_index->addFile(QFileInfo(folder).fileName(), fileName);
}

// Creates the library (one level) and a new folder for the entry, and copies
// the IODD file, the pictures and the language files beside it into that
// folder. Pictures that are missing or not plain file names are skipped, and
// language files too large to be read; any copy that fails
// removes the folder again, and the library too when this call made it.
QString IoddLibraryDialog::copyIntoLibrary(const QString &sourcePath, const QString &folderName,
                                           const QStringList &pictures, QString *why)
{
    const QString library = libraryDir();
    QString reason;
    if (!IoddLibrary::isPlainName(folderName, &reason)) {
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
    if (!IoddLibrary::isPlainName(fileName, &reason))
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
        if (!IoddLibrary::isPlainName(picture, &reason)) {
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
    // So do its texts in other languages: regular files, not links.
    for (const LanguageFiles::Sibling &language : LanguageFiles::siblings(sourcePath)) {
        const QFileInfo info(language.path);
        if (copied.contains(info.fileName()))
            continue;
        if (info.size() > LanguageFiles::maxFileSize) {
            qCDebug(lcLibrary) << "language file" << info.filePath() << "skipped, too large";
            continue;
        }
        QFile file(language.path);
        if (!file.copy(folder + QLatin1Char('/') + info.fileName()))
            return copyFailed(tr("无法复制语言文件 %1：%2").arg(info.fileName(), file.errorString()));
        copied << info.fileName();
    }
    return folder;
}

void IoddLibraryDialog::onDeleteClicked()
{
    const int row = currentRow();
    const LibraryEntry *entry = entryOfRow(row);
    if (!entry)
        return;

    const QString deviceId = QString::number(LibraryEntry::listedNumber(entry->deviceId));
    const QString fileName = entry->file;
    const QString folderName = entry->folder;
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

    // Every row listed from that folder goes with it; what could not be
    // removed comes back with the next scan.
    QString why;
    const bool removed = IoddLibrary::removeFolder(libraryDir(), folder, &why);
    if (!removed)
        qCDebug(lcLibrary) << folder << "not removed:" << why;
    m_index->removeFolder(folderName);
    if (!removed)
        m_index->refresh();
}

void IoddLibraryDialog::searchDevice(quint32 deviceId)
{
    const QString wanted = QString::number(deviceId);
    m_ui->edit_search->setText(wanted);
    // Only that device's files, none when the library has none for it.
    keepCurrentRow([this, wanted] { m_model->setFilter(wanted, true); });
}

void IoddLibraryDialog::onSearchClicked()
{
    keepCurrentRow([this] { m_model->setFilter(m_ui->edit_search->text()); });
}

void IoddLibraryDialog::onCurrentRowChanged(const QModelIndex &current)
{
    updateDeleteButton();
    const LibraryEntry *entry = entryOfRow(current.row());
    if (!entry) {
        m_ui->label_deviceID->setText(tr("设备ID"));
        m_ui->label_fileName->setText(tr("文件名"));
        return;
    }
    m_ui->label_deviceID->setText(tr("设备ID:%1").arg(LibraryEntry::listedNumber(entry->deviceId)));
    m_ui->label_fileName->setText(tr("文件名::%1").arg(entry->file));
}

void IoddLibraryDialog::onLoadClicked()
{
    if (!m_confirmEnabled)
        return;
    const int row = currentRow();
    if (!entryOfRow(row))
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
