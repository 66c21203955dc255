#ifndef WRITECONFIRMATION_H
#define WRITECONFIRMATION_H

// The question before a write that moves a machine: process-data outputs, a
// port's digital output, a system command. It names the port, the device and
// what is sent; No is the default. For process-data outputs (and the digital
// output) the user may stop being asked for the rest of the session.

#include <QString>

#include <functional>

class QWidget;

namespace WriteConfirmation {

enum class Kind { Output, SystemCommand, AccessLocks };

// (title, text, whether "do not ask again" is offered) -> yes, and *skip set
// when the user ticked it.
using AskFunction = std::function<bool(const QString &title, const QString &text, bool offerSkip, bool *skip)>;

// True when the write may go: the user said yes, or asked not to be asked
// about outputs again in this session.
bool confirm(QWidget *parent, Kind kind, const QString &port, const QString &device, const QString &what);
// Replaces the question box (tests); an empty function brings it back.
void setAskFunction(AskFunction ask);
// Asks about outputs again (a new session; tests).
void resetSession();

} // namespace WriteConfirmation

#endif // WRITECONFIRMATION_H
