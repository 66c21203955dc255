#include "buildbudget.h"

bool BuildBudget::take(int &used, int amount, int limit, const char *what)
{
    if (!open())
        return false;
    if (amount > limit - used) {
        m_note = QStringLiteral("description truncated: it needs more than %1 %2; only what fits is shown")
                     .arg(limit)
                     .arg(QLatin1String(what));
        return false;
    }
    used += amount;
    return true;
}
