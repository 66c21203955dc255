#include "parameterpage.h"

#include "ui_parameterpage.h"
#include "parameterfilter.h"

#include "lineeditdelegate.h"
#include "parametersetdialog.h"
#include "widgets/comboboxdelegate.h"
#include "widgets/statuslabel.h"
#include "widgets/writeconfirmation.h"

#include "codec/numbertext.h"
#include "codec/parameteraccess.h"
#include "codec/parameterdownload.h"
#include "codec/valuecodec.h"
#include "link/adapterlink.h"
#include "link/linkhub.h"
#include "link/linkreply.h"
#include "link/portstatusmonitor.h"
#include "log/hub8log.h"
#include "log/writejournal.h"
#include "protocol/adapterregisters.h"
#include "protocol/isdublock.h"
#include "widgets/readonlyitem.h"
#include "widgets/tablestyle.h"

#include <QBrush>
#include <QCheckBox>
#include <QColor>
#include <QCoreApplication>
#include <QDateTime>
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
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTableWidgetItem>
#include <QTimer>
#include <QToolTip>

#include <optional>

#include <algorithm>

namespace {

// Column 0 carries the entry's index under this role.
constexpr int indexRole = Qt::UserRole + 1;
constexpr int valueColumn = 2;
constexpr int defaultColumn = 4;
constexpr int indexColumn = 5;
constexpr int descriptionColumn = 6;
constexpr int columnCount = 7;

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

IsduRequestBlock readBlock(int port, const ParameterAccess::Request &r)
{
    return IsduRequestBlock::read(quint8(port + 1), r.index, r.subindex);
}

IsduRequestBlock writeBlock(int port, const ParameterAccess::Request &r)
{
    return IsduRequestBlock::write(quint8(port + 1), r.index, r.subindex, r.data);
}

QString requestKey(const ParameterAccess::Request &r)
{
    return QStringLiteral("%1:%2").arg(r.index).arg(r.subindex);
}

// Whether two rows of one variable show its value the same way, so that the
// text typed into one is the other's text too.
bool samePresentation(const ValueItem &a, const ValueItem &b)
{
    return a.gradient == b.gradient && a.offset == b.offset && a.displayFormat == b.displayFormat && a.unit == b.unit
        && a.editor.entries == b.editor.entries;
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

} // namespace

namespace {
const QString storeKey = QStringLiteral("parameters/storeAfterWrite");
} // namespace

ParameterPage::ParameterPage(QWidget *parent) : QWidget(parent), m_ui(new Ui::ParameterPage)
{
    m_ui->setupUi(this);

    // Stop and the status line sit in the button row.
    m_stop = new QPushButton(tr("停止"), this);
    m_stop->setObjectName(QStringLiteral("pbtn_stop"));
    m_stop->setEnabled(false);
    // A long message (English is longer) takes the room left, never the buttons'.
    m_status = new StatusLabel(this);
    m_status->setObjectName(QStringLiteral("label_status"));
    m_ui->horizontalLayout->insertWidget(3, m_stop);
    m_ui->horizontalLayout->addWidget(m_status, 1);

    setUpTable();
    m_choices = new ComboBoxDelegate(valueColumn, this);
    connect(m_choices, &ComboBoxDelegate::choiceMade, this, [this](int row, const QString &text) {
        const ValueItem *entry = row >= 0 && row < m_rowRefs.size() ? entryAt(m_rowRefs.at(row)) : nullptr;
        if (!entry)
            return;
        // A typed number must lie in a range; a choice from the list always fits.
        const QString why = ValueCodec::checkInput(*entry, text);
        if (!why.isEmpty()) {
            showRefusal(row, text, why);
            updateRow(row);
            return;
        }
        markEdited(m_rowRefs.at(row), text);
    });
    connect(m_ui->pbtn_read, &QPushButton::clicked, this, &ParameterPage::onReadAllClicked);
    connect(m_ui->pbtn_read_fix, &QPushButton::clicked, this, &ParameterPage::onReadModifiedClicked);
    connect(m_ui->pbtn_write_fix, &QPushButton::clicked, this, &ParameterPage::onWriteModifiedClicked);
    connect(m_stop, &QPushButton::clicked, this, &ParameterPage::onStopClicked);
    connect(m_ui->pbtn_saveFile, &QPushButton::clicked, this, &ParameterPage::onSaveSetClicked);
    connect(m_ui->pbtn_fileRead, &QPushButton::clicked, this, &ParameterPage::onLoadSetClicked);
    setUpNavigation();
    m_ui->check_store->setChecked(storeAfterWrite());
    connect(m_ui->check_store, &QCheckBox::toggled, this, [](bool on) { QSettings().setValue(storeKey, on); });
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
    fillMenuTree();
    applyFilter();
}

void ParameterPage::showHeaders()
{
    m_ui->table_param->setHorizontalHeaderLabels(
        {tr("参数"), tr("R/W"), tr("值"), tr("单位"), tr("默认"), tr("索引"), tr("描述")});
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
    // The rows an operation works through are about to go: it ends here.
    cancelOperation();
    m_currentRole = roleSet;
    if (!m_menusByRole.contains(roleSet) && m_menuSource) {
        // The page's own copy: edits are made in it.
        QList<TreeItem> own = m_menuSource(roleSet);
        detachDeep(own);
        m_menusByRole.insert(roleSet, own);
    }
    showRows();
}

void ParameterPage::showRows()
{
    clearRows();
    QList<TreeItem> &menus = m_menusByRole[m_currentRole];
    // Labels that occur more than once in the role are shown with their menu path.
    QHash<QString, int> labelCounts;
    for (const TreeItem &menu : qAsConst(menus))
        countLabels(menu, &labelCounts);
    for (int i = 0; i < menus.size(); ++i) {
        if (conditionHolds(menus.at(i)))
            addMenuRows(menus[i], {i}, {menus[i].name.isEmpty() ? menus[i].text : menus[i].name}, labelCounts);
    }
    sizeColumns();
    for (int row = 0; row < m_ui->table_param->rowCount(); ++row)
        updateRow(row);
    fillMenuTree();
    applyFilter();
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
        // A label or value of a hundred characters must not push the other
        // columns out of sight: past two fifths of the table (or 260 px
        // before it is shown) a cell shows its text elided, the details under
        // the menu tree and the tool tip whole.
        if (column == 0 || column == valueColumn)
            width = qMin(width, qMax(260, table->viewport()->width() * 2 / 5));
        table->setColumnWidth(column, width);
    }
}

