#ifndef PARAMETERFILTER_H
#define PARAMETERFILTER_H

#include <QString>
#include <QVector>

// Which rows of the parameter page are shown: those under the menu chosen in
// the menu tree that match the search typed above the table.
namespace ParameterFilter {

// What a row offers to the search.
struct Row
{
    QString label;
    QString description;
    QString value; // as the cell shows it
    int index = 0;
    int subindex = 0;
    QVector<int> menuPath; // the menu the row is listed in, from the role's top list down
};

// "64" for a whole variable, "64:2" for an item.
QString indexText(int index, int subindex);

// Whether the row is shown. `menu` empty: every menu; else the row's menu
// must be that menu or one below it. The search (trimmed, any case) matches
// when it is part of the label, the description or the value; a number
// ("64", "0x40", "64:2") also matches the row's index exactly.
bool matches(const Row &row, const QString &search, const QVector<int> &menu);

} // namespace ParameterFilter

#endif // PARAMETERFILTER_H
