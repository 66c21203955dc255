#ifndef PARAMETERDOWNLOAD_H
#define PARAMETERDOWNLOAD_H

// The ISDU requests of one change to a device's parameters, and what the
// device made of it. Several writes go as one block: ParamDownloadStart, the
// writes, then ParamDownloadStore (ParamDownloadEnd when storing is off); the
// device checks the whole set at the end and takes all of it or none, and a
// refused write breaks the block off (ParamBreak). A change is followed by
// ParamDownloadStore, which raises the device's Data Storage upload flag: a
// master with Data Storage on would otherwise download its old copy back
// into the device at its next start-up.
//
// The caller sends each request next() gives and hands its answer to
// answer(); the parameter page does so one reply at a time, hub8ctl waits
// for each.

#include "parameteraccess.h"

#include <QList>
#include <QString>
#include <QVector>

class ParameterDownload
{
public:
    // The system commands the device takes: from its description, or
    // unknown (then each is tried, and "index not available", "access
    // denied", "function not available" and "value out of range" read as
    // "not supported").
    struct Support
    {
        bool known = false;
        QList<int> commands;
    };

    enum class Kind { Write, Start, End, Store, Break };
    struct Step
    {
        Kind kind = Kind::Write;
        ParameterAccess::Request request;
        int write = -1; // the position in the writes given, for Kind::Write
    };

    enum class Stored {
        Off,          // storing is switched off
        NotSupported, // the device does not take ParamDownloadStore
        Stored,       // in the device's Data Storage
        Failed,       // refused otherwise, or the link failed
        NothingToStore,
    };

    ParameterDownload(const QVector<ParameterAccess::Request> &writes, const Support &support, bool store);

    // The next request; false once nothing more is to be sent.
    bool next(Step *step);
    // The answer to the request next() gave last: taken, or the ISDU error
    // code (0 when the link failed) and its text.
    void answer(bool ok, quint16 errorCode = 0, const QString &why = QString());

    // Sent as one block.
    bool block() const { return m_block; }
    // A block was asked for but the device does not take it: written one by one.
    bool blockUnsupported() const { return m_blockUnsupported; }
    // Whether each write now stands in the device: in a block all or none.
    bool taken(int write) const { return m_taken.value(write); }
    // The write the device refused in a block (none applied), -1 otherwise.
    int refusedWrite() const { return m_refusedWrite; }
    // The device's error and its text where it refused the block's set at
    // its end or its start (none applied); 0 when it did not.
    quint16 verdict() const { return m_verdict; }
    QString verdictText() const { return m_verdictText; }
    Stored stored() const { return m_stored; }
    QString storeText() const { return m_storeText; }

    static bool meansUnsupported(quint16 errorCode);

private:
    enum class Phase { Start, Writes, End, EndFallback, Store, Break, Done };
    bool supports(int command) const;
    static ParameterAccess::Request command(int value);

    QVector<ParameterAccess::Request> m_writes;
    Support m_support;
    bool m_store = true;
    bool m_block = false;
    bool m_blockUnsupported = false;
    Phase m_phase = Phase::Done;
    int m_next = 0;
    Kind m_sent = Kind::Write;
    QVector<bool> m_taken;
    int m_refusedWrite = -1;
    quint16 m_verdict = 0;
    QString m_verdictText;
    Stored m_stored = Stored::NothingToStore;
    QString m_storeText;
};

#endif // PARAMETERDOWNLOAD_H
