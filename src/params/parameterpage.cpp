#include "parameterpage.h"
#include "ui_parameterpage.h"

#include "lineeditdelegate.h"
#include "parametersetdialog.h"
#include "widgets/comboboxdelegate.h"

#include "codec/numbertext.h"
#include "codec/valuecodec.h"
#include "link/isduexchange.h"
#include "link/linkexchange.h"
#include "link/linkhub.h"
#include "link/modbuslink.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"
#include "widgets/readonlyitem.h"
#include "widgets/tablestyle.h"

#include <QBrush>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QToolTip>

#include <algorithm>

namespace {

// Column 0 carries the entry's index under this role.
constexpr int indexRole = Qt::UserRole + 1;
constexpr int valueColumn = 2;
constexpr int columnCount = 6;

const QColor readFailedColour(Qt::gray);

// Makes every level of the menu lists unshared, so that references into them
// stay valid while an operation runs and edits reach this copy only.
void detachDeep(QList<TreeItem> &menus)
{
    menus.detach();
    for (TreeItem &menu : menus) {
        menu.values.detach();
        detachDeep(menu.children);
    }
}

IsduRequestBlock writeBlock(int port, const QString &index, const QString &subindex,
                            const ValueCodec::RecordImage &image)
{
    IsduRequestBlock block = IsduRequestBlock::make(IsduService::write, quint8(port + 1), quint16(index.toUInt()),
                                                    quint8(subindex.toUInt()), quint8(image.length));
    std::copy(image.data.cbegin(), image.data.cend(), block.data());
    return block;
}

bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

// The entry's limits as the cell shows its value: scaled, with the unit.
QString limitsTip(const ValueItem &entry)
{
    QString low, high;
    if (!NumberText::displayLimits(entry, &low, &high))
        return QString();
    const QString unit = entry.unit.isEmpty() ? QString() : QLatin1Char(' ') + entry.unit;
    return QStringLiteral("min:%1 max:%2%3").arg(low, high, unit);
}

// The entry's variable as one request: subindex 0, or its own subindex for
// a variable read item by item.
IsduRequestBlock readBlock(int port, const ValueItem &entry)
{
    const bool single = ValueCodec::usesSingleItemAccess(entry);
    return IsduRequestBlock::make(IsduService::read, quint8(port + 1), quint16(entry.index.toUInt()),
                                  single ? quint8(entry.subindex.toUInt()) : 0,
                                  single ? quint8(entry.editor.bitLength.toInt() / 8) : 0);
}

} // namespace

ParameterPage::ParameterPage(QWidget *parent) : QWidget(parent), m_ui(new Ui::ParameterPage)
{
    m_ui->setupUi(this);

    // Stop and the status line sit in the button row.
    m_stop = new QPushButton(tr("停止"), this);
    m_stop->setObjectName(QStringLiteral("pbtn_stop"));
    m_stop->setEnabled(false);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("label_status"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long message (English is longer) takes the room left, never the buttons'; its tool tip has it whole.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_ui->horizontalLayout->insertWidget(3, m_stop);
    m_ui->horizontalLayout->addWidget(m_status, 1);

    setUpTable();
    m_choices = new ComboBoxDelegate(valueColumn, this);
    connect(m_choices, &ComboBoxDelegate::choiceMade, this, [this](int row, const QString &text) {
        if (row >= 0 && row < m_rowRefs.size())
            markEdited(m_rowRefs.at(row), text);
    });
    connect(m_ui->pbtn_read, &QPushButton::clicked, this, &ParameterPage::onReadAllClicked);
    connect(m_ui->pbtn_read_fix, &QPushButton::clicked, this, &ParameterPage::onReadModifiedClicked);
    connect(m_ui->pbtn_write_fix, &QPushButton::clicked, this, &ParameterPage::onWriteModifiedClicked);
    connect(m_stop, &QPushButton::clicked, this, &ParameterPage::onStopClicked);
    connect(m_ui->pbtn_saveFile, &QPushButton::clicked, this, &ParameterPage::onSaveSetClicked);
    connect(m_ui->pbtn_fileRead, &QPushButton::clicked, this, &ParameterPage::onLoadSetClicked);
}

ParameterPage::~ParameterPage()
{
    qCDebug(lcParams) << "del:" << this;
    delete m_ui;
}

void ParameterPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange)
        return;
    m_ui->retranslateUi(this);
    m_stop->setText(tr("停止"));
    showHeaders();
    sizeColumns(); // the titles' widths changed
    updateTable(); // the cells' tool tips
}

void ParameterPage::showHeaders()
{
    m_ui->table_param->setHorizontalHeaderLabels({tr("参数"), tr("R/W"), tr("值"), tr("单位"), tr("默认"), tr("描述")});
}

