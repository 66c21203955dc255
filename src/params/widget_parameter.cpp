#include "widget_parameter.h"
#include "ui_widget_parameter.h"

#include "tablelineedit.h"

#include "codec/numbertext.h"
#include "codec/valuecodec.h"
#include "link/common.h"
#include "link/linkexchange.h"
#include "link/mymodbus.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"
#include "widgets/readonlyitem.h"
#include "widgets/tablestyle.h"

#include <QBrush>
#include <QColor>
#include <QComboBox>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QToolTip>

#include <algorithm>

namespace {

// Column 0 carries the entry's index under this role; a row is found again by
// (label, index).
constexpr int indexRole = Qt::UserRole + 1;
constexpr int valueColumn = 2;
constexpr int columnCount = 6;

// The adapter's ISDU mailbox: request and response block, 20 registers each.
constexpr quint16 requestRegisters = adapterregs::isduRequest;
constexpr quint16 responseRegisters = adapterregs::isduResponse;
constexpr int blockRegisters = adapterregs::isduBlockRegisters;

const QColor modifiedRowColour(102, 249, 219);

// Makes every level of the menu lists unshared, so that references into them
// stay valid while an operation runs and edits reach this copy only.
void detachDeep(QList<treeItem> &menus)
{
    menus.detach();
    for (treeItem &menu : menus) {
        menu.values.detach();
        detachDeep(menu.children);
    }
}

// The text a combo box starts with: the entry's value, else the text of the
// (last) pair whose value is the default, else the first pair's text.
QString initialComboText(const valueItem &entry)
{
    if (!entry.editor.value.isEmpty())
        return entry.editor.value;
    QString text;
    for (const valuePair &pair : entry.editor.entries) {
        if (pair.second == entry.defaultValue)
            text = pair.first;
    }
    if (text.isEmpty() && !entry.editor.entries.isEmpty())
        text = entry.editor.entries.first().first;
    return text;
}

IsduRequestBlock writeBlock(int port, const QString &index, const QString &subindex,
                            const valueCodec::recordImage &image)
{
    IsduRequestBlock block = IsduRequestBlock::make(isduservice::write, quint8(port + 1), quint16(index.toUInt()),
                                                    quint8(subindex.toUInt()), quint8(image.length));
    std::copy(image.data.cbegin(), image.data.cend(), block.data());
    return block;
}

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// The entry's limits as the cell shows its value: scaled, with the unit.
QString limitsTip(const valueItem &entry)
{
    const numberText::presentation p = numberText::presentationOf(entry);
    const bool isFloat = entry.editor.typeName == QLatin1String(ioddKind::Float32T);
    const QString low = numberText::limitText(entry.editor.lowerValue, isFloat, p);
    const QString high = numberText::limitText(entry.editor.upperValue, isFloat, p);
    if (low.isEmpty() || high.isEmpty())
        return QString();
    const QString unit = entry.unit.isEmpty() ? QString() : QLatin1Char(' ') + entry.unit;
    return QStringLiteral("min:%1 max:%2%3").arg(low, high, unit);
}

// A response saying the device cannot be reached: the port's state is looked at again.
void noteUnreachable(int port, const QByteArray &response)
{
    if (IsduResponseBlock(response).status() == isdustatus::communicationFailed)
        portStatusMonitor::relearn(port);
}

} // namespace

widget_Parameter::widget_Parameter(QWidget *parent) : QWidget(parent), ui(new Ui::widget_Parameter)
{
    ui->setupUi(this);
    // The file buttons have no function yet.
    ui->pbtn_fileRead->hide();
    ui->pbtn_saveFile->hide();
    setUpTable();
    connect(ui->pbtn_read, &QPushButton::clicked, this, &widget_Parameter::slot_pbtn_readall);
    connect(ui->pbtn_read_fix, &QPushButton::clicked, this, &widget_Parameter::slot_pbtn_readFix);
    connect(ui->pbtn_write_fix, &QPushButton::clicked, this, &widget_Parameter::slot_pbtn_writefix);
}

widget_Parameter::~widget_Parameter()
{
    qCDebug(lcParams) << "del:" << this;
    delete ui;
}

