// The simulated transducer: construction, its accessors and its process (the
// true distance, what the device reports, the loop current).

#include "sim/sim_transducer.h"

#include "protocol/frame.h"
#include "sim/register_map.h"

#include <algorithm>
#include <cmath>

namespace tals {

using namespace simmap;

TSimTransducer::TSimTransducer()
{
    for (const TDef &d : HoldingTable()) {
        if (d.Kind == TRegKind::Single)
            PutSingle(d.Reg, static_cast<float>(d.Default));
        else
            m_holding[d.Reg] = static_cast<quint16>(static_cast<int>(d.Default));
    }
    m_holding[2002] = m_plantNumber;
    m_startSeconds = NowSeconds();
    m_signal.assign(kSignalSamples, 0);
    m_spectrum.assign(kSpectrumPoints, 0.0f);
    m_residual.assign(kSpectrumPoints, 0.0f);
    m_training.resize(32 * 32);
    for (size_t i = 0; i < m_training.size(); ++i)
        m_training[i] = static_cast<quint8>((i * 37) & 0xFF);
}

TSimTransducer::~TSimTransducer()
{
    Stop();
}

// ---- accessors ----

void TSimTransducer::SetAddress(quint8 address)
{
    std::lock_guard lock(m_mutex);
    m_address = address;
}

quint8 TSimTransducer::Address() const
{
    std::lock_guard lock(m_mutex);
    return m_address;
}

void TSimTransducer::SetDeviceCount(int count)
{
    std::lock_guard lock(m_mutex);
    const std::size_t others = static_cast<std::size_t>(std::max(1, count) - 1);
    while (m_others.size() > others)
        m_others.pop_back();
    while (m_others.size() < others) {
        const int i = static_cast<int>(m_others.size()) + 1;
        auto device = std::make_unique<TSimTransducer>();
        device->m_address = static_cast<quint8>((m_address - 1 + i) % 247 + 1);
        device->m_plantNumber = static_cast<quint16>(m_plantNumber + i);
        device->m_holding[2002] = device->m_plantNumber;
        device->m_softVersion = m_softVersion + i;
        device->m_hardVersion = m_hardVersion + i;
        device->m_meterPresent = false;
        m_others.push_back(std::move(device));
    }
}

TSimTransducer &TSimTransducer::AddDevice(quint8 address, quint16 plantNumber)
{
    std::lock_guard lock(m_mutex);
    const int i = static_cast<int>(m_others.size()) + 1;
    auto device = std::make_unique<TSimTransducer>();
    device->m_address = address;
    device->m_plantNumber = plantNumber;
    device->m_holding[2002] = plantNumber;
    device->m_softVersion = m_softVersion + i;
    device->m_hardVersion = m_hardVersion + i;
    device->m_meterPresent = false;
    m_others.push_back(std::move(device));
    return *m_others.back();
}

int TSimTransducer::DeviceCount() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_others.size()) + 1;
}

TSimTransducer &TSimTransducer::Device(int index)
{
    std::lock_guard lock(m_mutex);
    if (index <= 0 || index > static_cast<int>(m_others.size()))
        return *this;
    return *m_others[static_cast<std::size_t>(index - 1)];
}

void TSimTransducer::SetBitRate(int bitsPerSecond)
{
    SetByteDelayMicroseconds(bitsPerSecond > 0 ? 11 * 1000000 / bitsPerSecond : 0);
}

void TSimTransducer::SetByteDelayMicroseconds(int us)
{
    std::lock_guard lock(m_mutex);
    m_byteDelayUs = std::max(0, us);
}

void TSimTransducer::SetBursts(int bytes, int gapMs)
{
    std::lock_guard lock(m_mutex);
    m_burstBytes = std::max(0, bytes);
    m_burstGapMs = std::max(0, gapMs);
}

int TSimTransducer::ByteDelayMicroseconds() const
{
    std::lock_guard lock(m_mutex);
    return m_byteDelayUs;
}

void TSimTransducer::InjectFault(TSimFault fault, int times)
{
    std::lock_guard lock(m_mutex);
    for (int i = 0; i < times; ++i)
        m_faults.push_back(fault);
}

void TSimTransducer::ClearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

int TSimTransducer::PendingFaults() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_faults.size());
}

void TSimTransducer::SetStatusWord(quint16 word)
{
    std::lock_guard lock(m_mutex);
    m_statusWord = word;
}