void ParameterPage::setUpTable()
{
    QTableWidget *table = m_ui->table_param;
    TableStyle::styleTable(table);
    table->setColumnCount(columnCount);
    showHeaders();
    table->setColumnWidth(1, 50);
    table->setColumnWidth(3, 50);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setHidden(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
}

void ParameterPage::setPort(int port)
{
    m_port = port;
}

void ParameterPage::setRoleMenuSource(MenuSource source)
{
    if (m_running)
        return;
    m_menuSource = std::move(source);
    m_menusByRole.clear();
}

namespace {

void countLabels(const TreeItem &menu, QHash<QString, int> *counts)
{
    for (const ValueItem &entry : menu.values)
        ++(*counts)[entry.label];
    for (const TreeItem &child : menu.children)
        countLabels(child, counts);
}

} // namespace

void ParameterPage::setRole(const QString &roleSet)
{
    if (m_running)
        return;
    m_currentRole = roleSet;
    clearRows();
    if (!m_menusByRole.contains(roleSet) && m_menuSource) {
        // The page's own copy: read values are kept in it.
        QList<TreeItem> own = m_menuSource(roleSet);
        detachDeep(own);
        m_menusByRole.insert(roleSet, own);
    }
    QList<TreeItem> &menus = m_menusByRole[m_currentRole];
    // Labels that occur more than once in the role are shown with their menu path.
    QHash<QString, int> labelCounts;
    for (const TreeItem &menu : qAsConst(menus))
        countLabels(menu, &labelCounts);
    for (int i = 0; i < menus.size(); ++i)
        addMenuRows(menus[i], {i}, {menus[i].name.isEmpty() ? menus[i].text : menus[i].name}, labelCounts);
    sizeColumns();
    for (int row = 0; row < m_ui->table_param->rowCount(); ++row)
        updateRow(row);
}

namespace {

// The widest of many texts, measured exactly for a few only: each text's
// width is first estimated from its characters' advances (cached per
// character, kerning aside), and only the widest estimates are shaped.
class WidestText
{
public:
    explicit WidestText(const QFontMetrics &metrics) : m_metrics(metrics) {}

    void add(const QString &text)
    {
        int estimate = 0;
        for (const QChar c : text) {
            auto known = m_chars.constFind(c);
            if (known == m_chars.constEnd())
                known = m_chars.insert(c, m_metrics.horizontalAdvance(c));
            estimate += known.value();
        }
        m_candidates.append({estimate, text});
        std::sort(m_candidates.begin(), m_candidates.end(),
                  [](const Candidate &a, const Candidate &b) { return a.first > b.first; });
        if (m_candidates.size() > kept)
            m_candidates.removeLast();
    }
    int width() const
    {
        int widest = 0;
        for (const Candidate &c : m_candidates)
            widest = qMax(widest, m_metrics.horizontalAdvance(c.second));
        return widest;
    }
    bool isEmpty() const { return m_candidates.isEmpty(); }

private:
    using Candidate = QPair<int, QString>;
    static constexpr int kept = 4;
    const QFontMetrics &m_metrics;
    QHash<QChar, int> m_chars;
    QVector<Candidate> m_candidates;
};

} // namespace

void ParameterPage::sizeColumns()
{
    // Each column as wide as its widest cell, like resizeColumnsToContents(),
    // but without asking the style for every cell (under the window's style
    // sheet that costs more than the whole build) and shaping only the
    // likely widest texts. The description column is not measured: it takes
    // the rest of the width, and a cell too narrow for its text shows it
    // whole as the tool tip.
    QTableWidget *table = m_ui->table_param;
    const QFontMetrics metrics(table->font());
    int padding = -1;    // what the style adds around a cell's text
    int boxPadding = -1; // and around a choice cell's text
    for (int column = 0; column < columnCount - 1; ++column) {
        int width = table->horizontalHeader()->sectionSizeHint(column);
        WidestText texts(metrics);
        WidestText choices(metrics);
        QModelIndex textCell, choiceCell; // one of each, to ask the style its padding
        for (int row = 0; row < table->rowCount(); ++row) {
            if (QWidget *widget = table->cellWidget(row, column)) {
                width = qMax(width, widget->sizeHint().width());
                continue;
            }
            const QTableWidgetItem *item = table->item(row, column);
            const bool choice = item && column == valueColumn && item->data(ComboBoxDelegate::choicesRole).isValid();
            if (!item || (item->text().isEmpty() && !choice))
                continue;
            if (choice) {
                choices.add(item->data(ComboBoxDelegate::longestChoiceRole).toString());
                choices.add(item->text());
                choiceCell = table->model()->index(row, column);
            } else {
                texts.add(item->text());
                textCell = table->model()->index(row, column);
            }
        }
        if (!choices.isEmpty()) {
            if (boxPadding < 0) {
                const QString shown = choiceCell.data(Qt::DisplayRole).toString();
                const int text =
                    qMax(metrics.horizontalAdvance(shown),
                         metrics.horizontalAdvance(choiceCell.data(ComboBoxDelegate::longestChoiceRole).toString()));
                boxPadding = qMax(0, table->sizeHintForIndex(choiceCell).width() - text);
            }
            width = qMax(width, choices.width() + boxPadding);
        }
        if (!texts.isEmpty()) {
            if (padding < 0)
                padding = qMax(0,
                               table->sizeHintForIndex(textCell).width()
                                   - metrics.horizontalAdvance(textCell.data(Qt::DisplayRole).toString()));
            width = qMax(width, texts.width() + padding);
        }
        table->setColumnWidth(column, width);
    }
}

void ParameterPage::rebuild()
{
    setRole(m_currentRole);
}

void ParameterPage::clearRows()
{
    QTableWidget *table = m_ui->table_param;
    for (int row = 0; row < table->rowCount(); ++row) {
        table->removeCellWidget(row, valueColumn);
        table->setItemDelegateForRow(row, nullptr);
    }
    table->setRowCount(0);
    m_rowRefs.clear();
    for (LineEditDelegate *delegate : qAsConst(m_delegates))
        delegate->deleteLater();
    m_delegates.clear();
}

void ParameterPage::addMenuRows(TreeItem &menu, const QVector<int> &path, const QStringList &names,
                                const QHash<QString, int> &labelCounts)
{
    for (int i = 0; i < menu.values.size(); ++i) {
        const ValueItem &entry = menu.values.at(i);
        const QString shown = labelCounts.value(entry.label) > 1
            ? QStringList(names).join(QStringLiteral(" › ")) + QStringLiteral(" › ") + entry.label
            : entry.label;
        addRow(menu.values[i], EntryRef{path, i}, shown);
    }
    for (int i = 0; i < menu.children.size(); ++i)
        addMenuRows(menu.children[i], QVector<int>(path) << i, QStringList(names) << menu.children.at(i).name,
                    labelCounts);
}

void ParameterPage::addRow(ValueItem &entry, const EntryRef &ref, const QString &shownLabel)
{
    QTableWidget *table = m_ui->table_param;
    const int row = table->rowCount();
    table->insertRow(row);
    m_rowRefs.append(ref);

    QTableWidgetItem *name = readOnlyItem(shownLabel);
    name->setData(indexRole, entry.index);
    table->setItem(row, 0, name);
    table->setItem(row, 1, readOnlyItem(entry.accessRightRestriction));
    table->setItem(row, 3, readOnlyItem(entry.unit));
    table->setItem(row, 4, readOnlyItem(ValueCodec::defaultText(entry)));
    QTableWidgetItem *description = readOnlyItem(entry.description);
    description->setToolTip(entry.description);
    table->setItem(row, 5, description);

    const QString &kind = entry.editor.widgetClass;
    QTableWidgetItem *value = nullptr;
    if (kind == QLatin1String(EditorWidget::TableItem)) {
        value = readOnlyItem(entry.editor.defaultValue);
    } else if (kind == QLatin1String(EditorWidget::PushButton)) {
        auto *button = new QPushButton(entry.editor.name);
        connect(button, &QPushButton::clicked, this, [this, ref]() { sendButtonCommand(ref); });
        table->setCellWidget(row, valueColumn, button);
    } else if (kind == QLatin1String(EditorWidget::ComboBox)) {
        // Drawn as a combo box; a real one exists only while the cell is edited.
        QStringList choices;
        for (const ValuePair &pair : qAsConst(entry.editor.entries))
            choices << pair.first;
        // Empty until the device has said what it holds.
        value = new QTableWidgetItem(choices.contains(entry.editor.value) ? entry.editor.value : QString());
        ComboBoxDelegate::setChoices(value, choices);
        if (entry.accessRightRestriction == QLatin1String("ro"))
            value->setFlags(value->flags() & ~Qt::ItemIsEditable);
        table->setItemDelegateForRow(row, m_choices);
    } else if (kind == QLatin1String(EditorWidget::LineEdit)) {
        value = new QTableWidgetItem(entry.editor.value);
        LineEditDelegate::Cell cell;
        cell.column = valueColumn;
        const bool isString = entry.editor.typeName == QLatin1String(IoddKind::StringT)
            || entry.editor.typeName == QLatin1String(IoddKind::OctetStringT);
        cell.numeric = !isString;
        const NumberText::Presentation shown = NumberText::presentationOf(entry);
        cell.allowFraction =
            entry.editor.typeName == QLatin1String(IoddKind::Float32T) || shown.scaled() || shown.decimals > 0;
        cell.maxLength = isBlank(entry.editor.fixedLength) ? 64 : entry.editor.fixedLength.toInt();
        cell.rangeTip = limitsTip(entry);
        const ValueItem described = entry;
        cell.check = [described](const QString &text) { return ValueCodec::checkInput(described, text); };
        if (!entry.accessRightRestriction.contains(QLatin1Char('w'))) {
            value->setFlags(value->flags() & ~Qt::ItemIsEditable);
            cell.editable = false;
        }
        auto *delegate = new LineEditDelegate(cell, this);
        connect(delegate, &LineEditDelegate::inputRefused, this,
                [this, row](const QString &text, const QString &why) { showRefusal(row, text, why); });
        connect(delegate, &LineEditDelegate::valueEdited, this,
                [this, ref](const QString &text) { markEdited(ref, text); });
        table->setItemDelegateForRow(row, delegate);
        m_delegates << delegate;
    } else if (kind == QLatin1String(EditorWidget::SpinBox)) {
        table->setCellWidget(row, valueColumn, new QSpinBox);
    }
    // Cells under a widget, and cells of kinds without an editor, hold an
    // empty item that cannot be edited.
    table->setItem(row, valueColumn, value ? value : readOnlyItem(QString()));
}

ValueItem *ParameterPage::entryAt(const EntryRef &ref)
{
    auto role = m_menusByRole.find(m_currentRole);
    if (role == m_menusByRole.end())
        return nullptr;
    QList<TreeItem> *menus = &role.value();
    TreeItem *menu = nullptr;
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

QVector<ParameterPage::Target> ParameterPage::targets()
{
    QVector<Target> list;
    for (const EntryRef &ref : qAsConst(m_rowRefs)) {
        if (ValueItem *entry = entryAt(ref))
            list.append({entry, ref});
    }
    return list;
}

QString ParameterPage::stateKey(const ValueItem &entry)
{
    return entry.index + QLatin1Char('/') + entry.subindex + QLatin1Char('/') + entry.label + QLatin1Char('/')
        + entry.editor.bitOffset;
}

bool ParameterPage::isEdited(const ValueItem &entry) const
{
    const auto state = m_device.constFind(stateKey(entry));
    return state != m_device.constEnd() && state->read && entry.editor.value != state->text;
}

void ParameterPage::markEdited(const EntryRef &ref, const QString &text)
{
    ValueItem *entry = entryAt(ref);
    if (!entry)
        return;
    entry->editor.value = text;
    entry->editor.flag = QStringLiteral("true");
    // Every row of this entry (an entry may be listed in two menus) shows the edit.
    for (int row = 0; row < m_rowRefs.size(); ++row) {
        if (entryAt(m_rowRefs.at(row)) == entry || stateKey(*entryAt(m_rowRefs.at(row))) == stateKey(*entry))
            updateRow(row);
    }
}

int ParameterPage::unwrittenEdits() const
{
    int count = 0;
    auto *self = const_cast<ParameterPage *>(this);
    QSet<QString> seen;
    for (const Target &t : self->targets()) {
        if (isEdited(*t.entry) && !seen.contains(stateKey(*t.entry))) {
            seen.insert(stateKey(*t.entry));
            ++count;
        }
    }
    return count;
}

bool ParameterPage::confirmDiscard()
{
    const int edits = unwrittenEdits();
    if (edits == 0)
        return true;
    const auto answer = QMessageBox::question(this, tr("未写入的修改"),
                                              tr("%1 个修改过的值还没有写入设备。放弃这些修改吗？").arg(edits),
                                              QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Cancel);
    return answer == QMessageBox::Discard;
}

bool ParameterPage::canOperate() const
{
    const LinkHub *hub = LinkHub::instance();
    return !m_running && hub && hub->link() && hub->activePorts().contains(m_port);
}

bool ParameterPage::runOperation(const std::function<bool()> &body)
{
    if (!canOperate())
        return false;
    const BusyGuard busy(LinkHub::instance()->link());
    m_running = true;
    m_stopAsked = false;
    const QList<QPushButton *> buttons{m_ui->pbtn_read, m_ui->pbtn_read_fix, m_ui->pbtn_write_fix, m_ui->pbtn_fileRead,
                                       m_ui->pbtn_saveFile};
    for (QPushButton *button : buttons)
        button->setEnabled(false);
    m_stop->setEnabled(true);
    if (!body())
        return false; // the page is gone
    for (QPushButton *button : buttons)
        button->setEnabled(true);
    m_stop->setEnabled(false);
    m_running = false;
    return true;
}

void ParameterPage::onStopClicked()
{
    if (m_running)
        m_stopAsked = true;
}

bool ParameterPage::exchange(const IsduRequestBlock &request, int waitMs, bool *ok, QByteArray *data, QString *why,
                             bool *linkLost)
{
    ModbusLink *link = LinkHub::instance()->link();
    const IsduExchange x = exchangeIsdu(link, request, this, mailboxPollMs, waitMs);
    *ok = false;
    *linkLost = false;
    switch (x.outcome) {
    case IsduOutcome::Gone:
        return false;
    case IsduOutcome::NoAnswer:
        *why = tr("适配器无应答");
        *linkLost = !link->isConnected();
        return true;
    case IsduOutcome::StillBusy:
        *why = tr("设备未在 %1 ms 内应答").arg(waitMs);
        return true;
    case IsduOutcome::NotOurs:
        *why = tr("邮箱应答不属于本请求");
        return true;
    case IsduOutcome::Answered:
        break;
    }
    const IsduResponseBlock &response = x.response;
    if (response.status() == IsduStatus::communicationFailed)
        PortStatusMonitor::relearn(m_port);
    if (response.success()) {
        *ok = true;
        *data = response.data();
        return true;
    }
    if (response.status() == IsduStatus::deviceError)
        *why = QStringLiteral("0x%1 %2")
                   .arg(response.deviceError(), 4, 16, QLatin1Char('0'))
                   .arg(isduDeviceErrorText(response.deviceError()));
    else
        *why = isduStatusText(response.status());
    return true;
}

bool ParameterPage::readTargets(const QVector<Target> &list)
{
    // Data of subindex 0 per index, for this operation: every further entry of
    // a variable already read is decoded without another exchange.
    QHash<QString, QPair<bool, QString>> outcomeByIndex; // index -> (ok, why)
    QHash<QString, QByteArray> dataByIndex;
    int failed = 0;
    QString lastError;
    for (int i = 0; i < list.size(); ++i) {
        ValueItem &entry = *list.at(i).entry;
        setProgress(i, list.size());
        if (m_stopAsked) {
            setStatus(tr("已停止：读取了 %1 / %2 个值").arg(i).arg(list.size()));
            m_readComplete = false;
            return true;
        }
        const bool whole = !ValueCodec::usesSingleItemAccess(entry);
        bool ok = false, linkLost = false;
        QString why;
        QByteArray data;
        if (whole && outcomeByIndex.contains(entry.index)) {
            ok = outcomeByIndex.value(entry.index).first;
            why = outcomeByIndex.value(entry.index).second;
            data = dataByIndex.value(entry.index);
        } else {
            if (!exchange(readBlock(m_port, entry), whole ? recordReadWaitMs : singleItemReadWaitMs, &ok, &data, &why,
                          &linkLost))
                return false;
            if (linkLost) {
                setStatus(tr("读取中断：%1").arg(why));
                m_readComplete = false;
                return true;
            }
            if (whole) {
                // The mailbox holds the data right-aligned in its 32 octets.
                outcomeByIndex.insert(entry.index, {ok, why});
                dataByIndex.insert(entry.index, data);
                if (ok)
                    m_rawByIndex.insert(entry.index, data);
                qCDebug(lcParams).noquote() << entry.index;
            }
        }
        DeviceState &state = m_device[stateKey(entry)];
        if (ok && !(whole ? ValueCodec::decodeRecord(entry, data) : ValueCodec::decodeSingleItem(entry, data))) {
            ok = false;
            why = tr("应答数据太短（%1 字节）").arg(data.size());
        }
        state.read = ok;
        state.error = ok ? QString() : why;
        if (ok) {
            state.text = entry.editor.value;
            state.raw = data;
        } else {
            ++failed;
            lastError = entry.label + QStringLiteral(": ") + why;
        }
    }
    setProgress(list.size(), list.size());
    m_readComplete = true;
    setStatus(failed == 0 ? tr("读取完成：%1 个值").arg(list.size())
                          : tr("读取完成：%1 个值，%2 个失败（%3）").arg(list.size()).arg(failed).arg(lastError));
    return true;
}

void ParameterPage::onReadAllClicked()
{
    if (!confirmDiscard())
        return;
    if (!runOperation([this] { return readAllTargets(); }))
        return;
    m_ui->table_param->resizeColumnToContents(valueColumn);
    qCDebug(lcParams) << "读所有的值";
}

bool ParameterPage::readAllTargets()
{
    QVector<Target> list;
    for (const Target &t : targets()) {
        if (t.entry->accessRightRestriction.contains(QLatin1Char('r')))
            list.append(t);
    }
    if (!readTargets(list))
        return false;
    updateTable();
    return true;
}

void ParameterPage::onReadModifiedClicked()
{
    // Reads back what was edited: the device's values replace the edits.
    const bool done = runOperation([this] {
        QVector<Target> list;
        for (const Target &t : targets()) {
            if (isEdited(*t.entry) && t.entry->accessRightRestriction.contains(QLatin1Char('r')))
                list.append(t);
        }
        if (list.isEmpty()) {
            setStatus(tr("没有修改过的值"));
            return true;
        }
        if (!readTargets(list))
            return false;
        updateTable();
        return true;
    });
    if (done)
        m_ui->table_param->resizeColumnToContents(valueColumn);
}

void ParameterPage::onWriteModifiedClicked()
{
    const bool done = runOperation([this] { return writeEdits(); });
    if (done)
        qCDebug(lcParams) << "写所有值";
}

bool ParameterPage::writeEdits()
{
    // What changed, grouped by variable; only entries read before can be edited.
    QMap<QString, QVector<Target>> byIndex;
    QVector<Target> singles;
    QSet<QString> seen;
    for (const Target &t : targets()) {
        if (!ValueCodec::isWritable(*t.entry) || !isEdited(*t.entry) || seen.contains(stateKey(*t.entry)))
            continue;
        seen.insert(stateKey(*t.entry));
        if (ValueCodec::usesSingleItemAccess(*t.entry))
            singles.append(t);
        else
            byIndex[t.entry->index].append(t);
    }
    if (byIndex.isEmpty() && singles.isEmpty()) {
        setStatus(tr("没有要写入的修改"));
        return true;
    }

    QStringList written, refused;
    QVector<int> writtenIndexes;
    QVector<Target> readBack;
    auto send = [&](const QString &index, const QString &subindex, const ValueCodec::RecordImage &image,
                    const QVector<Target> &entries) {
        bool ok = false, linkLost = false;
        QString why;
        QByteArray data;
        if (!exchange(writeBlock(m_port, index, subindex, image),
                      subindex.isEmpty() ? recordWriteWaitMs : singleItemWriteWaitMs, &ok, &data, &why, &linkLost))
            return false;
        const QString what = QStringLiteral("%1%2: %3")
                                 .arg(index, subindex.isEmpty() ? QString() : QLatin1Char(':') + subindex,
                                      QString::fromLatin1(image.bytes().left(image.length).toHex(' ')));
        (ok ? written : refused) << (ok ? what : what + QStringLiteral(" — ") + why);
        if (ok && !writtenIndexes.contains(int(index.toUInt())))
            writtenIndexes << int(index.toUInt()); // once per variable, however many subindexes
        for (const Target &t : entries) {
            if (!ok)
                m_device[stateKey(*t.entry)].error = why;
            readBack.append(t);
        }
        return true;
    };

    QStringList order = byIndex.keys();
    std::stable_partition(order.begin(), order.end(),
                          [](const QString &index) { return !ParameterSet::writtenLast(int(index.toUInt())); });
    for (const QString &index : qAsConst(order)) {
        // The variable as the device sent it, with the edited entries replaced.
        QVector<ValueItem *> edited;
        for (const Target &t : byIndex.value(index))
            edited.append(t.entry);
        ValueCodec::RecordImage image;
        if (!ValueCodec::replaceInDeviceData(m_rawByIndex.value(index), edited, image))
            continue;
        qCDebug(lcParams).noquote() << image.bytes().toHex(' ');
        if (!send(index, QString(), image, byIndex.value(index)))
            return false;
    }
    for (const Target &t : qAsConst(singles)) {
        ValueCodec::RecordImage image;
        if (!ValueCodec::buildSingleItemImage(*t.entry, image))
            continue;
        if (!send(t.entry->index, t.entry->subindex, image, {t}))
            return false;
    }

    // What the device holds now, refused values included.
    const QString result = refused.isEmpty() ? tr("已写入 %1").arg(written.join(QStringLiteral("; ")))
                                             : tr("写入被拒绝 %1").arg(refused.join(QStringLiteral("; ")))
            + (written.isEmpty() ? QString() : tr("；已写入 %1").arg(written.join(QStringLiteral("; "))));
    if (!readTargets(readBack))
        return false;
    setStatus(result);
    updateTable();
    for (int index : qAsConst(writtenIndexes))
        emit variableWritten(index);
    return true;
}

void ParameterPage::updateTable()
{
    for (int row = 0; row < m_rowRefs.size(); ++row)
        updateRow(row);
}

void ParameterPage::updateRow(int row)
{
    QTableWidget *table = m_ui->table_param;
    const ValueItem *entry = row < m_rowRefs.size() ? entryAt(m_rowRefs.at(row)) : nullptr;
    QTableWidgetItem *item = table->item(row, valueColumn);
    if (!entry || !item)
        return;
    const QString &kind = entry->editor.widgetClass;
    if (kind == QLatin1String(EditorWidget::PushButton))
        return;
    const DeviceState state = m_device.value(stateKey(*entry));
    const bool failed = !state.read && !state.error.isEmpty();
    const bool edited = isEdited(*entry);
    const QString tip = failed ? readFailedText() + QStringLiteral(": ") + state.error
                               : (!state.error.isEmpty() ? state.error : QString());

    QFont font = table->font();
    font.setBold(edited);
    const bool choice = kind == QLatin1String(EditorWidget::ComboBox);
    if (choice || kind == QLatin1String(EditorWidget::LineEdit) || kind == QLatin1String(EditorWidget::TableItem)) {
        // A failed read shows nothing, never a value the device did not send;
        // a choice cell shows only one of its choices.
        QString text = failed ? QString() : entry->editor.value;
        if (choice && !item->data(ComboBoxDelegate::choicesRole).toStringList().contains(text))
            text.clear();
        if (item->text() != text)
            item->setText(text);
        item->setForeground(failed ? QBrush(readFailedColour) : QBrush());
        item->setBackground(failed ? QBrush(QColor(0xEE, 0xEE, 0xEE)) : QBrush());
        item->setToolTip(tip);
        item->setFont(font);
    }
    if (QTableWidgetItem *name = table->item(row, 0)) {
        name->setFont(font);
        name->setToolTip(edited ? tr("已修改，未写入") : QString());
    }
}

void ParameterPage::setProgress(int done, int total)
{
    m_status->setText(tr("读取中 %1 / %2").arg(done).arg(total));
}

void ParameterPage::setStatus(const QString &text)
{
    qCDebug(lcParams).noquote() << "status:" << text;
    m_status->setText(text);
    m_status->setToolTip(text);
}

QString ParameterPage::statusText() const
{
    return m_status->text();
}

QString ParameterPage::readFailedText()
{
    return tr("读取失败");
}

void ParameterPage::showRefusal(int row, const QString &text, const QString &why)
{
    const QString message = QStringLiteral("“%1”: %2").arg(text, why);
    qCWarning(lcParams).noquote() << "refused:" << message;
    QTableWidget *table = m_ui->table_param;
    if (QTableWidgetItem *cell = table->item(row, valueColumn)) {
        cell->setToolTip(message);
        const QRect rect = table->visualItemRect(cell);
        QToolTip::showText(table->viewport()->mapToGlobal(rect.bottomLeft()), message, table->viewport());
    }
    setStatus(tr("未接受 %1").arg(message));
}

void ParameterPage::sendButtonCommand(const EntryRef &ref)
{
    const ValueItem *entry = entryAt(ref);
    if (!entry)
        return;
    const quint16 index = quint16(entry->index.toUInt());
    const quint8 command = quint8(entry->editor.defaultValue.toInt());
    const QString name = entry->editor.name;
    runOperation([this, index, command, name] {
        // The button's command value travels as the one data octet.
        IsduRequestBlock block = IsduRequestBlock::make(IsduService::write, quint8(m_port + 1), index, 0, 1);
        block.data()[0] = command;
        bool ok = false, linkLost = false;
        QString why;
        QByteArray data;
        if (!exchange(block, singleItemWriteWaitMs, &ok, &data, &why, &linkLost))
            return false;
        setStatus(ok ? tr("已发送 %1 (%2 = %3)").arg(name).arg(index).arg(command)
                     : tr("%1 被拒绝：%2").arg(name, why));
        return true;
    });
}

// ---- parameter sets ---------------------------------------------------------

namespace {

// Where the file dialogs open: the folder of the last set saved or loaded.
QString &setFolder()
{
    static QString folder = [] {
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QDir(documents).exists() ? documents : QDir::homePath();
    }();
    return folder;
}

QString setFileFilter()
{
    return ParameterPage::tr("参数文件 (*.json);;所有文件 (*)");
}

QString keyOfEntry(const ValueItem &entry)
{
    return ParameterSet::keyOf(int(entry.index.toUInt()), int(entry.subindex.toUInt()));
}

bool holdsValue(const ValueItem &entry)
{
    return entry.accessRightRestriction.contains(QLatin1Char('r'))
        && entry.editor.widgetClass != QLatin1String(EditorWidget::PushButton);
}

} // namespace

void ParameterPage::setDeviceIdentity(const ParameterSet::Identity &device)
{
    m_identity = device;
}

QVector<ParameterSet::Entry> ParameterPage::deviceValues(int *leftOut)
{
    QVector<ParameterSet::Entry> values;
    QHash<QString, int> position; // by index:subindex
    int missing = 0;
    for (const Target &t : targets()) {
        const ValueItem &entry = *t.entry;
        if (!holdsValue(entry))
            continue;
        const QString key = keyOfEntry(entry);
        const auto known = position.constFind(key);
        if (known != position.constEnd()) {
            // Listed again, perhaps with other access: writable when one listing is.
            if (known.value() >= 0)
                values[known.value()].writable = values.at(known.value()).writable || ValueCodec::isWritable(entry);
            continue;
        }
        const DeviceState state = m_device.value(stateKey(entry));
        if (!state.read) {
            position.insert(key, -1);
            ++missing;
            continue;
        }
        ValueItem said = entry;
        said.editor.value = state.text;
        position.insert(key, int(values.size()));
        values.append(ParameterSet::entryOf(said, state.raw));
    }
    if (leftOut)
        *leftOut = missing;
    return values;
}

bool ParameterPage::saveParameterSet(const QString &path)
{
    if (m_running)
        return false;
    int leftOut = 0;
    ParameterSet::Set values;
    values.device = m_identity;
    values.entries = deviceValues(&leftOut);
    if (values.entries.isEmpty()) {
        setStatus(tr("没有可保存的值：还没有从设备读到值"));
        return false;
    }
    QString why;
    if (!ParameterSet::writeFile(path, values, &why)) {
        setStatus(tr("参数文件未保存：%1").arg(why));
        return false;
    }
    const QString name = QFileInfo(path).fileName();
    setStatus(
        leftOut == 0
            ? tr("已保存 %1 个值到 %2").arg(values.entries.size()).arg(name)
            : tr("已保存 %1 个值到 %2；%3 个值没有读到，未保存").arg(values.entries.size()).arg(name).arg(leftOut));
    return true;
}

ParameterSet::Comparison ParameterPage::compareWithSet(const ParameterSet::Set &file)
{
    return ParameterSet::compare(file, deviceValues());
}

void ParameterPage::onSaveSetClicked()
{
    if (m_running)
        return;
    // Nothing read yet: read first, so that the set holds the device's values.
    if (deviceValues().isEmpty()) {
        if (!canOperate()) {
            setStatus(tr("没有可保存的值：还没有从设备读到值"));
            return;
        }
        if (!runOperation([this] { return readAllTargets(); }))
            return; // the page is gone
        if (deviceValues().isEmpty())
            return; // the status line says why the read gave nothing
    }
    QString name = m_identity.productName.isEmpty() ? QStringLiteral("parameters") : m_identity.productName;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]+")), QStringLiteral("_"));
    const QString suggested = setFolder() + QStringLiteral("/%1_Port%2.json").arg(name).arg(m_port + 1);
    const QPointer<ParameterPage> self(this);
    QString path = QFileDialog::getSaveFileName(this, tr("保存参数"), suggested, setFileFilter());
    if (!self || path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".json");
    setFolder() = QFileInfo(path).absolutePath();
    saveParameterSet(path);
}

void ParameterPage::onLoadSetClicked()
{
    if (!canOperate())
        return;
    const QPointer<ParameterPage> self(this);
    const QString path = QFileDialog::getOpenFileName(this, tr("载入参数"), setFolder(), setFileFilter());
    if (!self || path.isEmpty())
        return;
    setFolder() = QFileInfo(path).absolutePath();
    loadParameterSet(path);
}

void ParameterPage::loadParameterSet(const QString &path)
{
    if (!canOperate()) {
        if (!m_running)
            setStatus(tr("端口上没有运行中的设备：无法载入参数"));
        return;
    }
    ParameterSet::Set file;
    QString why;
    if (!ParameterSet::readFile(path, &file, &why)) {
        setStatus(tr("无法读取参数文件：%1").arg(why));
        QMessageBox::warning(this, tr("载入参数"), tr("无法读取参数文件。\n\n%1").arg(why));
        return;
    }
    if (!ParameterSet::sameDevice(file.device, m_identity)) {
        setStatus(tr("参数文件属于另一种设备：%1").arg(ParameterSet::describe(file.device)));
        QMessageBox::warning(this, tr("载入参数"),
                             tr("这个参数文件是为另一种设备保存的，不能载入。\n\n文件：%1\n本端口：%2")
                                 .arg(ParameterSet::describe(file.device), ParameterSet::describe(m_identity)));
        return;
    }
    if (!confirmDiscard())
        return;
    // Compared with what the device holds now, not with an older read.
    const QPointer<ParameterPage> self(this);
    if (!runOperation([this] { return readAllTargets(); }) || !self || !m_readComplete)
        return; // the status line says why the read ended early

    ParameterSet::Comparison comparison = compareWithSet(file);
    // The dialog names entries as the table does, with the menu path where a label repeats.
    QHash<QString, QString> rowNames;
    for (int row = 0; row < m_rowRefs.size(); ++row) {
        const ValueItem *entry = entryAt(m_rowRefs.at(row));
        if (entry && !rowNames.contains(keyOfEntry(*entry)))
            rowNames.insert(keyOfEntry(*entry), m_ui->table_param->item(row, 0)->text());
    }
    for (ParameterSet::Row &r : comparison.rows) {
        if (r.state != ParameterSet::RowState::OnlyInFile)
            r.device.label = rowNames.value(r.file.key(), r.device.label);
    }
    // Why the device side has no value for an entry of the file.
    QHash<QString, QString> notes;
    for (const Target &t : targets()) {
        const QString key = keyOfEntry(*t.entry);
        if (notes.contains(key) || !holdsValue(*t.entry))
            continue;
        const DeviceState state = m_device.value(stateKey(*t.entry));
        if (!state.read)
            notes.insert(key,
                         readFailedText() + (state.error.isEmpty() ? QString() : QStringLiteral("：") + state.error));
    }
    for (const ParameterSet::Row &r : comparison.rows) {
        if (r.state == ParameterSet::RowState::OnlyInFile && !notes.contains(r.file.key()))
            notes.insert(r.file.key(), tr("不在当前角色的菜单中"));
    }
    auto *dialog = new ParameterSetDialog(QFileInfo(path).fileName(), file, m_identity, comparison, notes, this);
    const QPointer<ParameterSetDialog> open(dialog);
    const int answer = dialog->exec();
    if (!self || !open)
        return;
    const QStringList keys = dialog->tickedKeys();
    delete dialog;
    if (answer != QDialog::Accepted) {
        setStatus(tr("已比较 %1：相同 %2，不同 %3，仅在文件中 %4；未写入")
                      .arg(QFileInfo(path).fileName())
                      .arg(comparison.same)
                      .arg(comparison.different)
                      .arg(comparison.onlyInFile));
        return;
    }
    restoreFromSet(file, keys);
}

void ParameterPage::restoreFromSet(const ParameterSet::Set &file, const QStringList &keys)
{
    if (!canOperate())
        return;
    QHash<QString, QString> wanted;
    for (const ParameterSet::Entry &e : file.entries) {
        if (keys.contains(e.key()))
            wanted.insert(e.key(), e.value);
    }
    QStringList refused;
    QSet<QString> done;
    for (const Target &t : targets()) {
        const QString key = keyOfEntry(*t.entry);
        const auto value = wanted.constFind(key);
        if (value == wanted.constEnd() || !ValueCodec::isWritable(*t.entry) || !holdsValue(*t.entry))
            continue;
        QString why;
        if (!ParameterSet::acceptsValue(*t.entry, value.value(), &why)) {
            if (!done.contains(key))
                refused << QStringLiteral("%1 “%2”: %3").arg(t.entry->label, value.value(), why);
            done.insert(key);
            continue;
        }
        done.insert(key);
        markEdited(t.ref, value.value());
    }
    if (!runOperation([this] { return writeEdits(); }))
        return;
    if (!refused.isEmpty())
        setStatus(statusText() + tr("；未写入 %1").arg(refused.join(QStringLiteral("; "))));
}
