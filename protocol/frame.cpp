#include "protocol/frame.h"

#include <cstring>

namespace tals {

quint16 ModbusCrc16(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

bool CheckCrc16Frame(const QByteArray &frame)
{
    const int n = frame.size();
    if (n < 3)
        return false;
    const quint16 received = BytesToWord(ByteAt(frame, n - 1), ByteAt(frame, n - 2));
    return received == ModbusCrc16(frame.left(n - 2));
}

QByteArray AppendCrc16(const QByteArray &frame)
{
    const quint16 crc = ModbusCrc16(frame);
    QByteArray out = frame;
    out.append(static_cast<char>(crc & 0xFF));
    out.append(static_cast<char>(crc >> 8));
    return out;
}

quint8 ZelvinCrc8(const QByteArray &bytes)
{
    quint8 crc = 0xFF;
    for (char c : bytes) {
        quint8 byte = static_cast<quint8>(c);
        for (int i = 0; i < 8; ++i) {
            const quint8 mix = (crc ^ byte) & 1;
            if (mix)
                crc ^= 0x18;
            crc = static_cast<quint8>((crc >> 1) | (mix << 7));
            byte >>= 1;
        }
    }
    return crc;
}

bool CheckCrc8Frame(const QByteArray &frame)
{
    const int n = frame.size();
    return n >= 3 && ByteAt(frame, n - 1) == ZelvinCrc8(frame.left(n - 1));
}

QByteArray AppendCrc8(const QByteArray &frame)
{
    QByteArray out = frame;
    out.append(static_cast<char>(ZelvinCrc8(frame)));
    return out;
}

bool InRange(double value, double minimum, double maximum)
{
    return minimum <= value && value <= maximum;
}

bool BitIsSet(quint16 word, int bit)
{
    return bit >= 0 && bit < 16 && ((word >> bit) & 1) != 0;
}

std::pair<quint8, quint8> WordToBytes(quint16 word)
{
    return {static_cast<quint8>(word >> 8), static_cast<quint8>(word & 0xFF)};
}

quint16 BytesToWord(quint8 high, quint8 low)
{
    return static_cast<quint16>(high * 256 + low);
}

quint32 BytesToLongWord(quint8 b1, quint8 b2, quint8 b3, quint8 b4)
{
    return (quint32(b1) << 24) | (quint32(b2) << 16) | (quint32(b3) << 8) | quint32(b4);
}

float BytesToSingle(quint8 b1, quint8 b2, quint8 b3, quint8 b4)
{
    const quint32 bits = BytesToLongWord(b1, b2, b3, b4);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TFourBytes SingleToBytes(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return {{quint8(bits >> 24), quint8(bits >> 16), quint8(bits >> 8), quint8(bits)}};
}

qint64 BytesToInt64(const quint8 bytes[8])
{
    quint64 v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | bytes[i];
    return static_cast<qint64>(v);
}

bool WordToBool(quint16 word)
{
    return word != 0;
}

bool ByteToBool(quint8 byte)
{
    return byte != 0;
}

void AppendWord(QByteArray &frame, quint16 word)
{
    frame.append(static_cast<char>(word >> 8));
    frame.append(static_cast<char>(word & 0xFF));
}

void AppendSingle(QByteArray &frame, float value)
{
    const TFourBytes b = SingleToBytes(value);
    frame.append(reinterpret_cast<const char *>(b.b), 4);
}

QByteArray BytesToFrame(const TBuffer &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

TBuffer FrameToBytes(const QByteArray &frame)
{
    return TBuffer(frame.begin(), frame.end());
}

QString FrameToHex(const QByteArray &frame)
{
    QString out;
    out.reserve(frame.size() * 3);
    static const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < frame.size(); ++i) {
        if (i)
            out += QLatin1Char(' ');
        const quint8 b = ByteAt(frame, i);
        out += QLatin1Char(digits[b >> 4]);
        out += QLatin1Char(digits[b & 0xF]);
    }
    return out;
}

QString FrameToDecimal(const QByteArray &frame, bool zeroPad)
{
    QString out;
    out.reserve(frame.size() * 4);
    for (int i = 0; i < frame.size(); ++i) {
        if (i)
            out += QLatin1Char(' ');
        const quint8 b = ByteAt(frame, i);
        out += zeroPad ? QStringLiteral("%1").arg(b, 3, 10, QLatin1Char('0')) : QString::number(b);
    }
    return out;
}

QString PadLeft(const QString &text, int width)
{
    const QString t = text.trimmed();
    return t.size() >= width ? t : QString(width - t.size(), QLatin1Char(' ')) + t;
}

QString SignText(int value)
{
    return value < 0 ? QStringLiteral("-") : value > 0 ? QStringLiteral("+") : QString();
}

QString RepeatText(const QString &text, int count)
{
    return count <= 0 ? text : text.repeated(count);
}

} // namespace tals