quint16 TSimTransducer::HoldingRegister(int reg) const
{
    std::lock_guard lock(m_mutex);
    quint16 v = 0;
    ReadHoldingWord(reg, v);
    return v;
}

void TSimTransducer::SetHoldingRegister(int reg, quint16 value)
{
    std::lock_guard lock(m_mutex);
    m_holding[reg] = value;
    if (reg == 2002)
        m_plantNumber = value;
}

float TSimTransducer::HoldingSingle(int reg) const
{
    std::lock_guard lock(m_mutex);
    return SingleAt(reg);
}

void TSimTransducer::SetHoldingSingle(int reg, float value)
{
    std::lock_guard lock(m_mutex);
    PutSingle(reg, value);
}

quint16 TSimTransducer::InputRegister(int reg) const
{
    std::lock_guard lock(m_mutex);
    quint16 v = 0;
    // Reading the confirmation registers here must not count as a read.
    if (reg == 10000)
        return m_controlRequest;
    if (reg == 10001)
        return m_controlAnswer;
    ReadInputWord(reg, v);
    return v;
}

void TSimTransducer::SetPlantNumber(quint16 number)
{
    std::lock_guard lock(m_mutex);
    m_plantNumber = number;
    m_holding[2002] = number;
}

quint16 TSimTransducer::PlantNumber() const
{
    std::lock_guard lock(m_mutex);
    return m_plantNumber;
}

void TSimTransducer::SetSoftVersion(int version)
{
    std::lock_guard lock(m_mutex);
    m_softVersion = version;
}

void TSimTransducer::SetHardVersion(int version)
{
    std::lock_guard lock(m_mutex);
    m_hardVersion = version;
}

quint16 TSimTransducer::Password() const
{
    std::lock_guard lock(m_mutex);
    return m_holding.at(2000);
}

bool TSimTransducer::FullAccess() const
{
    return Password() == kFullAccessPassword;
}

void TSimTransducer::SetRequirePassword(bool on)
{
    std::lock_guard lock(m_mutex);
    m_requirePassword = on;
}

bool TSimTransducer::UpdateRequested() const
{
    std::lock_guard lock(m_mutex);
    return m_updateRequested;
}

void TSimTransducer::SetDistance(double mm)
{
    std::lock_guard lock(m_mutex);
    m_baseDistance = mm;
    m_moving = false;
}

void TSimTransducer::SetLevelMotion(bool moving)
{
    std::lock_guard lock(m_mutex);
    m_moving = moving;
}

double TSimTransducer::TrueDistance() const
{
    std::lock_guard lock(m_mutex);
    return TrueDistanceLocked();
}

void TSimTransducer::SetErrors(const TSimHiddenErrors &errors)
{
    std::lock_guard lock(m_mutex);
    m_errors = errors;
}

TSimHiddenErrors TSimTransducer::Errors() const
{
    std::lock_guard lock(m_mutex);
    return m_errors;
}

void TSimTransducer::SetErrorSlope(double slope)
{
    std::lock_guard lock(m_mutex);
    m_errors.Slope = slope;
}

void TSimTransducer::SetErrorOffset(double mm)
{
    std::lock_guard lock(m_mutex);
    m_errors.Offset = mm;
}

void TSimTransducer::SetPhaseSlope(double slope)
{
    std::lock_guard lock(m_mutex);
    m_errors.PhaseSlope = slope;
}

void TSimTransducer::SetPhaseOffset(double radians)
{
    std::lock_guard lock(m_mutex);
    m_errors.PhaseOffset = radians;
}

void TSimTransducer::SetNoise(double mm)
{
    std::lock_guard lock(m_mutex);
    m_noiseSd = std::max(0.0, mm);
    if (m_noiseSd == 0)
        m_noiseSample = 0;
}

void TSimTransducer::AddEcho(TSimEcho echo)
{
    std::lock_guard lock(m_mutex);
    m_echoes.push_back(echo);
}

void TSimTransducer::ClearEchoes()
{
    std::lock_guard lock(m_mutex);
    m_echoes.clear();
}

std::vector<TSimEcho> TSimTransducer::Echoes() const
{
    std::lock_guard lock(m_mutex);
    return m_echoes;
}

double TSimTransducer::Distance() const
{
    std::lock_guard lock(m_mutex);
    return DistanceLocked();
}

double TSimTransducer::LevelBusy() const
{
    std::lock_guard lock(m_mutex);
    return LevelBusyLocked();
}

double TSimTransducer::Temperature() const
{
    std::lock_guard lock(m_mutex);
    return m_temperature;
}

