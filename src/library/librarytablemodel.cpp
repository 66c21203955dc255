#include "librarytablemodel.h"

#include <numeric>

LibraryTableModel::LibraryTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void LibraryTableModel::setHeaders(const QStringList &headers)
{
    m_headers = headers;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void LibraryTableModel::setEntries(const QVector<LibraryEntry> &entries)
{
    beginResetModel();
    m_entries = entries;
    applyFilter();
    endResetModel();
}

void LibraryTableModel::setFilter(const QString &text, bool whole)
{
    beginResetModel();
    m_filter = text.trimmed();
    m_whole = whole;
    applyFilter();
    endResetModel();
}

void LibraryTableModel::applyFilter()
{
    m_shown.resize(m_entries.size());
    if (m_filter.isEmpty()) {
        std::iota(m_shown.begin(), m_shown.end(), 0);
        return;
    }
    m_shown.clear();
    for (int i = 0; i < m_entries.size(); ++i) {
        const LibraryEntry &entry = m_entries.at(i);
        const QString deviceId = QString::number(LibraryEntry::listedNumber(entry.deviceId));
        const bool shown = m_whole
            ? deviceId == m_filter
            : deviceId.contains(m_filter) || entry.vendorName.contains(m_filter, Qt::CaseInsensitive)
                || entry.productName.contains(m_filter, Qt::CaseInsensitive);
        if (shown)
            m_shown.append(i);
    }
}

const LibraryEntry *LibraryTableModel::entryAt(int row) const
{
    return row >= 0 && row < m_shown.size() ? &m_entries.at(m_shown.at(row)) : nullptr;
}

int LibraryTableModel::rowOf(const QString &folder, const QString &file) const
{
    for (int row = 0; row < m_shown.size(); ++row) {
        const LibraryEntry &entry = m_entries.at(m_shown.at(row));
        if (entry.folder == folder && entry.file == file)
            return row;
    }
    return -1;
}

int LibraryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shown.size();
}

int LibraryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LibraryTableModel::data(const QModelIndex &index, int role) const
{
    const LibraryEntry *entry = entryAt(index.row());
    if (!entry)
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return index.column() == VendorColumn || index.column() == DeviceColumn ? int(Qt::AlignCenter)
                                                                                : int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return QVariant();
    switch (index.column()) {
    case VendorNameColumn:
        return entry->vendorName;
    case ProductColumn:
        return entry->productName;
    case VendorColumn:
        return QString::number(LibraryEntry::listedNumber(entry->vendorId));
    case DeviceColumn:
        return QString::number(LibraryEntry::listedNumber(entry->deviceId));
    case FileColumn:
        return entry->file;
    case VersionColumn:
        return entry->version;
    default:
        return QVariant();
    }
}

QVariant LibraryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
