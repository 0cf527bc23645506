#pragma once

// Stateless helpers for the frames on the line: the two checksums, frame
// checks, big-endian packing of register values and text renderings of frames.
// Safe to call from any thread.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace tals {

// Function bytes of the transducer's protocol.
constexpr quint8 kFnReadHolding = 0x03;
constexpr quint8 kFnReadInput = 0x04;
constexpr quint8 kFnWriteSingle = 0x06;
constexpr quint8 kFnWriteMultiple = 0x10;
constexpr quint8 kFnIdentification = 0x2B;
// MEI type of "read device identification" within kFnIdentification.
constexpr quint8 kMeiReadIdentification = 0x0E;
// The device's own error answer: six bytes with this function byte.
constexpr quint8 kFnErrorAnswer = 0xFA;

// Bytes a transducer answer is read up to; the read time-out grows with it.
constexpr int kAnswerLimit = 250;

// The frame: a length-counted byte string, the first byte on the wire first.
using TFrame = QByteArray;
// The dynamic byte array in which an answer is handed to the parser.
using TBuffer = std::vector<quint8>;

quint16 ModbusCrc16(const QByteArray &bytes);
bool CheckCrc16Frame(const QByteArray &frame);
// The frame with its CRC-16 appended, low byte first.
QByteArray AppendCrc16(const QByteArray &frame);

quint8 ZelvinCrc8(const QByteArray &bytes);
bool CheckCrc8Frame(const QByteArray &frame);
QByteArray AppendCrc8(const QByteArray &frame);

bool InRange(double value, double minimum, double maximum);
bool BitIsSet(quint16 word, int bit);

std::pair<quint8, quint8> WordToBytes(quint16 word);
quint16 BytesToWord(quint8 high, quint8 low);
quint32 BytesToLongWord(quint8 b1, quint8 b2, quint8 b3, quint8 b4);
float BytesToSingle(quint8 b1, quint8 b2, quint8 b3, quint8 b4);
struct TFourBytes
{
    quint8 b[4];
};
TFourBytes SingleToBytes(float value);
qint64 BytesToInt64(const quint8 bytes[8]);
bool WordToBool(quint16 word);
bool ByteToBool(quint8 byte);

// Unsigned byte i of a frame (0-based); frames hold chars.
inline quint8 ByteAt(const QByteArray &frame, int i)
{
    return static_cast<quint8>(frame.at(i));
}
// Appends a word high byte first.
void AppendWord(QByteArray &frame, quint16 word);
// Appends a Single as two registers, most significant byte first.
void AppendSingle(QByteArray &frame, float value);

QByteArray BytesToFrame(const TBuffer &bytes);
TBuffer FrameToBytes(const QByteArray &frame);

QString FrameToHex(const QByteArray &frame);
QString FrameToDecimal(const QByteArray &frame, bool zeroPad);

QString PadLeft(const QString &text, int width);
QString SignText(int value);
QString RepeatText(const QString &text, int count);

} // namespace tals