void TSimTransducer::SetTemperature(double celsius)
{
    std::lock_guard lock(m_mutex);
    m_temperature = celsius;
}

void TSimTransducer::SetConfirmAfterReads(int reads)
{
    std::lock_guard lock(m_mutex);
    m_confirmAfter = std::max(1, reads);
}

quint16 TSimTransducer::ControlCommandRequest() const
{
    std::lock_guard lock(m_mutex);
    return m_controlRequest;
}

quint16 TSimTransducer::ControlCommandAnswer() const
{
    std::lock_guard lock(m_mutex);
    return m_controlAnswer;
}

std::vector<quint16> TSimTransducer::SignalArray() const
{
    std::lock_guard lock(m_mutex);
    return m_signal;
}

std::vector<float> TSimTransducer::SpectrumArray() const
{
    std::lock_guard lock(m_mutex);
    return m_spectrum;
}

void TSimTransducer::SetMeterPresent(bool present)
{
    std::lock_guard lock(m_mutex);
    m_meterPresent = present;
}

void TSimTransducer::SetMeterError(double gain, double offsetMilliamps)
{
    std::lock_guard lock(m_mutex);
    m_meterGain = gain;
    m_meterOffset = offsetMilliamps;
}

double TSimTransducer::LoopCurrent() const
{
    std::lock_guard lock(m_mutex);
    return LoopCurrentLocked();
}

double TSimTransducer::MeterCurrent() const
{
    std::lock_guard lock(m_mutex);
    return MeterCurrentLocked();
}

int TSimTransducer::RequestCount() const
{
    std::lock_guard lock(m_mutex);
    return m_requestCount;
}

int TSimTransducer::MeterRequestCount() const
{
    std::lock_guard lock(m_mutex);
    return m_meterRequestCount;
}

QList<QByteArray> TSimTransducer::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void TSimTransducer::ClearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_requestCount = 0;
    m_meterRequestCount = 0;
}

// ---- the simulated process ----

double TSimTransducer::TrueDistanceLocked() const
{
    if (!m_moving)
        return m_baseDistance;
    // A slow fill and drain around the base: +-1500 mm over two minutes.
    const double t = NowSeconds() - m_startSeconds;
    return std::max(0.0, m_baseDistance + 1500.0 * std::sin(2.0 * M_PI * t / 120.0));
}

TSimSettings TSimTransducer::SettingsLocked() const
{
    TSimSettings s;
    s.Hmax = SingleAt(1000);
    s.Lmax = SingleAt(1002);
    s.KrPer = SingleAt(2006);
    s.SmPer = SingleAt(2008);
    s.KrFChH = SingleAt(3105);
    s.SmFChH = SingleAt(3107);
    s.Radius = SingleAt(3109);
    s.FreqNes = SingleAt(3111);
    s.FreqDev = SingleAt(3113);
    s.DPG = SingleAt(3126);
    s.AlgoritmType = m_holding.at(3202);
    s.CurrentInput = m_holding.at(1010);
    s.CurrentRange = m_holding.at(1011);
    return s;
}

TSimMeasurement TSimTransducer::MeasureLocked() const
{
    return SimMeasure(TrueDistanceLocked(), SettingsLocked(), m_errors, m_noiseSample);
}

double TSimTransducer::DistanceLocked() const
{
    return MeasureLocked().Distance;
}

double TSimTransducer::LevelBusyLocked() const
{
    return MeasureLocked().LevelBusy;
}

double TSimTransducer::LoopCurrentLocked() const
{
    return SimLoopCurrent(MeasureLocked(), m_temperature, SettingsLocked());
}

double TSimTransducer::MeterCurrentLocked() const
{
    const double reading = LoopCurrentLocked() * (1.0 + m_meterGain) + m_meterOffset;
    return std::round(reading * 100.0) / 100.0;
}

float TSimTransducer::SingleAt(int reg) const
{
    const auto hi = m_holding.find(reg);
    const auto lo = m_holding.find(reg + 1);
    const quint32 bits = (quint32(hi == m_holding.end() ? 0 : hi->second) << 16) |
                         (lo == m_holding.end() ? 0 : lo->second);
    return BitsFloat(bits);
}

void TSimTransducer::PutSingle(int reg, float value)
{
    const quint32 bits = FloatBits(value);
    m_holding[reg] = static_cast<quint16>(bits >> 16);
    m_holding[reg + 1] = static_cast<quint16>(bits & 0xFFFF);
}

} // namespace tals
