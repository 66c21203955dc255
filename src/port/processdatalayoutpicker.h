#ifndef PROCESSDATALAYOUTPICKER_H
#define PROCESSDATALAYOUTPICKER_H

#include "description/ioddrecords.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

class ProcessDataInPage;
class ProcessDataOutPage;

// Shows on the In port and Out port pages the process-data layout the device
// uses, for a description with several layouts under conditions: reads the
// condition variable from the device and gives both pages the layout whose
// condition its value meets. When the variable cannot be read, or its value
// meets no condition, the pages keep the first layout and say so. Lives as
// long as the page it is given as parent.
struct IsduExchange;

class ProcessDataLayoutPicker : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ProcessDataLayoutPicker)

public:
    static constexpr int pollMs = 25;
    static constexpr int waitMs = 1500;

    ProcessDataLayoutPicker(int port, const QList<ProcessDataChoice> &choices, ProcessDataInPage *in,
                            ProcessDataOutPage *out, QObject *parent);

    // Whether the layouts depend on a variable at all.
    static bool conditional(const QList<ProcessDataChoice> &choices);
    // The first choice whose condition the octets read from its variable
    // meet (an unsigned or two's-complement number); -1 for none.
    static int choiceFor(const QList<ProcessDataChoice> &choices, const QByteArray &octets);

    // Reads the variable once the event loop runs and shows the layout.
    void pick();

public slots:
    // The parameter page wrote `index`: the layout may have changed.
    void onVariableWritten(int index);

protected:
    // A switch of language reaches it through its page: the note is said
    // again in the new language, the layout kept.
    bool event(QEvent *event) override;

private:
    void readAndShow();
    // Sends the read of the variable; false when none was sent (the reason shown).
    bool readOnce();
    void showAnswer(const QString &variable, const IsduExchange &exchange);
    // The read is over: another one if a write came meanwhile.
    void readDone();
    // Shows the first layout with the reason, kept to say it again.
    void fail(std::function<QString()> why);
    // Shows layout `choice` with its note, or the first with m_why's reason (-1).
    void show(int choice);

    int m_port;
    QList<ProcessDataChoice> m_choices;
    QPointer<ProcessDataInPage> m_in;
    QPointer<ProcessDataOutPage> m_out;
    int m_shownChoice = -1; // the choice shown, -1 for none (the first layout, as the pages were built)
    bool m_said = false;    // a note is shown, to be said again on a language switch
    bool m_queued = false;  // a read is waiting for the event loop
    bool m_reading = false;
    bool m_again = false;           // asked again during a read
    std::function<QString()> m_why; // why no layout was picked, in the shown language
};

#endif // PROCESSDATALAYOUTPICKER_H
