#include "ui/procedures/scan/bus_scan.h"

#include "device/tals352.h"

#include <QElapsedTimer>

#include <algorithm>

namespace tals {

namespace {

constexpr quint8 kReadSignature1 = 1;
constexpr quint8 kBroadcastSetAddress = 80;

} // namespace

TBusScan::TBusScan(Ttals352 &model, TExecute execute)
    : m_model(model), m_execute(std::move(execute))
{}

qint64 TBusScan::Now() const
{
    if (m_clock)
        return m_clock();
    static QElapsedTimer steady = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return steady.elapsed();
}

void TBusScan::Begin(int commands)
{
    m_stopRequested = false;
    m_busy = true;
    m_total = std::max(0, commands);
    m_done = 0;
    m_startMs = Now();
}

void TBusScan::End()
{
    m_busy = false;
    m_stopRequested = true;
    m_total = 0;
    m_done = 0;
}

bool TBusScan::Yield()
{
    if (ProcessEvents)
        ProcessEvents();
    // A stop given while events were processed ends the loop before the next
    // command, so nothing is sent after the window may have closed.
    return !m_stopRequested;
}

qint64 TBusScan::RemainingMs() const
{
    if (!m_busy || m_total <= 0)
        return -1;
    const int left = m_total - m_done;
    if (m_done > 0)
        return (Now() - m_startMs) * left / m_done;
    return m_worstCaseMs > 0 ? m_worstCaseMs * left : -1;
}

void TBusScan::Scan(int first, int last)
{
    if (m_busy || last < first)
        return;
    m_found = 0;
    Begin(last - first + 1);
    for (int a = first; a <= last; ++a) {
        m_model.SetSystemAddress(static_cast<quint8>(a));
        if (OnStep)
            OnStep(a, QStringLiteral("Чтение сигнатуры по системному адресу %1").arg(a));
        if (!Yield())
            break;
        // The handler is ours only while this request runs.
        Ttals352::TOnReadSignature previous = std::move(m_model.OnReadSignature);
        m_model.OnReadSignature = [this](Ttals352 *, quint8 address, int unitType,
                                         quint16 plantNumber, quint8 hardVersion,
                                         quint8 softVersion) {
            ++m_found;
            if (OnFound)
                OnFound({m_found, address, unitType, plantNumber, softVersion, hardVersion});
        };
        m_execute(kReadSignature1);
        m_model.OnReadSignature = std::move(previous);
        ++m_done;
        if (m_stopRequested)
            break;
    }
    End();
}

void TBusScan::Assign(int firstAddress, int firstPlant, int lastPlant)
{
    if (m_busy || lastPlant < firstPlant)
        return;
    Begin(lastPlant - firstPlant + 1);
    m_model.SetSystemAddressNew(static_cast<quint8>(firstAddress));
    for (int p = firstPlant; p <= lastPlant; ++p) {
        m_model.SetSystemAddress(0); // broadcast
        m_model.SetPlantNumber(static_cast<quint16>(p));
        if (OnStep)
            OnStep(p, QStringLiteral("Запись системного адреса %1 по заводскому номеру %2")
                          .arg(m_model.SystemAddressNew())
                          .arg(p));
        if (!Yield())
            break;
        m_execute(kBroadcastSetAddress);
        m_model.SetSystemAddressNew(static_cast<quint8>(m_model.SystemAddressNew() + 1));
        ++m_done;
        if (m_stopRequested)
            break;
    }
    End();
}

QString RemainingTimeText(qint64 ms)
{
    if (ms < 0)
        return {};
    const qint64 seconds = (ms + 999) / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 с").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 мин %2 с").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
    return QStringLiteral("%1 ч %2 мин")
        .arg(seconds / 3600)
        .arg(seconds % 3600 / 60, 2, 10, QChar('0'));
}

} // namespace tals
