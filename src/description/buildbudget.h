#ifndef BUILDBUDGET_H
#define BUILDBUDGET_H

// How much building one loaded description may produce and cost in total,
// over all role menu sets, arrays, records and process data together. A
// hostile file can reference one large menu, array or datatype from many
// places; a limit per call would multiply with the number of calls.
//
// Every builder spends from one budget: menu nodes, values, the choices and
// ranges copied into editors, and steps (a DOM child looked at, a datatype
// record made). Once any of them runs out, nothing more is built: what was
// built so far stays, and note() says what ran out.

#include <QString>

class BuildBudget
{
public:
    // Real descriptions use at most 288 nodes, 1941 values, 4311 choices and
    // some 176000 steps (docs/limits.md).
    static constexpr int maxMenuNodes = 10000;
    static constexpr int maxValues = 20000;
    static constexpr int maxChoices = 100000;
    static constexpr int maxSteps = 2000000;

    void reset() { *this = BuildBudget(); }

    // False once anything has run out.
    bool open() const { return m_note.isEmpty(); }
    // Each take* spends when the budget is open and the amount is left, and
    // returns whether it did; otherwise it closes the budget.
    bool takeNode() { return take(m_nodes, 1, maxMenuNodes, "menu nodes"); }
    bool takeValue(int choices)
    {
        return take(m_values, 1, maxValues, "values") && take(m_choices, choices, maxChoices, "choices");
    }
    bool takeStep() { return take(m_steps, 1, maxSteps, "parse steps"); }

    // Empty while everything fit; otherwise what was left out, for the user.
    QString note() const { return m_note; }

    int nodes() const { return m_nodes; }
    int values() const { return m_values; }
    int choices() const { return m_choices; }
    int steps() const { return m_steps; }

private:
    bool take(int &used, int amount, int limit, const char *what);

    int m_nodes = 0;
    int m_values = 0;
    int m_choices = 0;
    int m_steps = 0;
    QString m_note;
};

#endif // BUILDBUDGET_H