void ParameterPage::rebuild()
{
    setRole(m_currentRole);
}

void ParameterPage::replaceMenuSource(MenuSource source)
{
    if (m_running) {
        m_nextMenuSource = std::move(source);
        return;
    }
    m_nextMenuSource = nullptr;
    m_menuSource = std::move(source);
    m_menusByRole.clear();
    // The device's values and the edits are kept by variable, not by row.
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
    for (int i = 0; i < menu.children.size(); ++i) {
        // A menu with a condition only while its variable holds the value.
        if (conditionHolds(menu.children.at(i)))
            addMenuRows(menu.children[i], QVector<int>(path) << i, QStringList(names) << menu.children.at(i).name,
                        labelCounts);
    }
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
    table->setItem(row, defaultColumn, readOnlyItem(ValueCodec::defaultDisplayText(entry)));
    table->setItem(row, indexColumn,
                   readOnlyItem(ParameterFilter::indexText(int(entry.index.toUInt()), int(entry.subindex.toUInt()))));
    QTableWidgetItem *description = readOnlyItem(entry.description);
    // Rich text, so that a long description wraps in its tool tip.
    if (!entry.description.isEmpty())
        description->setToolTip(QStringLiteral("<p>%1</p>").arg(entry.description.toHtmlEscaped()));
    table->setItem(row, descriptionColumn, description);

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
        // Empty until the device has said what it holds. Named values with
        // ranges beside them also take a typed number.
        value = new QTableWidgetItem(entry.editor.value);
        const bool typed = !entry.editor.lowerValue.trimmed().isEmpty() || !entry.editor.ranges.isEmpty();
        ComboBoxDelegate::setChoices(value, choices, typed);
        value->setToolTip(typed ? limitsTip(entry) : QString());
        if (ValueCodec::isWritable(entry)) {
            table->setItemDelegateForRow(row, m_choices);
        } else {
            // Nothing to choose: the name as plain text, not a drop-down.
            value->setFlags(value->flags() & ~Qt::ItemIsEditable);
        }
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
    return QStringLiteral("%1:%2").arg(entry.index.toUInt()).arg(entry.subindex.toUInt());
}

bool ParameterPage::isEdited(const ValueItem &entry) const
{
    const auto state = m_device.constFind(stateKey(entry));
    return state != m_device.constEnd() && state->edited;
}

void ParameterPage::showState(ValueItem &entry) const
{
    const auto state = m_device.constFind(stateKey(entry));
    if (state == m_device.constEnd()) {
        entry.editor.value.clear();
        return;
    }
    ValueItem shown = entry;
    shown.editor.value.clear();
    if (state->edited) {
        if (samePresentation(entry, state->edit) || !ParameterAccess::decode(shown, state->editRaw))
            entry.editor.value = state->edit.editor.value;
        else
            entry.editor.value = shown.editor.value;
    } else if (state->read) {
        entry.editor.value = ParameterAccess::decode(shown, state->raw) ? shown.editor.value : QString();
    } else {
        entry.editor.value = state->written;
    }
}

