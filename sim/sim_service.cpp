// The simulated transducer's own service protocol (readings, versions,
// address and plant number, training array, settings and parameters) and
// the current meter's answer.

#include "sim/sim_transducer.h"

#include "protocol/frame.h"
#include "sim/register_map.h"

#include <algorithm>
#include <cmath>

namespace tals {

using namespace simmap;

QByteArray TSimTransducer::Service(const QByteArray &f)
{
    const quint8 function = ByteAt(f, 1);
    const int dataLength = f.size() - 2 - 3; // after address, function, length; before CRC
    auto head = [this, function](int dataBytes) {
        QByteArray a;
        a.append(static_cast<char>(m_address));
        a.append(static_cast<char>(function));
        a.append(static_cast<char>(1 + dataBytes));
        return a;
    };
    const TSimMeasurement m = MeasureLocked();
    auto reading = [this, &m](int n) -> float {
        const double d = m.Distance;
        switch (n) {
        case 0:
            return static_cast<float>(d);
        case 1:
            return static_cast<float>(m.LevelFree);
        case 2:
            return static_cast<float>(m.LevelBusy);
        case 3:
            return static_cast<float>(m_temperature);
        default:
            return static_cast<float>(d);
        }
    };
    const QByteArray body = f.mid(3, std::max(0, dataLength));
    switch (function) {
    case 0x01: { // one value: n, then the value
        if (body.size() != 1 || ByteAt(body, 0) > 5)
            return ErrorAnswerFrame(3);
        QByteArray a = head(5);
        a.append(body.at(0));
        AppendSingle(a, reading(ByteAt(body, 0)));
        return a;
    }
    case 0x02: { // all six values
        QByteArray a = head(24);
        for (int n = 0; n < 6; ++n)
            AppendSingle(a, reading(n));
        return a;
    }
    case 0x10: // echo
    case 0xB1: // mode start and end
    case 0xB4:
        return f.left(f.size() - 2);
    case 0x20: {
        QByteArray a = head(2);
        PutWord(a, m_statusWord);
        return a;
    }
    case 0xA2: {
        QByteArray a = head(2);
        a.append(static_cast<char>(m_hardVersion));
        a.append(static_cast<char>(m_softVersion));
        return a;
    }
    case 0x25: { // 14, plant number, new address
        if (body.size() != 4 || ByteAt(body, 0) != kDeviceTypeCode)
            return ErrorAnswerFrame(3);
        const QByteArray echo = f.left(f.size() - 2);
        if (Word(body, 1) == m_plantNumber && ByteAt(body, 3) != 0)
            m_address = ByteAt(body, 3);
        return echo;
    }
    case 0x30: // new plant number
        if (body.size() != 2)
            return ErrorAnswerFrame(3);
        m_plantNumber = Word(body, 0);
        m_holding[2002] = m_plantNumber;
        return f.left(f.size() - 2);
    case 0xA8: { // block of the training array: offset, byte count
        if (body.size() != 3)
            return ErrorAnswerFrame(3);
        const int offset = Word(body, 0);
        const int count = ByteAt(body, 2);
        if (offset + count > static_cast<int>(m_training.size()))
            return ErrorAnswerFrame(2);
        QByteArray a = head(2 + count);
        PutWord(a, static_cast<quint16>(offset));
        for (int i = 0; i < count; ++i)
            a.append(static_cast<char>(m_training[offset + i]));
        return a;
    }
    case 0xB2: { // write setting k [value]
        if (body.isEmpty())
            return ErrorAnswerFrame(3);
        const int reg = SettingRegister(ByteAt(body, 0));
        if (reg < 0)
            return ErrorAnswerFrame(2);
        if (body.size() == 3 && StoreHolding(reg, {Word(body, 1)}) != 0)
            return ErrorAnswerFrame(3);
        return f.left(f.size() - 2);
    }
    case 0xB3: { // write parameter id + single
        if (body.size() != 5)
            return ErrorAnswerFrame(3);
        const int reg = ParameterRegister(ByteAt(body, 0));
        if (reg < 0)
            return ErrorAnswerFrame(2);
        if (StoreHolding(reg, {Word(body, 1), Word(body, 3)}) != 0)
            return ErrorAnswerFrame(3);
        return f.left(f.size() - 2);
    }
    case 0xB5: { // read setting k
        const int reg = body.size() == 1 ? SettingRegister(ByteAt(body, 0)) : -1;
        if (reg < 0)
            return ErrorAnswerFrame(2);
        QByteArray a = head(3);
        a.append(body.at(0));
        PutWord(a, m_holding.at(reg));
        return a;
    }
    case 0xB6: { // read parameter id
        const int reg = body.size() == 1 ? ParameterRegister(ByteAt(body, 0)) : -1;
        if (reg < 0)
            return ErrorAnswerFrame(2);
        QByteArray a = head(5);
        a.append(body.at(0));
        AppendSingle(a, SingleAt(reg));
        return a;
    }
    default:
        return ErrorAnswerFrame(1);
    }
}

QByteArray TSimTransducer::MeterAnswer()
{
    // Address, command, data count, status, reserve, current in 1/100 mA
    // (signed, low byte first); the CRC-8 follows.
    const int hundredths = static_cast<int>(std::lround(MeterCurrentLocked() * 100.0));
    const quint16 raw = static_cast<quint16>(static_cast<qint16>(hundredths));
    QByteArray a;
    a.append('\x01');
    a.append('\x00');
    a.append('\x05');
    a.append('\x00');
    a.append('\x00');
    a.append(static_cast<char>(raw & 0xFF));
    a.append(static_cast<char>(raw >> 8));
    return a;
}

} // namespace tals
