#ifndef JSONDUPLICATES_H
#define JSONDUPLICATES_H

#include <QByteArray>
#include <QString>

// The first key that stands twice in one JSON object of `json`, as a path
// ("ports.Port5"); empty when there is none. Only looks at well-formed
// parts: on malformed text it stops and returns what it found so far.
//
// Scenario and parameter set files are checked with it before QJsonDocument
// sees them: a key given twice is a mistake the user should hear about (the
// parser would keep only the last value), and Qt 5.15's parser leaks the
// value it drops.
QString firstDuplicateKey(const QByteArray &json);

#endif // JSONDUPLICATES_H