void ParameterPage::markEdited(const EntryRef &ref, const QString &text)
{
    ValueItem *entry = entryAt(ref);
    if (!entry)
        return;
    const QString key = stateKey(*entry);
    DeviceState &state = m_device[key];
    ValueItem typed = *entry;
    typed.editor.value = text;
    // The data as the device would send it with the typed value in it: the
    // other rows of the variable show their text from it.
    QByteArray editRaw;
    ValueItem probe = typed;
    ValueCodec::RecordImage image;
    const bool placed = ParameterAccess::readsWholeVariable(probe) && ValueCodec::variableBitLength(probe) > 0
        ? ValueCodec::replaceInDeviceData(m_rawByIndex.value(int(probe.index.toUInt())), {&probe}, image)
        : ValueCodec::buildSingleItemImage(probe, image);
    if (placed)
        editRaw = image.bytes().left(image.length);
    // Typed back to what the device holds: nothing to write.
    state.edited = !(state.read && placed && editRaw == state.raw);
    state.edit = typed;
    state.editRaw = editRaw;
    for (int row = 0; row < m_rowRefs.size(); ++row) {
        if (ValueItem *other = entryAt(m_rowRefs.at(row)); other && stateKey(*other) == key)
            updateRow(row);
    }
}

int ParameterPage::unwrittenEdits() const
{
    int count = 0;
    for (const DeviceState &state : m_device)
        count += state.edited ? 1 : 0;
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

bool ParameterPage::runOperation(const std::function<void(const Done &)> &body, const Done &after)
{
    if (!canOperate())
        return false;
    m_running = true;
    m_stopAsked = false;
    showOperationButtons(false);
    // The body's exchanges are children of the page: a page deleted
    // meanwhile hears nothing more, and nothing here runs.
    const int operation = ++m_operation;
    body([this, after, operation] {
        if (operation != m_operation)
            return; // cancelled meanwhile
        endOperation();
        if (after)
            after();
    });
    return true;
}

void ParameterPage::showOperationButtons(bool idle)
{
    for (QPushButton *button :
         {m_ui->pbtn_read, m_ui->pbtn_read_fix, m_ui->pbtn_write_fix, m_ui->pbtn_fileRead, m_ui->pbtn_saveFile})
        button->setEnabled(idle);
    m_stop->setEnabled(!idle);
}

void ParameterPage::endOperation()
{
    showOperationButtons(true);
    m_running = false;
    emit operationFinished();
    if (m_nextMenuSource) {
        // After the operation's own last step, which may still look at its rows.
        QTimer::singleShot(0, this, [this] {
            if (m_nextMenuSource && !m_running)
                replaceMenuSource(std::move(m_nextMenuSource));
        });
    }
}

void ParameterPage::cancelOperation()
{
    if (!m_running)
        return;
    ++m_operation;
    delete m_pending; // its transaction ends at its next step; nothing answers
    m_readComplete = false;
    setStatus(QString());
    endOperation();
}

void ParameterPage::onStopClicked()
{
    if (m_running)
        m_stopAsked = true;
}

void ParameterPage::exchange(const IsduRequestBlock &request, int waitMs,
                             const std::function<void(const Answer &)> &then)
{
    AdapterLink *link = LinkHub::instance() ? LinkHub::instance()->link() : nullptr;
    if (!link) {
        Answer a;
        a.why = tr("适配器无应答");
        a.linkLost = true;
        then(a);
        return;
    }
    LinkReply *reply = link->exchangeIsdu(request, waitMs, this, mailboxPollMs);
    m_pending = reply;
    connect(reply, &LinkReply::finished, this, [this, reply, waitMs, then] {
        reply->deleteLater();
        m_pending = nullptr;
        then(answerOf(reply, waitMs));
    });
}

ParameterPage::Answer ParameterPage::answerOf(const LinkReply *reply, int waitMs) const
{
    Answer a;
    const IsduExchange &x = reply->isdu();
    switch (x.outcome) {
    case IsduOutcome::NoAnswer:
    case IsduOutcome::Cancelled:
        a.why = tr("适配器无应答");
        a.linkLost = !reply->result().connected;
        return a;
    case IsduOutcome::StillBusy:
        a.why = tr("设备未在 %1 ms 内应答").arg(waitMs);
        return a;
    case IsduOutcome::NotOurs:
        a.why = tr("邮箱应答不属于本请求");
        return a;
    case IsduOutcome::Answered:
        break;
    }
    const IsduResponseBlock &response = x.response;
    if (response.status() == IsduStatus::communicationFailed)
        PortStatusMonitor::relearn(m_port);
    if (response.success()) {
        a.ok = true;
        a.data = response.data();
        return a;
    }
    if (response.status() == IsduStatus::deviceError)
        a.deviceError = response.deviceError();
    if (response.status() == IsduStatus::deviceError)
        a.why = QStringLiteral("0x%1 %2")
                    .arg(response.deviceError(), 4, 16, QLatin1Char('0'))
                    .arg(isduDeviceErrorText(response.deviceError()));
    else
        a.why = isduStatusText(response.status());
    return a;
}

// One read of a list of entries: its position, the answers so far (by
// index:subindex asked) and what comes after it.
struct ParameterPage::ReadRun
{
    QVector<ValueItem> list;
    int next = 0;
    QHash<QString, Answer> answers;
    std::shared_ptr<ReadTally> tally;
    Done then;
};

void ParameterPage::readEntries(const QVector<ValueItem> &list, const std::shared_ptr<ReadTally> &tally,
                                const Done &then)
{
    auto run = std::make_shared<ReadRun>();
    run->list = list;
    run->tally = tally ? tally : std::make_shared<ReadTally>();
    run->tally->values += list.size();
    run->then = then;
    readNext(run);
}

void ParameterPage::readNext(const std::shared_ptr<ReadRun> &run)
{
    // One exchange per request: every further entry of a variable already
    // read is decoded from the same data.
    ReadTally &t = *run->tally;
    const int total = run->list.size();
    for (; run->next < total; ++run->next) {
        const ValueItem &entry = run->list.at(run->next);
        setProgress(run->next, total);
        if (m_stopAsked) {
            setStatus(tr("已停止：读取了 %1 / %2 个值").arg(run->next).arg(total));
            m_readComplete = false;
            run->then();
            return;
        }
        const ParameterAccess::Request request = ParameterAccess::readRequestFor(entry);
        const auto answer = run->answers.constFind(requestKey(request));
        if (answer == run->answers.constEnd()) {
            const int waitMs = request.subindex == 0 ? recordReadWaitMs : singleItemReadWaitMs;
            exchange(readBlock(m_port, request), waitMs, [this, run, request](const Answer &a) {
                if (a.linkLost) {
                    setStatus(tr("读取中断：%1").arg(a.why));
                    m_readComplete = false;
                    run->then();
                    return;
                }
                if (a.ok && request.subindex == 0)
                    m_rawByIndex.insert(request.index, a.data);
                qCDebug(lcParams).noquote() << requestKey(request);
                run->answers.insert(requestKey(request), a);
                readNext(run);
            });
            return;
        }
        DeviceState &state = m_device[stateKey(entry)];
        ValueItem shown = entry;
        bool ok = answer->ok;
        QString why = answer->why;
        if (ok && !ParameterAccess::decode(shown, answer->data)) {
            ok = false;
            why = tr("应答数据太短（%1 字节）").arg(answer->data.size());
        }
        state.read = ok;
        state.error = ok ? QString() : why;
        state.raw = ok ? answer->data : QByteArray();
        state.edited = false;
        if (!ok) {
            ++t.failed;
            t.lastError = entry.label + QStringLiteral(": ") + why;
        }
    }
    setProgress(total, total);
    m_readComplete = true;
    setStatus(t.failed == 0 ? tr("读取完成：%1 个值").arg(t.values)
                            : tr("读取完成：%1 个值，%2 个失败（%3）").arg(t.values).arg(t.failed).arg(t.lastError));
    run->then();
}

void ParameterPage::onReadAllClicked()
{
    if (!confirmDiscard())
        return;
    runOperation([this](const Done &finish) { readAllTargets(finish); },
                 [this] {
                     m_ui->table_param->resizeColumnToContents(valueColumn);
                     qCDebug(lcParams) << "读所有的值";
                 });
}

void ParameterPage::readAllTargets(const Done &then)
{
    // The menus' conditions first: they decide which rows there are.
    const QVector<bool> before = conditionStates();
    auto seen = std::make_shared<QSet<QString>>();
    auto tally = std::make_shared<ReadTally>();
    m_readComplete = true; // until a read is stopped or breaks off
    readConditions(seen, tally, [this, before, seen, tally, then] {
        if (!m_readComplete) {
            then();
            return;
        }
        if (conditionStates() != before)
            showRows();
        QVector<ValueItem> list;
        for (const Target &t : targets()) {
            if (ValueCodec::isReadable(*t.entry)
                && t.entry->editor.widgetClass != QLatin1String(EditorWidget::PushButton)
                && !seen->contains(stateKey(*t.entry))) {
                seen->insert(stateKey(*t.entry));
                list.append(*t.entry);
            }
        }
        readEntries(list, tally, [this, then] {
            updateTable();
            then();
        });
    });
}

void ParameterPage::onReadModifiedClicked()
{
    // Reads back what was edited: the device's values replace the edits.
    QVector<ValueItem> list;
    for (const DeviceState &state : qAsConst(m_device)) {
        if (state.edited && ValueCodec::isReadable(state.edit))
            list.append(state.edit);
    }
    runOperation(
        [this, list](const Done &finish) {
            if (list.isEmpty()) {
                setStatus(tr("没有修改过的值"));
                finish();
                return;
            }
            readEntries(list, nullptr, [this, finish] {
                updateTable();
                finish();
            });
        },
        [this] { m_ui->table_param->resizeColumnToContents(valueColumn); });
}

void ParameterPage::onWriteModifiedClicked()
{
    const QVector<bool> before = conditionStates();
    runOperation(
        [this, before](const Done &finish) {
            writeEdits([this, before, finish] {
                // A written variable may be one a menu's condition looks at:
                // the variables of the menus it now shows are read, and the
                // write's outcome stays on the status line.
                if (conditionStates() == before) {
                    finish();
                    return;
                }
                QSet<QString> seen; // the variables shown before are not read here
                for (const Target &t : targets())
                    seen.insert(stateKey(*t.entry));
                showRows();
                const QString written = statusText();
                QVector<ValueItem> unread;
                for (const Target &t : targets()) {
                    const QString key = stateKey(*t.entry);
                    if (ValueCodec::isReadable(*t.entry)
                        && t.entry->editor.widgetClass != QLatin1String(EditorWidget::PushButton)
                        && !m_device.value(key).read && !seen.contains(key)) {
                        seen.insert(key);
                        unread.append(*t.entry);
                    }
                }
                if (unread.isEmpty()) {
                    updateTable();
                    finish();
                    return;
                }
                readEntries(unread, nullptr, [this, written, finish] {
                    if (m_readComplete)
                        setStatus(written);
                    updateTable();
                    finish();
                });
            });
        },
        [] { qCDebug(lcParams) << "写所有值"; });
}

// One write of the edits: the plan, the requests that frame it, and what
// came of each write.
struct ParameterPage::WriteRun
{
    ParameterAccess::WritePlan plan;
    QVector<ValueItem> edits; // what the plan's entries point into
    std::optional<ParameterDownload> download;
    QVector<QPair<ParameterDownload::Step, Answer>> sent; // journalled once the change is over
    QStringList refused;                                  // left out before anything was sent
    QVector<QString> why;                                 // per write, the device's answer when it refused
    bool locksRead = false;                               // index 12 was read for a refusal's words
    QByteArray locks;                                     // what that read found
    Done then;
};

void ParameterPage::writeEdits(const Done &then)
{
    // What was typed, once per variable; only the octets of what was edited
    // change, the rest goes back as the device sent it.
    auto run = std::make_shared<WriteRun>();
    for (const DeviceState &state : qAsConst(m_device)) {
        if (state.edited)
            run->edits.append(state.edit);
    }
    if (run->edits.isEmpty()) {
        setStatus(tr("没有要写入的修改"));
        then();
        return;
    }
    // A lock changes what the device lets anyone do: the user says so first.
    QStringList locks;
    for (const ValueItem &e : qAsConst(run->edits)) {
        if (e.index.toUInt() == accessLocksIndex)
            locks << e.label + QStringLiteral(" → ") + e.editor.value;
    }
    if (!locks.isEmpty()
        && !WriteConfirmation::confirm(this, WriteConfirmation::Kind::AccessLocks,
                                       QStringLiteral("Port%1").arg(m_port + 1), m_identity.productName,
                                       locks.join(QLatin1Char('\n')))) {
        setStatus(tr("未写入：访问锁的更改已取消"));
        then();
        return;
    }
    QVector<ValueItem *> pointers;
    for (ValueItem &e : run->edits)
        pointers.append(&e);
    run->plan = ParameterAccess::planWrites(pointers, m_rawByIndex);
    run->then = then;
    for (const auto &[entry, why] : run->plan.refused) {
        m_device[stateKey(*entry)].error = why;
        run->refused << entry->label + QStringLiteral(" — ") + why;
    }
    QVector<ParameterAccess::Request> requests;
    for (const ParameterAccess::Write &write : qAsConst(run->plan.writes))
        requests.append(write.request);
    run->why.resize(requests.size());
    run->download.emplace(requests, m_systemCommands, storeAfterWrite());
    writeNext(run);
}

void ParameterPage::writeNext(const std::shared_ptr<WriteRun> &run)
{
    ParameterDownload::Step step;
    if (run->download->next(&step)) {
        const bool record = step.kind == ParameterDownload::Kind::Write && step.request.subindex == 0;
        exchange(writeBlock(m_port, step.request), record ? recordWriteWaitMs : singleItemWriteWaitMs,
                 [this, run, step](const Answer &a) {
                     run->download->answer(a.ok, a.deviceError, a.why);
                     run->sent.append({step, a});
                     if (step.kind == ParameterDownload::Kind::Write && !a.ok)
                         run->why[step.write] = a.why;
                     writeNext(run);
                 });
        return;
    }
    finishWrites(run);
}

// What the device holds now: each write taken or not, the block's verdict,
// whether the change is in its Data Storage; then what was written is read back.
void ParameterPage::finishWrites(const std::shared_ptr<WriteRun> &run)
{
    const ParameterDownload &download = *run->download;
    // "Access denied" may come from a lock: the locks are read once, so the
    // status line can say so even when the page had not read them before.
    const auto denied = [](const QString &why) { return why.startsWith(QLatin1String("0x8023")); };
    if (!run->locksRead
        && (denied(download.verdictText()) || std::any_of(run->why.cbegin(), run->why.cend(), denied))) {
        run->locksRead = true;
        exchange(readBlock(m_port, {accessLocksIndex, 0, {}}), recordReadWaitMs, [this, run](const Answer &a) {
            // Kept apart: the page's own copy is what the journal takes as "before".
            if (a.ok)
                run->locks = a.data;
            finishWrites(run);
        });
        return;
    }
    // A lock this change itself set came after the refusals: they are not its doing.
    bool locksWritten = false;
    for (int i = 0; i < run->plan.writes.size(); ++i)
        locksWritten = locksWritten || (run->plan.writes.at(i).request.index == accessLocksIndex && download.taken(i));
    const QByteArray lockWords = locksWritten ? QByteArray() : run->locks;
    QStringList written;
    QVector<int> writtenIndexes;
    QVector<ValueItem> readBack;
    for (int i = 0; i < run->plan.writes.size(); ++i) {
        const ParameterAccess::Write &write = run->plan.writes.at(i);
        const bool taken = download.taken(i);
        // Named as the rows name it, with the index to find it by.
        QStringList labels;
        for (const ValueItem *entry : write.entries) {
            if (!labels.contains(entry->label))
                labels << entry->label;
        }
        const QString index = ParameterFilter::indexText(write.request.index, write.request.subindex);
        const QString what = QStringLiteral("%1: %2").arg(
            labels.isEmpty() ? index : QStringLiteral("%1 (%2)").arg(labels.join(QStringLiteral(", ")), index),
            QString::fromLatin1(write.request.data.toHex(' ')));
        if (taken) {
            written << what;
            if (!writtenIndexes.contains(write.request.index))
                writtenIndexes << write.request.index; // once per variable, however many subindexes
        } else if (!run->why.at(i).isEmpty()) {
            run->refused << what + QStringLiteral(" — ") + run->why.at(i) + lockHint(run->why.at(i), lockWords);
        }
        for (const ValueItem *entry : write.entries) {
            DeviceState &state = m_device[stateKey(*entry)];
            if (!taken && !run->why.at(i).isEmpty())
                state.error = run->why.at(i);
            if (ValueCodec::isReadable(*entry)) {
                readBack.append(*entry);
            } else if (taken) {
                // Nothing to read back: the value stays as written.
                state.edited = false;
                state.written = entry->editor.value;
                state.error.clear();
            }
        }
    }
    QString result;
    if (download.refusedWrite() >= 0) {
        const ParameterAccess::Write &refused = run->plan.writes.at(download.refusedWrite());
        const QString label =
            refused.entries.isEmpty() ? QString::number(refused.request.index) : refused.entries.first()->label;
        result = tr("设备拒绝了“%1”（%2），整组参数均未写入").arg(label, download.verdictText())
            + lockHint(download.verdictText(), lockWords);
    } else if (download.block() && (download.verdict() != 0 || !download.verdictText().isEmpty())) {
        result = tr("设备拒绝了这组参数（%1），均未写入").arg(download.verdictText());
    } else {
        const QString joinedWritten = written.join(QStringLiteral("; "));
        result = run->refused.isEmpty() ? tr("已写入 %1").arg(joinedWritten)
                                        : tr("写入被拒绝 %1").arg(run->refused.join(QStringLiteral("; ")))
                + (written.isEmpty() ? QString() : tr("；已写入 %1").arg(joinedWritten));
        result += storedText(download);
    }
    // The journal: a write a block took is undone when the block is not.
    QString journalError;
    for (const auto &[step, answer] : qAsConst(run->sent)) {
        const bool write = step.kind == ParameterDownload::Kind::Write;
        Answer shown = answer;
        if (write && answer.ok && !download.taken(step.write)) {
            shown.ok = false;
            shown.why = QStringLiteral("undone: the block was not applied");
        }
        const QString error = journal(write ? QStringLiteral("parameter") : QStringLiteral("system command"),
                                      step.request, write ? valueBefore(step.request) : QByteArray(), shown);
        if (!error.isEmpty())
            journalError = error;
    }
    if (!journalError.isEmpty())
        result += tr("；未记入写入记录：%1").arg(journalError);
    readEntries(readBack, nullptr, [this, run, result, writtenIndexes] {
        setStatus(result);
        updateTable();
        for (int index : writtenIndexes)
            emit variableWritten(index);
        run->then();
    });
}

QByteArray ParameterPage::valueBefore(const ParameterAccess::Request &request) const
{
    if (request.subindex == 0)
        return m_rawByIndex.value(request.index);
    // An item written by its subindex was read by it too.
    const DeviceState state = m_device.value(QStringLiteral("%1:%2").arg(request.index).arg(request.subindex));
    return state.read ? state.raw : QByteArray();
}

QString ParameterPage::journal(const QString &kind, const ParameterAccess::Request &request, const QByteArray &before,
                               const Answer &answer) const
{
    WriteJournal::Record r = WriteJournal::now(QStringLiteral("vanto-hub8"), m_port + 1, kind);
    r.vendorId = m_identity.vendorId;
    r.deviceId = m_identity.deviceId;
    r.serialNumber = QString::fromUtf8(m_rawByIndex.value(serialNumberIndex)).remove(QChar(0));
    r.index = request.index;
    r.subindex = request.subindex;
    r.before = before;
    r.after = request.data;
    r.outcome = answer.ok ? QStringLiteral("taken") : answer.why;
    QString error;
    return WriteJournal::append(r, &error) ? QString() : error;
}

void ParameterPage::setSystemCommands(const QList<int> &commands)
{
    m_systemCommands = {true, commands};
}

bool ParameterPage::storeAfterWrite()
{
    return QSettings().value(storeKey, true).toBool();
}

QString ParameterPage::lockHint(const QString &why, const QByteArray &locks)
{
    // "Access denied" from a device whose parameter write lock was read as set.
    if (!why.startsWith(QLatin1String("0x8023")) || locks.isEmpty() || !(quint8(locks.back()) & 0x01))
        return QString();
    return tr("（设备的参数写入已被访问锁锁定，索引 12）");
}

QString ParameterPage::storedText(const ParameterDownload &download)
{
    switch (download.stored()) {
    case ParameterDownload::Stored::Stored:
        return tr("；已存入设备的数据存储");
    case ParameterDownload::Stored::NotSupported:
        return tr("；设备不支持数据存储命令，主站重启后可能恢复旧参数");
    case ParameterDownload::Stored::Failed:
        return tr("；未能存入数据存储（%1）").arg(download.storeText());
    case ParameterDownload::Stored::Off:
        return tr("；未存入数据存储（已关闭）");
    case ParameterDownload::Stored::NothingToStore:
        break;
    }
    return QString();
}

void ParameterPage::updateTable()
{
    for (int row = 0; row < m_rowRefs.size(); ++row)
        updateRow(row);
    // Values take part in the search.
    if (!m_ui->edit_search->text().trimmed().isEmpty())
        applyFilter();
}

void ParameterPage::updateRow(int row)
{
    QTableWidget *table = m_ui->table_param;
    ValueItem *entry = row < m_rowRefs.size() ? entryAt(m_rowRefs.at(row)) : nullptr;
    QTableWidgetItem *item = table->item(row, valueColumn);
    if (!entry || !item)
        return;
    const QString &kind = entry->editor.widgetClass;
    if (kind == QLatin1String(EditorWidget::PushButton))
        return;
    showState(*entry);
    const DeviceState state = m_device.value(stateKey(*entry));
    const bool failed = !state.read && !state.error.isEmpty() && !state.edited;
    const bool edited = state.edited;
    const QString tip = failed ? readFailedText() + QStringLiteral(": ") + state.error
                               : (!state.error.isEmpty() ? state.error : QString());

    QFont font = table->font();
    font.setBold(edited);
    const bool choice = kind == QLatin1String(EditorWidget::ComboBox);
    if (choice || kind == QLatin1String(EditorWidget::LineEdit) || kind == QLatin1String(EditorWidget::TableItem)) {
        // A failed read shows nothing, never a value the device did not send.
        const QString text = failed ? QString() : entry->editor.value;
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
    m_status->setStatus(tr("读取中 %1 / %2").arg(done).arg(total));
}

void ParameterPage::setStatus(const QString &text)
{
    qCDebug(lcParams).noquote() << "status:" << text;
    m_status->setStatus(text);
}

QString ParameterPage::statusText() const
{
    return m_status->status();
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
    // The button's value, with the length of its variable.
    const ParameterAccess::Request request = ParameterAccess::buttonRequest(*entry);
    if (request.data.isEmpty())
        return;
    const QString name = entry->editor.name;
    const QString value = entry->buttonValue;
    // A system command may reset the device or its settings: the user says so first.
    if (request.index == 2
        && !WriteConfirmation::confirm(this, WriteConfirmation::Kind::SystemCommand,
                                       QStringLiteral("Port%1").arg(m_port + 1), m_identity.productName,
                                       QStringLiteral("%1 (2 = %2)").arg(name, value)))
        return;
    runOperation([this, request, name, value](const Done &finish) {
        exchange(writeBlock(m_port, request), singleItemWriteWaitMs,
                 [this, request, name, value, finish](const Answer &a) {
                     const QString error = journal(QStringLiteral("system command"), request, QByteArray(), a);
                     setStatus((a.ok ? tr("已发送 %1 (%2 = %3)").arg(name).arg(request.index).arg(value)
                                     : tr("%1 被拒绝：%2").arg(name, a.why))
                               + (error.isEmpty() ? QString() : tr("；未记入写入记录：%1").arg(error)));
                     finish();
                 });
    });
}

void ParameterPage::readConditions(const std::shared_ptr<QSet<QString>> &read, const std::shared_ptr<ReadTally> &tally,
                                   const Done &then)
{
    // The variables the current role's menu conditions look at, once each,
    // read again: the device may have changed them since.
    QVector<ValueItem> list;
    std::function<void(const QList<TreeItem> &)> collect = [&](const QList<TreeItem> &menus) {
        for (const TreeItem &menu : menus) {
            if (menu.conditional && !menu.condition.isEmpty()) {
                const ValueItem &entry = menu.condition.first();
                const QString key = stateKey(entry);
                if (!read->contains(key) && ValueCodec::isReadable(entry)) {
                    read->insert(key);
                    list.append(entry);
                }
            }
            collect(menu.children);
        }
    };
    collect(m_menusByRole.value(m_currentRole));
    if (list.isEmpty())
        then();
    else
        readEntries(list, tally, then);
}

bool ParameterPage::conditionHolds(const TreeItem &menu) const
{
    if (!menu.conditional)
        return true;
    if (menu.condition.isEmpty())
        return false; // a variable the description lacks
    const ValueItem &entry = menu.condition.first();
    const DeviceState state = m_device.value(stateKey(entry));
    if (!state.read)
        return false; // shown once the variable is known to hold the value
    qint64 value = 0;
    bool ok = false;
    const qint64 wanted = menu.conditionValue.trimmed().toLongLong(&ok);
    return ok && ValueCodec::integerOf(entry, state.raw, ParameterAccess::readsWholeVariable(entry), &value)
        && value == wanted;
}

QVector<bool> ParameterPage::conditionStates()
{
    QVector<bool> states;
    std::function<void(const QList<TreeItem> &)> walk = [&](const QList<TreeItem> &menus) {
        for (const TreeItem &menu : menus) {
            if (menu.conditional)
                states.append(conditionHolds(menu));
            walk(menu.children);
        }
    };
    walk(m_menusByRole.value(m_currentRole));
    return states;
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
        said.editor.value.clear();
        ParameterAccess::decode(said, state.raw);
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
        if (!runOperation([this](const Done &finish) { readAllTargets(finish); },
                          [this] {
                              if (!deviceValues().isEmpty())
                                  askAndSaveSet(); // else the status line says why the read gave nothing
                          }))
            setStatus(tr("没有可保存的值：还没有从设备读到值"));
        return;
    }
    askAndSaveSet();
}

void ParameterPage::askAndSaveSet()
{
    QString name = m_identity.productName.isEmpty() ? QStringLiteral("parameters") : m_identity.productName;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]+")), QStringLiteral("_"));
    const QString suggested = setFolder() + QStringLiteral("/%1_Port%2.json").arg(name).arg(m_port + 1);
    const QPointer<ParameterPage> self(this);
    // The dialog does not ask about overwriting: a name typed without
    // ".json" gets it only afterwards, so the question is asked here, about
    // the file that will be replaced.
    QString path = m_saveFile ? m_saveFile(tr("保存参数"), suggested, setFileFilter())
                              : QFileDialog::getSaveFileName(this, tr("保存参数"), suggested, setFileFilter(), nullptr,
                                                             QFileDialog::DontConfirmOverwrite);
    if (!self || path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".json");
    if (QFileInfo::exists(path)) {
        const auto answer =
            QMessageBox::question(this, tr("保存参数"), tr("%1 已存在。要替换它吗？").arg(QFileInfo(path).fileName()),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (!self || answer != QMessageBox::Yes)
            return;
    }
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
    runOperation([this](const Done &finish) { readAllTargets(finish); },
                 [this, path, file] {
                     if (m_readComplete)
                         compareAndRestore(path, file);
                     // else the status line says why the read ended early
                 });
}

void ParameterPage::compareAndRestore(const QString &path, const ParameterSet::Set &file)
{
    const QPointer<ParameterPage> self(this);
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
    runOperation([this](const Done &finish) { writeEdits(finish); },
                 [this, refused] {
                     if (!refused.isEmpty())
                         setStatus(statusText() + tr("；未写入 %1").arg(refused.join(QStringLiteral("; "))));
                 });
}
