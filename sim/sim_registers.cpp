// The simulated transducer's Modbus functions over its register map: reads
// and writes of holding registers with their range checks, the computed
// input registers, identification and the array read-out's snapshots.

#include "sim/sim_transducer.h"

#include "protocol/frame.h"
#include "sim/register_map.h"

#include <algorithm>
#include <cmath>

namespace tals {

using namespace simmap;

QByteArray TSimTransducer::Exception(quint8 function, quint8 code) const
{
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append(static_cast<char>(function | 0x80));
    a.append(static_cast<char>(code));
    return a;
}

QByteArray TSimTransducer::ErrorAnswerFrame(quint8 code) const
{
    // Six bytes with the checksum: address, 0xFA, the error code, 0.
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append(static_cast<char>(0xFA));
    a.append(static_cast<char>(code));
    a.append('\0');
    return a;
}

QByteArray TSimTransducer::Answer(const QByteArray &f, bool &silent)
{
    const quint8 function = ByteAt(f, 1);
    const bool broadcast = ByteAt(f, 0) == 0;
    if (broadcast) {
        if (function == 0x10)
            WriteMultiple(f, true);
        silent = true;
        return {};
    }
    switch (function) {
    case 0x03:
        return ReadHolding(f);
    case 0x04:
        return ReadInput(f);
    case 0x06:
        return WriteSingle(f);
    case 0x10:
        // Function 16 and the service echo share the byte: the echo is a 7-byte frame.
        if (f.size() == 7 && ByteAt(f, 2) == 0x03)
            return Service(f);
        return WriteMultiple(f, false);
    case 0x2B:
        return Identification(f);
    default:
        return IsServiceFunction(function) ? Service(f) : Exception(function, 1);
    }
}

bool TSimTransducer::ReadHoldingWord(int reg, quint16 &value) const
{
    // Registers 0 to 5: device family, plant number, address, program update.
    switch (reg) {
    case 0:
        value = kDeviceTypeCode;
        return true;
    case 1:
        value = m_plantNumber;
        return true;
    case 2:
        value = m_address;
        return true;
    case 3:
    case 4:
    case 5:
        value = 0;
        return true;
    default:
        break;
    }
    if (!FindDef(reg))
        return false;
    if (reg == 1160 || reg == 1161) {
        // The second address of the speed reads as the first.
        value = m_holding.at(reg - 152);
        return true;
    }
    value = m_holding.at(reg);
    return true;
}

QByteArray TSimTransducer::ReadHolding(const QByteArray &f)
{
    if (f.size() != 8)
        return Exception(0x03, 3);
    const int start = Word(f, 2);
    const int count = Word(f, 4);
    if (count < 1 || count > 125)
        return Exception(0x03, 3);
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append('\x03');
    a.append(static_cast<char>(2 * count));
    for (int r = start; r < start + count; ++r) {
        quint16 v = 0;
        if (!ReadHoldingWord(r, v))
            return Exception(0x03, 2);
        PutWord(a, v);
    }
    return a;
}

bool TSimTransducer::ReadInputWord(int reg, quint16 &value) const
{
    auto single = [](float v, bool low) {
        const quint32 b = FloatBits(v);
        return static_cast<quint16>(low ? b & 0xFFFF : b >> 16);
    };
    const TSimMeasurement m = MeasureLocked();
    const double distance = m.Distance;
    const double busy = m.LevelBusy;
    const double free = m.LevelFree;
    if (reg >= 0 && reg <= 14) {
        switch (reg) {
        case 0:
            value = m_statusWord;
            break;
        case 1:
        case 2:
            value = single(static_cast<float>(distance), reg == 2);
            break;
        case 3:
        case 4:
            value = single(static_cast<float>(free), reg == 4);
            break;
        case 5:
        case 6:
            value = single(static_cast<float>(busy), reg == 6);
            break;
        case 13:
        case 14:
            value = single(static_cast<float>(m_temperature), reg == 14);
            break;
        default:
            value = 0;
        }
        return true;
    }
    if (reg >= 3000 && reg <= 3034) {
        // The information block: layout of the holding map, the synthesizer's
        // clocks, time counters and the test distances.
        static const quint16 layout[14] = {1000, 13, 2000, 10, 3000, 19,   13,
                                           10,   10, 19,   28, 11,   3200, 11};
        const quint32 sclk = 100000000;
        const qint64 stamp = 0x0000000065F1A2B3LL;
        const qint64 used = 86400LL * 42;
        const double test = distance + 0.4 * std::sin(NowSeconds());
        switch (reg) {
        case 3014:
            value = static_cast<quint16>(sclk >> 16);
            break;
        case 3015:
            value = static_cast<quint16>(sclk & 0xFFFF);
            break;
        case 3016:
            value = 4;
            break;
        case 3017:
            value = 8;
            break;
        case 3018:
            value = kSignalSamples;
            break;
        case 3019:
            value = 2 * kSpectrumPoints;
            break;
        case 3020:
            value = 100;
            break;
        case 3021:
        case 3022:
            value = single(24.125f, reg == 3022);
            break;
        case 3031:
        case 3032:
            value = single(static_cast<float>(test), reg == 3032);
            break;
        case 3033:
        case 3034:
            value = single(static_cast<float>(distance), reg == 3034);
            break;
        default:
            if (reg < 3014)
                value = layout[reg - 3000];
            else if (reg >= 3023 && reg <= 3026)
                value = static_cast<quint16>(stamp >> (16 * (3026 - reg)));
            else
                value = static_cast<quint16>(used >> (16 * (3030 - reg)));
        }
        return true;
    }
    if (reg == 10000) {
        value = m_controlRequest;
        return true;
    }
    if (reg == 10001) {
        value = m_controlAnswer;
        return true;
    }
    if (reg >= kArrayStart) {
        const int i = reg - kArrayStart;
        if (m_controlAnswer == 1 && i < kSignalSamples) {
            value = m_signal[i];
            return true;
        }
        if ((m_controlAnswer == 2 || m_controlAnswer == 4) && i < 2 * kSpectrumPoints) {
            const auto &array = m_controlAnswer == 2 ? m_spectrum : m_residual;
            value = single(array[i / 2], i % 2 == 1);
            return true;
        }
    }
    return false;
}

QByteArray TSimTransducer::ReadInput(const QByteArray &f)
{
    if (f.size() != 8)
        return Exception(0x04, 3);
    const int start = Word(f, 2);
    const int count = Word(f, 4);
    if (count < 1 || count > 125)
        return Exception(0x04, 3);
    // A read that covers the confirmation registers counts towards the confirmation.
    if (start <= 10001 && start + count > 10000 && m_controlAnswer != m_controlRequest) {
        if (++m_controlReads >= m_confirmAfter) {
            m_controlAnswer = m_controlRequest;
            TakeArraySnapshot(m_controlAnswer);
        }
    }
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append('\x04');
    a.append(static_cast<char>(2 * count));
    for (int r = start; r < start + count; ++r) {
        quint16 v = 0;
        if (!ReadInputWord(r, v))
            return Exception(0x04, 2);
        PutWord(a, v);
    }
    return a;
}

void TSimTransducer::ControlCommandWritten(quint16 value)
{
    m_controlRequest = value;
    m_controlAnswer = 0;
    m_controlReads = 0;
}

void TSimTransducer::TakeArraySnapshot(quint16 kind)
{
    // The arrays follow the measured distance on the sweep's own scale.
    const double distance = DistanceLocked();
    const TSimSettings settings = SettingsLocked();
    if (kind == 1)
        SimFillSignal(m_signal, 2 * kSpectrumPoints, distance, m_echoes, settings, m_random);
    else if (kind == 2)
        SimFillSpectrum(m_spectrum, distance, 1000.0, m_echoes, settings, m_random);
    else if (kind == 4)
        SimFillSpectrum(m_residual, distance, 40.0, m_echoes, settings, m_random);
}

int TSimTransducer::StoreHolding(int start, const std::vector<quint16> &values)
{
    std::map<int, quint16> next = m_holding;
    const int count = static_cast<int>(values.size());
    bool control = false;
    for (int i = 0; i < count; ++i) {
        const int reg = start + i;
        const TDef *d = FindDef(reg);
        if (!d)
            return 2;
        if (d->Service && m_requirePassword && m_holding.at(2000) != kFullAccessPassword)
            return 1;
        if (reg == 1160 || reg == 1161)
            next[reg - 152] = values[i];
        next[reg] = values[i];
        control = control || reg == 2001;
    }
    // Range check of every touched definition with the new words.
    auto single = [&next](int reg) {
        return static_cast<double>(BitsFloat((quint32(next[reg]) << 16) | next[reg + 1]));
    };
    for (int i = 0; i < count; ++i) {
        const TDef *d = FindDef(start + i);
        double v = 0;
        switch (d->Kind) {
        case TRegKind::Word:
            v = next[d->Reg];
            break;
        case TRegKind::Signed:
            v = static_cast<qint16>(next[d->Reg]);
            break;
        case TRegKind::Single:
            v = single(d->Reg);
            if (std::isnan(v))
                return 3;
            break;
        }
        if (v < d->Min || v > d->Max)
            return 3;
        if (d->Reg == 1002 && v > single(1000))
            return 3; // Lmax above Hmax
        if (d->Reg == 1004 && v > single(1002))
            return 3; // calibration level above Lmax
    }
    m_holding = next;
    m_plantNumber = m_holding[2002];
    if (control)
        ControlCommandWritten(m_holding[2001]);
    return 0;
}

QByteArray TSimTransducer::WriteSingle(const QByteArray &f)
{
    if (f.size() != 8)
        return Exception(0x06, 3);
    const int reg = Word(f, 2);
    const int code = StoreHolding(reg, {Word(f, 4)});
    if (code)
        return Exception(0x06, static_cast<quint8>(code));
    return f.left(6);
}

QByteArray TSimTransducer::WriteMultiple(const QByteArray &f, bool broadcast)
{
    if (f.size() < 9)
        return Exception(0x10, 3);
    const int start = Word(f, 2);
    const int count = Word(f, 4);
    const int bytes = ByteAt(f, 6);
    if (count < 1 || count > 123 || bytes != 2 * count || f.size() != 9 + bytes)
        return Exception(0x10, 3);
    std::vector<quint16> values;
    for (int i = 0; i < count; ++i)
        values.push_back(Word(f, 7 + 2 * i));
    QByteArray echo = f.left(6);
    // The address frame (registers 0 to 2: family code, plant number, new
    // address) is obeyed only by the device with that plant number.
    if (start == 0 && count == 3) {
        if (values[0] == kDeviceTypeCode && values[1] == m_plantNumber && (values[2] & 0xFF) != 0)
            m_address = static_cast<quint8>(values[2] & 0xFF);
        return broadcast ? QByteArray() : echo;
    }
    if (broadcast)
        return {};
    // The program-update start (registers 3 to 5: family, plant number, 3C3C).
    if (start == 3 && count == 3) {
        if (values[0] != kDeviceTypeCode || values[1] != m_plantNumber || values[2] != 0x3C3C)
            return Exception(0x10, 3);
        m_updateRequested = true;
        return echo;
    }
    const int code = StoreHolding(start, values);
    if (code)
        return Exception(0x10, static_cast<quint8>(code));
    return echo;
}

QByteArray TSimTransducer::Identification(const QByteArray &f)
{
    if (f.size() != 7 || ByteAt(f, 2) != 0x0E)
        return Exception(0x2B, 1);
    const quint8 readCode = ByteAt(f, 3);
    // Objects are laid out so that each text lands at the byte position the
    // program reads it from: id, length, text, one after the other.
    struct TObject
    {
        quint8 id;
        QByteArray text;
    };
    std::vector<TObject> objects;
    const QByteArray plant = QByteArray::number(m_plantNumber).rightJustified(5, '0').right(5);
    const QByteArray hard = QByteArray::number(m_hardVersion).rightJustified(3, '0').right(3);
    const QByteArray soft = QByteArray::number(m_softVersion).rightJustified(3, '0').right(3);
    switch (readCode) {
    case 1: // basic: manufactured, plant number, vendor, hardware, product, software
        objects = {{0x00, Field("10.12.26", 9)},  {0x01, plant},
                   {0x02, Field("TALS35XI", 11)}, {0x03, hard},
                   {0x04, Field("TALS352I", 10)}, {0x05, soft}};
        break;
    case 2: // regular: site, device, device name
        objects = {{0x03, Field("Резервуар 1", 16)},
                   {0x04, Field("Уровнемер", 10)},
                   {0x05, Field("ТАЛС352И", 8)}};
        break;
    case 3: // extended: model, device type code, calibration, checksum
        objects = {{0x80, Field("ТАЛС35xИ-352", 13)},
                   {0x81, QByteArray::number(kDeviceTypeCode)},
                   {0x82, Field("K2026", 6)},
                   {0x83, QByteArray("3A7F19")}};
        break;
    default:
        return Exception(0x2B, 3);
    }
    QByteArray a;
    a.append(static_cast<char>(m_address));
    a.append('\x2B');
    a.append('\x0E');
    a.append(static_cast<char>(readCode));
    a.append(static_cast<char>(readCode)); // conformity level
    a.append('\0');                        // no more follows
    a.append('\0');                        // next object id
    a.append(static_cast<char>(objects.size()));
    for (const TObject &o : objects) {
        a.append(static_cast<char>(o.id));
        a.append(static_cast<char>(o.text.size()));
        a.append(o.text);
    }
    return a;
}

} // namespace tals