void widget_Parameter::setUpTable()
{
    QTableWidget *table = ui->table_param;
    table->setStyleSheet(QString::fromLatin1(hub8style::tableStyleSheet));
    table->setColumnCount(columnCount);
    table->setHorizontalHeaderLabels({QStringLiteral("参数"), QStringLiteral("R/W"), QStringLiteral("值"),
                                      QStringLiteral("单位"), QStringLiteral("默认"), QStringLiteral("描述")});
    table->setColumnWidth(1, 50);
    table->setColumnWidth(3, 50);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setHidden(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
}

void widget_Parameter::setPort(int port)
{
    m_port = port;
}

void widget_Parameter::addRoleMenus(const QList<treeItem> &menus, const QString &roleSet)
{
    if (m_running)
        return;
    QList<treeItem> &own = menusByRole[roleSet];
    own = menus;
    detachDeep(own);
}

void widget_Parameter::setRole(const QString &roleSet)
{
    if (m_running)
        return;
    m_currentRole = roleSet;
    clearRows();
    QList<treeItem> &menus = menusByRole[m_currentRole];
    for (int i = 0; i < menus.size(); ++i)
        addMenuRows(menus[i], {i});
}

void widget_Parameter::rebuild()
{
    setRole(m_currentRole);
}

void widget_Parameter::clearRows()
{
    QTableWidget *table = ui->table_param;
    for (int row = 0; row < table->rowCount(); ++row) {
        table->removeCellWidget(row, valueColumn);
        table->setItemDelegateForRow(row, nullptr);
    }
    table->setRowCount(0);
    for (tableLineEdit *delegate : qAsConst(m_delegates))
        delegate->deleteLater();
    m_delegates.clear();
}

void widget_Parameter::addMenuRows(treeItem &menu, const QVector<int> &path)
{
    for (int i = 0; i < menu.values.size(); ++i)
        addRow(menu.values[i], EntryRef{path, i});
    ui->table_param->resizeColumnsToContents();
    for (int i = 0; i < menu.children.size(); ++i)
        addMenuRows(menu.children[i], QVector<int>(path) << i);
}

void widget_Parameter::addRow(valueItem &entry, const EntryRef &ref)
{
    QTableWidget *table = ui->table_param;
    const int row = table->rowCount();
    table->insertRow(row);

    QTableWidgetItem *name = readOnlyItem(entry.label);
    name->setData(indexRole, entry.index);
    table->setItem(row, 0, name);
    table->setItem(row, 1, readOnlyItem(entry.accessRightRestriction));
    table->setItem(row, 3, readOnlyItem(entry.unit));
    table->setItem(row, 4, readOnlyItem(valueCodec::defaultText(entry)));
    table->setItem(row, 5, readOnlyItem(entry.description));

    const QString &kind = entry.editor.widgetClass;
    QTableWidgetItem *value = nullptr;
    if (kind == QLatin1String(editorWidget::TableItem)) {
        value = readOnlyItem(entry.editor.defaultValue);
    } else if (kind == QLatin1String(editorWidget::PushButton)) {
        auto *button = new QPushButton(entry.editor.name);
        connect(button, &QPushButton::clicked, this, [this, ref]() { sendButtonCommand(ref); });
        table->setCellWidget(row, valueColumn, button);
    } else if (kind == QLatin1String(editorWidget::ComboBox)) {
        auto *combo = new QComboBox;
        for (const valuePair &pair : qAsConst(entry.editor.entries))
            combo->addItem(pair.first);
        combo->setEnabled(entry.accessRightRestriction != QLatin1String("ro"));
        combo->setCurrentText(initialComboText(entry));
        // Connected last: filling the box must not mark the entry edited.
        connect(combo, &QComboBox::currentTextChanged, this,
                [this, ref](const QString &text) { markEdited(ref, text); });
        table->setCellWidget(row, valueColumn, combo);
    } else if (kind == QLatin1String(editorWidget::LineEdit)) {
        value = new QTableWidgetItem(entry.editor.value);
        auto *delegate = new tableLineEdit(this);
        delegate->column = valueColumn;
        const bool isString = entry.editor.typeName == QLatin1String(ioddKind::StringT)
            || entry.editor.typeName == QLatin1String(ioddKind::OctetStringT);
        delegate->numeric = !isString;
        const numberText::presentation shown = numberText::presentationOf(entry);
        delegate->allowFraction =
            entry.editor.typeName == QLatin1String(ioddKind::Float32T) || shown.scaled() || shown.decimals > 0;
        delegate->maxLength = isBlank(entry.editor.fixedLength) ? 64 : entry.editor.fixedLength.toInt();
        delegate->rangeTip = limitsTip(entry);
        const valueItem described = entry;
        delegate->check = [described](const QString &text) { return valueCodec::checkInput(described, text); };
        connect(delegate, &tableLineEdit::sig_refused, this,
                [this, row](const QString &text, const QString &why) { showRefusal(row, text, why); });
        if (!entry.accessRightRestriction.contains(QLatin1Char('w'))) {
            value->setFlags(value->flags() & ~Qt::ItemIsEditable);
            delegate->editable = false;
        }
        connect(delegate, &tableLineEdit::sig_dataDifferent, this,
                [this, ref](const QString &text) { markEdited(ref, text); });
        table->setItemDelegateForRow(row, delegate);
        m_delegates << delegate;
    } else if (kind == QLatin1String(editorWidget::SpinBox)) {
        table->setCellWidget(row, valueColumn, new QSpinBox);
    }
    // Cells under a widget, and cells of kinds without an editor, hold an
    // empty item that cannot be edited.
    table->setItem(row, valueColumn, value ? value : readOnlyItem(QString()));

    const QBrush background(entry.editor.flag == QLatin1String("true") ? modifiedRowColour : QColor(Qt::white));
    for (int column = 0; column < columnCount; ++column)
        table->item(row, column)->setBackground(background);
}

QString widget_Parameter::readFailedText()
{
    return tr("读取失败");
}

QString widget_Parameter::readKey(const valueItem &entry)
{
    return entry.index + QLatin1Char('/') + entry.subindex + QLatin1Char('/') + entry.label;
}

void widget_Parameter::noteRead(const valueItem &entry, bool ok)
{
    if (ok)
        m_failedReads.remove(readKey(entry));
    else
        m_failedReads.insert(readKey(entry));
}

void widget_Parameter::showRefusal(int row, const QString &text, const QString &why)
{
    const QString message = QStringLiteral("“%1”: %2").arg(text, why);
    qCWarning(lcParams).noquote() << "refused:" << message;
    QTableWidget *table = ui->table_param;
    if (QTableWidgetItem *cell = table->item(row, valueColumn)) {
        cell->setToolTip(message);
        const QRect rect = table->visualItemRect(cell);
        QToolTip::showText(table->viewport()->mapToGlobal(rect.bottomLeft()), message, table->viewport());
    }
    m_lastRefusal = message;
}

valueItem *widget_Parameter::entryAt(const EntryRef &ref)
{
    auto role = menusByRole.find(m_currentRole);
    if (role == menusByRole.end())
        return nullptr;
    QList<treeItem> *menus = &role.value();
    treeItem *menu = nullptr;
    for (int i : ref.menuPath) {
        if (i < 0 || i >= menus->size())
            return nullptr;
        menu = &(*menus)[i];
        menus = &menu->children;
    }
    if (!menu || ref.value < 0 || ref.value >= menu->values.size())
        return nullptr;
    return &menu->values[ref.value];
}

void widget_Parameter::markEdited(const EntryRef &ref, const QString &text)
{
    if (valueItem *entry = entryAt(ref)) {
        entry->editor.value = text;
        entry->editor.flag = QStringLiteral("true");
    }
}

bool widget_Parameter::runOperation(const std::function<bool()> &body)
{
    common *hub = common::instance();
    if (m_running || !hub || !hub->modbus || !hub->activePorts.contains(m_port))
        return false;
    const BusyGuard busy(hub->modbus, BusyGuard::WithOverlay);
    m_running = true;
    if (!body())
        return false; // the page is gone
    m_running = false;
    return true;
}

void widget_Parameter::slot_pbtn_readall()
{
    const bool done = runOperation([this] {
        for (treeItem &menu : menusByRole[m_currentRole]) {
            if (!readMenu(menu, ReadMode::All))
                return false;
        }
        updateTable();
        return true;
    });
    if (!done)
        return;
    ui->table_param->resizeColumnToContents(valueColumn);
    qCDebug(lcParams) << "读所有的值";
}

void widget_Parameter::slot_pbtn_readFix()
{
    const bool done = runOperation([this] {
        for (treeItem &menu : menusByRole[m_currentRole]) {
            if (!readMenu(menu, ReadMode::ModifiedOnly))
                return false;
        }
        updateTable();
        ui->table_param->viewport()->repaint();
        return true;
    });
    if (done)
        ui->table_param->resizeColumnToContents(valueColumn);
}

void widget_Parameter::slot_pbtn_writefix()
{
    const bool done = runOperation([this] {
        for (treeItem &menu : menusByRole[m_currentRole]) {
            if (!writeMenu(menu))
                return false;
        }
        return true;
    });
    if (done)
        qCDebug(lcParams) << "写所有值";
}

bool widget_Parameter::readMenu(treeItem &menu, ReadMode mode)
{
    myModbus *link = common::instance()->modbus;
    // Data of subindex 0 by index text: every further entry of a variable
    // already read in this menu is decoded without another exchange.
    QMap<QString, QByteArray> cache;
    for (valueItem &entry : menu.values) {
        if (!entry.accessRightRestriction.contains(QLatin1Char('r')))
            continue;
        if (mode == ReadMode::ModifiedOnly && entry.editor.flag != QLatin1String("true"))
            continue;
        const quint16 index = quint16(entry.index.toUInt());

        if (!valueCodec::usesSingleItemAccess(entry)) {
            const auto cached = cache.constFind(entry.index);
            if (cached != cache.constEnd()) {
                noteRead(entry, valueCodec::decodeRecord(entry, cached.value()));
                continue;
            }
            noteRead(entry, false);
            const IsduRequestBlock request = IsduRequestBlock::make(isduservice::read, quint8(m_port + 1), index, 0, 0);
            if (link->writeRegisterBlock(requestRegisters, request.bytes, blockRegisters) != 0)
                continue;
            if (!waitUnlessGone(this, recordReadWaitMs))
                return false;
            QByteArray response;
            if (link->readRegisters(responseRegisters, blockRegisters, response) != 0)
                continue;
            noteUnreachable(m_port, response);
            const IsduResponseBlock answer(response);
            const QByteArray data = answer.success() ? answer.dataRightAligned() : QByteArray();
            cache.insert(entry.index, data);
            qCDebug(lcParams).noquote() << entry.index;
            noteRead(entry, answer.success() && valueCodec::decodeRecord(entry, data));
            if (!waitUnlessGone(this, recordReadWaitMs))
                return false;
        } else {
            const IsduRequestBlock request =
                IsduRequestBlock::make(isduservice::read, quint8(m_port + 1), index, quint8(entry.subindex.toUInt()),
                                       quint8(entry.editor.bitLength.toInt() / 8));
            noteRead(entry, false);
            if (link->writeRegisterBlock(requestRegisters, request.bytes, blockRegisters) != 0)
                continue;
            if (!waitUnlessGone(this, singleItemReadWaitMs))
                return false;
            QByteArray response;
            if (link->readRegisters(responseRegisters, blockRegisters, response) != 0)
                continue;
            noteUnreachable(m_port, response);
            const IsduResponseBlock answer(response);
            noteRead(entry, answer.success() && valueCodec::decodeSingleItem(entry, answer.data()));
        }
    }
    for (treeItem &child : menu.children) {
        if (!readMenu(child, mode))
            return false;
    }
    return true;
}

bool widget_Parameter::writeMenu(treeItem &menu)
{
    myModbus *link = common::instance()->modbus;
    // One record image per index, sent in index text order.
    QMap<QString, valueCodec::recordImage> images;
    // A variable with an entry that could not be read is not written: its
    // image would send 0 in that entry's place.
    QSet<QString> unread;
    for (valueItem &entry : menu.values) {
        if (m_failedReads.contains(readKey(entry))) {
            unread.insert(entry.index);
            continue;
        }
        if (!valueCodec::isWritable(entry))
            continue;
        if (!valueCodec::usesSingleItemAccess(entry)) {
            valueCodec::recordImage image =
                images.contains(entry.index) ? images.value(entry.index) : valueCodec::startRecordImage(entry);
            if (valueCodec::placeInRecordImage(entry, image))
                images.insert(entry.index, image);
        } else {
            valueCodec::recordImage image;
            if (!valueCodec::buildSingleItemImage(entry, image))
                continue;
            if (link->writeIsduRequest(writeBlock(m_port, entry.index, entry.subindex, image)) == 0
                && !waitUnlessGone(this, singleItemWriteWaitMs))
                return false;
        }
    }
    for (treeItem &child : menu.children) {
        if (!writeMenu(child))
            return false;
    }

    for (const QString &index : qAsConst(unread))
        images.remove(index);
    qCDebug(lcParams) << "write config:" << images.size();
    for (auto it = images.cbegin(); it != images.cend(); ++it) {
        qCDebug(lcParams).noquote() << it.value().bytes().toHex(' ');
        if (link->writeIsduRequest(writeBlock(m_port, it.key(), QString(), it.value())) == 0
            && !waitUnlessGone(this, recordWriteWaitMs))
            return false;
    }
    return true;
}

void widget_Parameter::updateTable()
{
    const QList<treeItem> &menus = menusByRole[m_currentRole];
    for (const treeItem &menu : menus)
        updateMenuRows(menu);
}

void widget_Parameter::updateMenuRows(const treeItem &menu)
{
    QTableWidget *table = ui->table_param;
    for (const valueItem &entry : menu.values) {
        const int row = findRow(entry.label, entry.index);
        if (row < 0)
            continue;
        const QString &kind = entry.editor.widgetClass;
        if (kind == QLatin1String(editorWidget::PushButton))
            continue;
        const bool failed = m_failedReads.contains(readKey(entry));
        if (failed) {
            if (QWidget *widget = table->cellWidget(row, valueColumn))
                widget->setToolTip(readFailedText());
            if (QTableWidgetItem *item = table->item(row, valueColumn)) {
                item->setText(readFailedText());
                item->setForeground(QBrush(Qt::red));
            }
            continue;
        }
        if (QWidget *widget = table->cellWidget(row, valueColumn))
            widget->setToolTip(QString());
        if (QTableWidgetItem *item = table->item(row, valueColumn))
            item->setForeground(QBrush());
        if (isBlank(entry.editor.value))
            continue;
        if (kind == QLatin1String(editorWidget::ComboBox)) {
            // Marks the entry edited again when the text changes.
            if (auto *combo = qobject_cast<QComboBox *>(table->cellWidget(row, valueColumn)))
                combo->setCurrentText(entry.editor.value);
        } else if (QTableWidgetItem *item = table->item(row, valueColumn)) {
            item->setText(entry.editor.value);
        }
    }
    for (const treeItem &child : menu.children)
        updateMenuRows(child);
}

int widget_Parameter::findRow(const QString &label, const QString &index) const
{
    const QTableWidget *table = ui->table_param;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *item = table->item(row, 0);
        if (!item)
            continue;
        const QString rowIndex = item->data(indexRole).toString();
        qCDebug(lcParamsTable) << item->text() << label << index;
        if (item->text() == label && rowIndex == index)
            return row;
    }
    return -1;
}

void widget_Parameter::sendButtonCommand(const EntryRef &ref)
{
    const valueItem *entry = entryAt(ref);
    if (!entry)
        return;
    const quint16 index = quint16(entry->index.toUInt());
    const quint8 command = quint8(entry->editor.defaultValue.toInt());
    runOperation([this, index, command] {
        // The button's command value travels as the one data octet.
        IsduRequestBlock block = IsduRequestBlock::make(isduservice::write, quint8(m_port + 1), index, 0, 1);
        block.data()[0] = command;
        common::instance()->modbus->writeIsduRequest(block);
        return true;
    });
}
