#ifndef CTLRUN_H
#define CTLRUN_H

// hub8ctl's commands run two ways: hub8ctl-sim as a process, as a user runs it
// (a fresh virtual adapter each time), and in this process on the one virtual
// adapter, which keeps its state from command to command.

#include "ctlcommands.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace CtlRun {

struct Result
{
    int status = -1;
    QByteArray out, err;
    QJsonObject json() const { return QJsonDocument::fromJson(out).object(); }
};

// env: variables set for that run (LANG=C.UTF-8, say).
inline Result runSim(const QStringList &args, const QStringList &env = {})
{
    QProcess p;
    if (!env.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LC_ALL"));
        environment.remove(QStringLiteral("LC_MESSAGES"));
        for (const QString &setting : env)
            environment.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
        p.setProcessEnvironment(environment);
    }
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/hub8ctl-sim"), args);
    if (!p.waitForFinished(20000))
        qFatal("hub8ctl-sim did not finish");
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

inline Result runHere(const QStringList &args)
{
    Result r;
    r.status = runHub8ctl(QStringLiteral("hub8ctl"), args, QString(), QString(), &r.out);
    return r;
}

} // namespace CtlRun

#endif // CTLRUN_H
