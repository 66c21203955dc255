#ifndef COMMON_H
#define COMMON_H

#include <QObject>
#include <QSet>

class myModbus;

// The application-wide hub: views reach the adapter link through it and
// announce application-wide events with its signals.
class common : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(common)

public:
    common();
    ~common() override;

    // The process-wide object, created on first use; null once it has been
    // destroyed at program exit.
    static common *instance();

    // Set once at start-up and released with the hub at exit; views skip their
    // adapter actions while it is null.
    myModbus *modbus = nullptr;
    // Ports (0..7) in IO-Link operate; parameter, process-data actions act
    // only on these.
    QSet<int> activePorts;

signals:
    void sig_openLoading(bool isOpen);
};

#endif // COMMON_H
