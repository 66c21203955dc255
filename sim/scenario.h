#ifndef SCENARIO_H
#define SCENARIO_H

#include <QString>

class VirtualAdapter;

// Sets up the virtual adapter's ports from a JSON scenario file (see
// docs/virtual-adapter.md). Ports the file does not name are deactivated.
// Returns false with a message in *error when the file cannot be used; the
// adapter is then left as it was.
bool applyScenarioFile(const QString &path, VirtualAdapter &adapter, QString *error);
bool applyScenarioJson(const QByteArray &json, VirtualAdapter &adapter, QString *error);

#endif // SCENARIO_H
