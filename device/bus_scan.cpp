#include "device/bus_scan.h"

#include "device/command_table.h"

#include <QElapsedTimer>

#include <algorithm>

namespace tals {

namespace {

// A garbled answer: what two devices answering at once leave on the line.
bool Garbled(Ttals352::TAnswerFault fault)
{
    return fault == Ttals352::TAnswerFault::BadCrc || fault == Ttals352::TAnswerFault::WrongLength;
}

} // namespace

QString CorruptedAddressText(int address)
{
    return QStringLiteral("возможно, несколько приборов на адресе %1").arg(address);
}

QString OccupiedText(const TOccupiedAddress &occupied)
{
    if (occupied.Corrupted)
        return QStringLiteral("Адрес %1 занят: %2")
            .arg(occupied.Address)
            .arg(CorruptedAddressText(occupied.Address));
    return QStringLiteral("Адрес %1 занят прибором %2")
        .arg(occupied.Address)
        .arg(occupied.PlantNumber);
}

QString AssignOutcomeText(const TAssignResult &result)
{
    switch (result.Outcome) {
    case TAssignOutcome::Confirmed:
        return QStringLiteral("подтвержден");
    case TAssignOutcome::NoAnswer:
        return QStringLiteral("нет ответа");
    case TAssignOutcome::Absent:
        return QStringLiteral("нет на линии");
    case TAssignOutcome::OtherDevice:
        return QStringLiteral("ответил прибор %1").arg(result.AnsweredPlant);
    case TAssignOutcome::Corrupted:
        return QStringLiteral("искаженный ответ: %1").arg(CorruptedAddressText(result.Address));
    }
    return QString();
}

QString AssignOutcomeKey(TAssignOutcome outcome)
{
    switch (outcome) {
    case TAssignOutcome::Confirmed:
        return QStringLiteral("ok");
    case TAssignOutcome::NoAnswer:
        return QStringLiteral("no-answer");
    case TAssignOutcome::Absent:
        return QStringLiteral("absent");
    case TAssignOutcome::OtherDevice:
        return QStringLiteral("other-device");
    case TAssignOutcome::Corrupted:
        return QStringLiteral("corrupted");
    }
    return QString();
}

TDeviceIdentity TDeviceIdentity::Of(Ttals352 &model)
{
    TDeviceIdentity id;
    id.SystemAddress = model.SystemAddress();
    id.SystemAddressNew = model.SystemAddressNew();
    id.PlantNumber = model.PlantNumber();
    id.HardVersion = model.HardVersionNumber();
    id.SoftVersion = model.SoftVersionNumber();
    model.GetSignature(id.Signature);
    return id;
}

void TDeviceIdentity::RestoreInto(Ttals352 &model) const
{
    model.SetSystemAddress(SystemAddress);
    model.SetSystemAddressNew(SystemAddressNew);
    model.SetPlantNumber(PlantNumber);
    model.SetHardVersionNumber(HardVersion);
    model.SetSoftVersionNumber(SoftVersion);
    model.Signature() = Signature;
}

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
    m_identity = TDeviceIdentity::Of(m_model);
    m_stopRequested = false;
    m_busy = true;
    m_total = std::max(0, commands);
    m_done = 0;
    m_startMs = Now();
}

