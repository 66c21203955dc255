#ifndef SCENARIO_H
#define SCENARIO_H

#include <QString>

class VirtualAdapter;

// Sets up the virtual adapter's ports from a JSON scenario file (see
// docs/virtual-adapter.md). Ports the file does not name are deactivated.
// Every key and value is checked before the adapter is touched: the first
// wrong one makes it return false with a one-line message in *error that
// names the field, and the adapter is left as it was.
bool applyScenarioFile(const QString &path, VirtualAdapter &adapter, QString *error);
bool applyScenarioJson(const QByteArray &json, VirtualAdapter &adapter, QString *error);

#endif // SCENARIO_H
