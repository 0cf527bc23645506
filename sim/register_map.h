#pragma once

// The simulated transducer's register map: its holding registers with their
// reset values and ranges, the service protocol's parameter and setting ids,
// and the small codecs the simulator's parts share (words, singles, texts).

#include <QByteArray>
#include <QtGlobal>

#include <limits>
#include <vector>

namespace tals::simmap {

inline constexpr quint16 kFullAccessPassword = 24680;
inline constexpr quint16 kDeviceTypeCode = 20; // 0x14, the family code in address frames
inline constexpr int kSignalSamples = 2060;
inline constexpr int kSpectrumPoints = 512;
inline constexpr int kArrayStart = 10004;
inline constexpr double kInf = std::numeric_limits<double>::infinity();

enum class TRegKind { Word, Signed, Single };

// One holding register (or register pair) of the map with its range.
struct TDef
{
    int Reg;
    TRegKind Kind;
    double Default, Min, Max;
    bool Service; // refused without the password when that rule is on
};

// Every holding register of the map.
const std::vector<TDef> &HoldingTable();
// The definition a register belongs to (either word of a pair), or null.
const TDef *FindDef(int reg, bool *lowHalf = nullptr);
// The holding register behind a service-protocol parameter id; -1 when none.
int ParameterRegister(int id);
// The word register behind a service-protocol setting id; -1 when none.
int SettingRegister(int id);
// Whether the function byte is one of the service protocol's (address,
// function, length byte, data, CRC); 0x10 is left to the caller, which tells
// function 16 from the service echo.
bool IsServiceFunction(quint8 function);

quint32 FloatBits(float f);
float BitsFloat(quint32 u);
quint16 Word(const QByteArray &f, int i);
void PutWord(QByteArray &f, quint16 w);
double NowSeconds();
// The text in the device's code page (Windows-1251), exactly n bytes,
// blank-padded or cut.
QByteArray Field(const char *utf8, int n);

} // namespace tals::simmap
