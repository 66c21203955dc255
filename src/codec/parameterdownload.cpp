#include "parameterdownload.h"

#include <algorithm>

namespace {
constexpr int systemCommandIndex = 2;
constexpr int downloadStart = 0x03, downloadEnd = 0x04, downloadStore = 0x05, paramBreak = 0x06;
} // namespace

ParameterDownload::ParameterDownload(const QVector<ParameterAccess::Request> &writes, const Support &support,
                                     bool store)
    : m_writes(writes), m_support(support), m_store(store), m_taken(writes.size(), false)
{
    m_stored = store ? Stored::NothingToStore : Stored::Off;
    if (writes.size() > 1) {
        m_block = supports(downloadStart) && (supports(downloadEnd) || supports(downloadStore));
        m_blockUnsupported = !m_block;
    }
    m_phase = m_block ? Phase::Start : writes.isEmpty() ? Phase::Done : Phase::Writes;
}

bool ParameterDownload::meansUnsupported(quint16 errorCode)
{
    return errorCode == 0x8011 || errorCode == 0x8023 || errorCode == 0x8030 || errorCode == 0x8035;
}

bool ParameterDownload::supports(int command) const
{
    return !m_support.known || m_support.commands.contains(command);
}

ParameterAccess::Request ParameterDownload::command(int value)
{
    return {quint16(systemCommandIndex), 0, QByteArray(1, char(value))};
}

bool ParameterDownload::next(Step *step)
{
    switch (m_phase) {
    case Phase::Start:
        *step = {Kind::Start, command(downloadStart), -1};
        break;
    case Phase::Writes:
        if (m_next < m_writes.size()) {
            *step = {Kind::Write, m_writes.at(m_next), m_next};
            break;
        }
        if (m_block) {
            m_phase = Phase::End;
        } else if (!m_store || std::none_of(m_taken.cbegin(), m_taken.cend(), [](bool t) { return t; })) {
            m_phase = Phase::Done;
        } else if (!supports(downloadStore)) {
            m_stored = Stored::NotSupported;
            m_phase = Phase::Done;
        } else {
            m_phase = Phase::Store;
        }
        return next(step);
    case Phase::End:
        if (m_store && supports(downloadStore)) {
            *step = {Kind::Store, command(downloadStore), -1};
        } else {
            if (m_store)
                m_stored = Stored::NotSupported;
            *step = {Kind::End, command(downloadEnd), -1};
        }
        break;
    case Phase::EndFallback:
        *step = {Kind::End, command(downloadEnd), -1};
        break;
    case Phase::Store:
        *step = {Kind::Store, command(downloadStore), -1};
        break;
    case Phase::Break:
        *step = {Kind::Break, command(paramBreak), -1};
        break;
    case Phase::Done:
        return false;
    }
    m_sent = step->kind;
    return true;
}

void ParameterDownload::answer(bool ok, quint16 errorCode, const QString &why)
{
    const auto refuseAll = [this, errorCode, &why] {
        m_verdict = errorCode;
        m_verdictText = why;
        std::fill(m_taken.begin(), m_taken.end(), false);
    };
    switch (m_sent) {
    case Kind::Start:
        if (ok) {
            m_phase = Phase::Writes;
        } else if (!m_support.known && meansUnsupported(errorCode)) {
            m_block = false; // tried: the writes go one by one
            m_blockUnsupported = true;
            m_phase = Phase::Writes;
        } else {
            refuseAll();
            m_phase = Phase::Done;
        }
        return;
    case Kind::Write:
        m_taken[m_next] = ok;
        if (!ok && m_block) {
            m_refusedWrite = m_next;
            refuseAll();
            m_phase = Phase::Break;
            return;
        }
        ++m_next;
        return;
    case Kind::Break:
        m_phase = Phase::Done;
        return;
    case Kind::End:
        if (!ok)
            refuseAll();
        m_phase = Phase::Done;
        return;
    case Kind::Store:
        m_phase = Phase::Done;
        if (ok) {
            m_stored = Stored::Stored;
        } else if (meansUnsupported(errorCode)) {
            m_stored = Stored::NotSupported;
            if (m_block)
                m_phase = Phase::EndFallback; // the block is still open: end it without storing
        } else if (m_block) {
            refuseAll(); // the device refused the block's set
            m_stored = Stored::NothingToStore;
        } else {
            m_stored = Stored::Failed;
            m_storeText = why;
        }
        return;
    }
}