void TBusScan::End()
{
    m_identity.RestoreInto(m_model);
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

TBusScan::TProbe TBusScan::Probe()
{
    TProbe probe;
    const int address = m_model.SystemAddress();
    // The handler is ours only while this request runs.
    Ttals352::TOnReadSignature previous = std::move(m_model.OnReadSignature);
    m_model.OnReadSignature = [&probe](Ttals352 *, quint8 at, int unitType, quint16 plantNumber,
                                       quint8 hardVersion, quint8 softVersion) {
        probe.Kind = TProbe::Device;
        probe.Found = {0, at, unitType, plantNumber, softVersion, hardVersion, false};
    };
    m_model.LastAnswerFault = Ttals352::TAnswerFault::None;
    m_execute(cmd::ReadSignature1);
    m_model.OnReadSignature = std::move(previous);
    if (probe.Kind == TProbe::Device)
        return probe;
    const Ttals352::TAnswerFault fault = m_model.LastAnswerFault;
    if (Garbled(fault)) {
        probe.Kind = TProbe::Corrupted;
        probe.Found.Address = address;
        probe.Found.Corrupted = true;
    } else if (fault != Ttals352::TAnswerFault::None && fault != Ttals352::TAnswerFault::NoAnswer) {
        probe.Kind = TProbe::Failed; // an exception or another device's answer
    }
    return probe;
}

void TBusScan::Scan(int first, int last)
{
    if (m_busy || last < first)
        return;
    m_found = 0;
    m_lastScan.clear();
    m_scanned = true;
    Begin(last - first + 1);
    for (int a = first; a <= last; ++a) {
        m_model.SetSystemAddress(static_cast<quint8>(a));
        if (OnStep)
            OnStep(a, QStringLiteral("Чтение сигнатуры по системному адресу %1").arg(a));
        if (!Yield())
            break;
        TProbe probe = Probe();
        if (probe.Kind == TProbe::Device || probe.Kind == TProbe::Corrupted) {
            probe.Found.Number = ++m_found;
            m_lastScan.push_back(probe.Found);
            if (OnFound)
                OnFound(probe.Found);
        }
        ++m_done;
        if (m_stopRequested)
            break;
    }
    End();
}

std::vector<TFoundDevice> TBusScan::LastScanWithin(int first, int last) const
{
    std::vector<TFoundDevice> within;
    for (const TFoundDevice &d : m_lastScan)
        if (d.Address >= first && d.Address <= last)
            within.push_back(d);
    return within;
}

std::vector<TOccupiedAddress> TBusScan::CheckTargets(int firstAddress, int firstPlant,
                                                     int lastPlant)
{
    std::vector<TOccupiedAddress> occupied;
    if (m_busy || lastPlant < firstPlant)
        return occupied;
    Begin(lastPlant - firstPlant + 1);
    for (int p = firstPlant; p <= lastPlant; ++p) {
        const int address = firstAddress + (p - firstPlant);
        m_model.SetSystemAddress(static_cast<quint8>(address));
        if (OnStep)
            OnStep(p, QStringLiteral("Чтение сигнатуры по системному адресу %1").arg(address));
        if (!Yield())
            break;
        const TProbe probe = Probe();
        if (probe.Kind == TProbe::Corrupted)
            occupied.push_back({address, 0, true});
        else if (probe.Kind == TProbe::Device && probe.Found.PlantNumber != p)
            occupied.push_back({address, probe.Found.PlantNumber, false});
        ++m_done;
        if (m_stopRequested)
            break;
    }
    End();
    return occupied;
}

std::vector<TAssignResult> TBusScan::Assign(int firstAddress, int firstPlant, int lastPlant)
{
    std::vector<TAssignResult> results;
    if (m_busy || lastPlant < firstPlant)
        return results;
    Begin(lastPlant - firstPlant + 1);
    int newAddress = firstAddress;
    for (int p = firstPlant; p <= lastPlant; ++p, ++newAddress) {
        m_model.SetSystemAddressNew(static_cast<quint8>(newAddress));
        m_model.SetSystemAddress(0); // broadcast
        m_model.SetPlantNumber(static_cast<quint16>(p));
        if (OnStep)
            OnStep(p, QStringLiteral("Запись системного адреса %1 по заводскому номеру %2")
                          .arg(newAddress)
                          .arg(p));
        if (!Yield())
            break;
        m_execute(cmd::BroadcastSetAddress); // a broadcast is not answered

        // The device with that plant number must now answer at its new address;
        // a silent first read is repeated once, as the device may still be
        // storing its address.
        m_model.SetSystemAddress(static_cast<quint8>(newAddress));
        TProbe probe = Probe();
        if (probe.Kind == TProbe::Silent || probe.Kind == TProbe::Failed)
            probe = Probe();
        TAssignResult result{p, newAddress, TAssignOutcome::NoAnswer, 0};
        switch (probe.Kind) {
        case TProbe::Device:
            if (probe.Found.PlantNumber == p) {
                result.Outcome = TAssignOutcome::Confirmed;
            } else {
                result.Outcome = TAssignOutcome::OtherDevice;
                result.AnsweredPlant = probe.Found.PlantNumber;
            }
            break;
        case TProbe::Corrupted:
            result.Outcome = TAssignOutcome::Corrupted;
            break;
        default: {
            const bool seen =
                std::any_of(m_lastScan.begin(), m_lastScan.end(), [p](const TFoundDevice &d) {
                    return !d.Corrupted && d.PlantNumber == p;
                });
            result.Outcome = m_scanned && !seen ? TAssignOutcome::Absent : TAssignOutcome::NoAnswer;
            break;
        }
        }
        // The model's own device moved: it is addressed where it now answers.
        if (result.Outcome == TAssignOutcome::Confirmed && p == m_identity.PlantNumber)
            m_identity.SystemAddress = static_cast<quint8>(newAddress);
        results.push_back(result);
        if (OnAssigned)
            OnAssigned(result);
        ++m_done;
        if (m_stopRequested)
            break;
    }
    End();
    return results;
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
