// The parameter page's ways to find a row among hundreds: the menu tree
// beside the table, the search line above it and the details line below.

#include "ui_parameterpage.h"
#include "parameterfilter.h"
#include "parameterpage.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSplitter>
#include <QTreeWidget>

namespace {

constexpr int pathRole = Qt::UserRole + 10;
constexpr int indexRole = Qt::UserRole + 1; // the name cell's index, as the page sets it
constexpr int valueColumn = 2;

QVector<int> pathOf(const QTreeWidgetItem *item)
{
    QVector<int> path;
    if (!item)
        return path;
    for (const QVariant &v : item->data(0, pathRole).toList())
        path << v.toInt();
    return path;
}

QVariantList listOf(const QVector<int> &path)
{
    QVariantList list;
    for (const int i : path)
        list << i;
    return list;
}

} // namespace

void ParameterPage::setUpNavigation()
{
    m_ui->splitter_menus->setStretchFactor(0, 0);
    m_ui->splitter_menus->setStretchFactor(1, 1);
    m_ui->splitter_menus->setSizes({190, 600});
    m_ui->tree_menus->setMinimumWidth(90);
    m_ui->label_details->hide();
    m_ui->label_matches->hide();
    connect(m_ui->edit_search, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(m_ui->tree_menus, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (!item)
            return;
        m_menuFilter = pathOf(item);
        applyFilter();
    });
    connect(m_ui->table_param, &QTableWidget::currentCellChanged, this, [this](int row) { showDetails(row); });
}

void ParameterPage::fillMenuTree()
{
    QTreeWidget *tree = m_ui->tree_menus;
    const QSignalBlocker quiet(tree);
    tree->clear();
    auto *all = new QTreeWidgetItem(tree, {tr("全部参数")});
    all->setData(0, pathRole, QVariantList());
    QTreeWidgetItem *chosen = all;
    // Only the menus that have rows now (a menu whose condition does not hold has none).
    QSet<QVector<int>> listed;
    for (const EntryRef &ref : qAsConst(m_rowRefs)) {
        for (int depth = 1; depth <= ref.menuPath.size(); ++depth)
            listed.insert(ref.menuPath.mid(0, depth));
    }
    const std::function<void(QTreeWidgetItem *, const QList<TreeItem> &, const QVector<int> &)> add =
        [&](QTreeWidgetItem *parent, const QList<TreeItem> &menus, const QVector<int> &path) {
            for (int i = 0; i < menus.size(); ++i) {
                const QVector<int> here = QVector<int>(path) << i;
                if (!listed.contains(here))
                    continue;
                const TreeItem &menu = menus.at(i);
                const QString name = menu.name.isEmpty() ? menu.text : menu.name;
                auto *item = new QTreeWidgetItem(parent, {name});
                item->setToolTip(0, name); // a narrow tree cuts long names
                item->setData(0, pathRole, listOf(here));
                if (here == m_menuFilter)
                    chosen = item;
                add(item, menu.children, here);
            }
        };
    add(all, m_menusByRole.value(m_currentRole), {});
    tree->expandToDepth(1);
    tree->setCurrentItem(chosen);
    m_menuFilter = pathOf(chosen);
}

void ParameterPage::applyFilter()
{
    QTableWidget *table = m_ui->table_param;
    const QString search = m_ui->edit_search->text();
    int shown = 0;
    for (int row = 0; row < m_rowRefs.size(); ++row) {
        ParameterFilter::Row facts;
        if (const QTableWidgetItem *name = table->item(row, 0)) {
            facts.label = name->text();
            facts.index = name->data(indexRole).toInt();
        }
        if (const ValueItem *entry = entryAt(m_rowRefs.at(row))) {
            facts.subindex = int(entry->subindex.toUInt());
            facts.description = entry->description;
        }
        if (const QTableWidgetItem *value = table->item(row, valueColumn))
            facts.value = value->text();
        facts.menuPath = m_rowRefs.at(row).menuPath;
        const bool visible = ParameterFilter::matches(facts, search, m_menuFilter);
        if (table->isRowHidden(row) == visible)
            table->setRowHidden(row, !visible);
        shown += visible;
    }
    const bool filtered = shown != m_rowRefs.size();
    m_ui->label_matches->setText(filtered ? tr("%1 / %2 行").arg(shown).arg(m_rowRefs.size()) : QString());
    m_ui->label_matches->setVisible(filtered);
}

void ParameterPage::showDetails(int row)
{
    const ValueItem *entry = row >= 0 && row < m_rowRefs.size() ? entryAt(m_rowRefs.at(row)) : nullptr;
    QLabel *details = m_ui->label_details;
    if (!entry) {
        details->hide();
        return;
    }
    const QString index = ParameterFilter::indexText(int(entry->index.toUInt()), int(entry->subindex.toUInt()));
    const QString head = tr("%1（索引 %2）").arg(entry->label, index);
    details->setText(entry->description.isEmpty() ? head : head + QStringLiteral(": ") + entry->description);
    details->show();
}
