#include "parameterfilter.h"

#include <QStringList>

namespace ParameterFilter {

QString indexText(int index, int subindex)
{
    return subindex == 0 ? QString::number(index) : QStringLiteral("%1:%2").arg(index).arg(subindex);
}

namespace {

// The index a search names, with its subindex when it gives one; false when
// the search is no index.
bool indexOf(const QString &search, int *index, int *subindex)
{
    const QStringList parts = search.split(QLatin1Char(':'));
    if (parts.size() > 2)
        return false;
    bool ok = false;
    const QString first = parts.first().trimmed();
    *index =
        first.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? first.mid(2).toInt(&ok, 16) : first.toInt(&ok, 10);
    if (!ok || *index < 0)
        return false;
    *subindex = -1;
    if (parts.size() == 2) {
        *subindex = parts.last().trimmed().toInt(&ok);
        if (!ok || *subindex < 0)
            return false;
    }
    return true;
}

bool startsWith(const QVector<int> &path, const QVector<int> &prefix)
{
    if (prefix.size() > path.size())
        return false;
    for (int i = 0; i < prefix.size(); ++i) {
        if (path.at(i) != prefix.at(i))
            return false;
    }
    return true;
}

} // namespace

bool matches(const Row &row, const QString &search, const QVector<int> &menu)
{
    if (!startsWith(row.menuPath, menu))
        return false;
    const QString wanted = search.trimmed();
    if (wanted.isEmpty())
        return true;
    int index = 0, subindex = 0;
    if (indexOf(wanted, &index, &subindex) && index == row.index && (subindex < 0 || subindex == row.subindex))
        return true;
    return row.label.contains(wanted, Qt::CaseInsensitive) || row.description.contains(wanted, Qt::CaseInsensitive)
        || row.value.contains(wanted, Qt::CaseInsensitive);
}

} // namespace ParameterFilter
