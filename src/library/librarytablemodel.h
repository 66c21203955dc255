#ifndef LIBRARYTABLEMODEL_H
#define LIBRARYTABLEMODEL_H

// The library dialog's table over the entries of the library's index: vendor
// and product name, vendor id, device id, file name and version, one row per
// entry the search lets through. Cells are made when the view asks for them, so a library of
// thousands of files opens as fast as an empty one.

#include "libraryentry.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

class LibraryTableModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY(LibraryTableModel)

public:
    enum Column { VendorNameColumn, ProductColumn, VendorColumn, DeviceColumn, FileColumn, VersionColumn, ColumnCount };

    explicit LibraryTableModel(QObject *parent = nullptr);

    void setHeaders(const QStringList &headers);
    void setEntries(const QVector<LibraryEntry> &entries);
    // Rows whose device id, vendor name or product name contains `text`
    // (names ignoring case); with `whole`, rows whose device id is `text`.
    // Every row when it is empty.
    void setFilter(const QString &text, bool whole = false);

    // The entry shown in `row`; null outside the rows.
    const LibraryEntry *entryAt(int row) const;
    // The row showing that file, -1 when none does.
    int rowOf(const QString &folder, const QString &file) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void applyFilter();

    QStringList m_headers;
    QVector<LibraryEntry> m_entries;
    QString m_filter;
    bool m_whole = false;
    QVector<int> m_shown; // entry index per row
};

#endif // LIBRARYTABLEMODEL_H
