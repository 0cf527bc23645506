#pragma once

// The command catalogue: every exchange with the transducer is named by a
// command code (0 to 152 Modbus requests, 153 to 252 the service protocol).
// Each row gives the code range, the name, the kind, the function byte (or
// the service byte) and, for register commands, the start register and the
// register count. The request builder, the parser and the scheduler take
// their codes from here; the single-property commands not listed as rows are
// the register table's read and write codes (register_table.h).
//
// How a caller names a command: by its constant, cmd::ReadReadings,
// cmd::WriteHmax (a quint8, usable wherever a code is), or at run time by
// name: FindCommandByName("ReadReadings")->First.

#include <QtGlobal>

#include <span>
#include <string_view>

namespace tals {

enum class TCommandKind {
    Identification, // function 43 / MEI 14
    ReadBlock,      // a register group, function 3 or 4
    ReadProperty,   // one property, function 3
    WriteProperty,  // one property, function 16
    ReadArrayBlock, // a block of the diagnostic arrays, by state
    Special,        // a write or read with its own frame
    WriteBlock,     // a register group, function 16
    Service         // the service protocol
};

struct TCommandInfo
{
    int First; // the codes First..Last share the row
    int Last;
    const char *Name;
    TCommandKind Kind;
    int Function; // function byte on the wire (the service byte for Service)
    int Start;    // first register, -1 when the frame has none
    int Count;    // registers read or written, 0 when none
};

// clang-format off
inline constexpr TCommandInfo kCommandTable[] = {
    {0,   0,   "ReadIdentification",          TCommandKind::Identification, 0x2B, -1,    0},
    {1,   1,   "ReadSignature1",              TCommandKind::Identification, 0x2B, -1,    0},
    {2,   2,   "ReadSignature2",              TCommandKind::Identification, 0x2B, -1,    0},
    {3,   3,   "ReadSignature3",              TCommandKind::Identification, 0x2B, -1,    0},
    {4,   4,   "ReadReadings",                TCommandKind::ReadBlock,      0x04, 0,     15},
    {5,   5,   "ReadUserRegisters",           TCommandKind::ReadBlock,      0x03, 1000,  13},
    {6,   6,   "ReadHmax",                    TCommandKind::ReadProperty,   0x03, 1000,  2},
    {7,   7,   "ReadLmax",                    TCommandKind::ReadProperty,   0x03, 1002,  2},
    {9,   9,   "ReadKKalman",                 TCommandKind::ReadProperty,   0x03, 1006,  2},
    {10,  10,  "ReadSpeed",                   TCommandKind::ReadProperty,   0x03, 1008,  2},
    {11,  11,  "ReadCurrentOutputInput",      TCommandKind::ReadProperty,   0x03, 1010,  1},
    {12,  12,  "ReadCurrentOutputRange",      TCommandKind::ReadProperty,   0x03, 1011,  1},
    {13,  13,  "ReadCurrentOutputErrorValue", TCommandKind::ReadProperty,   0x03, 1012,  1},
    {14,  14,  "ReadLevelState",              TCommandKind::ReadProperty,   0x03, 1162,  1},
    {15,  15,  "ReadCommonServiceRegisters",  TCommandKind::ReadBlock,      0x03, 2000,  10},
    {24,  24,  "ReadInformationRegisters",    TCommandKind::ReadBlock,      0x04, 3000,  35},
    {25,  25,  "ReadTestDistances",           TCommandKind::ReadBlock,      0x04, 3031,  4},
    {26,  26,  "ReadServiceRegisters1",       TCommandKind::ReadBlock,      0x03, 3000,  19},
    {44,  44,  "ReadServiceRegisters2",       TCommandKind::ReadBlock,      0x03, 3100,  28},
    {51,  51,  "ReadSmFChH",                  TCommandKind::ReadProperty,   0x03, 3107,  2},
    {63,  63,  "ReadFunctionalRegisters",     TCommandKind::ReadBlock,      0x03, 3200,  11},
    {75,  75,  "ReadCountBadZones",           TCommandKind::ReadProperty,   0x03, 3128,  1},
    {76,  76,  "ReadBadZones",                TCommandKind::ReadBlock,      0x03, 3128,  41},
    {77,  77,  "ReadArrayState",              TCommandKind::ReadBlock,      0x04, 10000, 2},
    {78,  78,  "ReadArrayBlock",              TCommandKind::ReadArrayBlock, 0x04, 10004, 0},
    {79,  79,  "StartProgramUpdate",          TCommandKind::Special,        0x10, 3,     3},
    {80,  80,  "BroadcastSetAddress",         TCommandKind::Special,        0x10, 0,     3},
    {81,  81,  "ReadAddressRegister",         TCommandKind::Special,        0x03, 2,     1},
    {82,  82,  "WriteUserRegisters",          TCommandKind::WriteBlock,     0x10, 1000,  13},
    {83,  83,  "WriteHmax",                   TCommandKind::WriteProperty,  0x10, 1000,  2},
    {84,  84,  "WriteLmax",                   TCommandKind::WriteProperty,  0x10, 1002,  2},
    {85,  85,  "WriteLevelKalibr",            TCommandKind::WriteProperty,  0x10, 1004,  2},
    {86,  86,  "WriteKKalman",                TCommandKind::WriteProperty,  0x10, 1006,  2},
    {87,  87,  "WriteSpeed",                  TCommandKind::WriteProperty,  0x10, 1008,  2},
    {88,  88,  "WriteSpeedAlternate",         TCommandKind::WriteProperty,  0x10, 1160,  2},
    {89,  89,  "WriteCurrentOutputInput",     TCommandKind::WriteProperty,  0x10, 1010,  1},
    {90,  90,  "WriteCurrentOutputRange",     TCommandKind::WriteProperty,  0x10, 1011,  1},
    {91,  91,  "WriteCurrentOutputErrorValue",TCommandKind::WriteProperty,  0x10, 1012,  1},
    {92,  92,  "WriteLevelState",             TCommandKind::WriteProperty,  0x10, 1162,  1},
    {93,  93,  "WriteCommonServiceRegisters", TCommandKind::WriteBlock,     0x10, 2002,  8},
    {94,  94,  "WritePassword",               TCommandKind::WriteProperty,  0x10, 2000,  1},
    {95,  95,  "WriteControlCommand",         TCommandKind::WriteProperty,  0x10, 2001,  1},
    {96,  96,  "WritePlantNumber",            TCommandKind::WriteProperty,  0x10, 2002,  1},
    {99,  99,  "WriteCalibrModeTals",         TCommandKind::WriteProperty,  0x10, 2005,  1},
    {100, 100, "WriteKrPer",                  TCommandKind::WriteProperty,  0x10, 2006,  2},
    {101, 101, "WriteSmPer",                  TCommandKind::WriteProperty,  0x10, 2008,  2},
    {102, 102, "WriteServiceRegisters1",      TCommandKind::WriteBlock,     0x10, 3000,  19},
    {120, 120, "WriteServiceRegisters2",      TCommandKind::WriteBlock,     0x10, 3100,  28},
    {126, 126, "WriteKrFChH",                 TCommandKind::WriteProperty,  0x10, 3105,  2},
    {127, 127, "WriteSmFChH",                 TCommandKind::WriteProperty,  0x10, 3107,  2},
    {139, 139, "WriteFunctionalRegisters",    TCommandKind::WriteBlock,     0x10, 3200,  11},
    {151, 151, "WriteCountBadZones",          TCommandKind::WriteProperty,  0x10, 3128,  1},
    {152, 152, "WriteBadZones",               TCommandKind::WriteBlock,     0x10, 3128,  41},
    {153, 158, "SvcReadValue",                TCommandKind::Service,        0x01, -1,    0},
    {159, 159, "SvcReadAllValues",            TCommandKind::Service,        0x02, -1,    0},
    {160, 160, "SvcEcho",                     TCommandKind::Service,        0x10, -1,    0},
    {161, 161, "SvcRequest20",                TCommandKind::Service,        0x20, -1,    0},
    {162, 162, "SvcSetAddressByPlantNumber",  TCommandKind::Service,        0x25, -1,    0},
    {163, 163, "SvcWritePlantNumber",         TCommandKind::Service,        0x30, -1,    0},
    {164, 164, "SvcRequestA2",                TCommandKind::Service,        0xA2, -1,    0},
    {165, 165, "SvcReadArrayBlock",           TCommandKind::Service,        0xA8, -1,    0},
    {166, 169, "SvcStartMode",                TCommandKind::Service,        0xB1, -1,    0},
    {170, 170, "SvcEndMode",                  TCommandKind::Service,        0xB1, -1,    0},
    {171, 171, "SvcMode50",                   TCommandKind::Service,        0xB1, -1,    0},
    {172, 174, "SvcSetPrediction",            TCommandKind::Service,        0xB1, -1,    0},
    {175, 176, "SvcMode100",                  TCommandKind::Service,        0xB1, -1,    0},
    {177, 180, "SvcWriteSetting",             TCommandKind::Service,        0xB2, -1,    0},
    {181, 213, "SvcWriteParameter",           TCommandKind::Service,        0xB3, -1,    0},
    {214, 216, "SvcRequestB4",                TCommandKind::Service,        0xB4, -1,    0},
    {217, 220, "SvcReadSetting",              TCommandKind::Service,        0xB5, -1,    0},
    {221, 252, "SvcReadParameter",            TCommandKind::Service,        0xB6, -1,    0},
};
// clang-format on

// The last code that has a request.
constexpr int kLastCommandCode = 252;

namespace command_table_detail {

constexpr bool RowsAscending()
{
    int previous = -1;
    for (const TCommandInfo &c : kCommandTable) {
        if (c.First <= previous || c.Last < c.First || c.Last > kLastCommandCode)
            return false;
        previous = c.Last;
    }
    return true;
}

constexpr bool NamesUnique()
{
    for (const TCommandInfo &a : kCommandTable)
        for (const TCommandInfo &b : kCommandTable)
            if (&a != &b && std::string_view(a.Name) == b.Name)
                return false;
    return true;
}

constexpr quint8 CodeOf(std::string_view name)
{
    for (const TCommandInfo &c : kCommandTable)
        if (name == c.Name)
            return static_cast<quint8>(c.First);
    // A name missing from the table stops the build here.
    throw "command not in the table";
}

static_assert(RowsAscending(), "rows in ascending order of their codes, without overlap");
static_assert(NamesUnique(), "each name once");
static_assert(std::size(kCommandTable) == 71, "a new command is one row here");

} // namespace command_table_detail

// The row whose range holds code, or nullptr (a single-property command of the
// register table or a code without a request).
const TCommandInfo *FindCommand(int code);
const TCommandInfo *FindCommandByName(std::string_view name);
std::span<const TCommandInfo> CommandTable();

// The commands by name.
namespace cmd {
#define TALS_COMMAND(name) inline constexpr quint8 name = command_table_detail::CodeOf(#name);
TALS_COMMAND(ReadIdentification)
TALS_COMMAND(ReadSignature1)
TALS_COMMAND(ReadSignature2)
TALS_COMMAND(ReadSignature3)
TALS_COMMAND(ReadReadings)
TALS_COMMAND(ReadUserRegisters)
TALS_COMMAND(ReadHmax)
TALS_COMMAND(ReadLmax)
TALS_COMMAND(ReadKKalman)
TALS_COMMAND(ReadSpeed)
TALS_COMMAND(ReadCurrentOutputInput)
TALS_COMMAND(ReadCurrentOutputRange)
TALS_COMMAND(ReadCurrentOutputErrorValue)
TALS_COMMAND(ReadLevelState)
TALS_COMMAND(ReadCommonServiceRegisters)
TALS_COMMAND(ReadInformationRegisters)
TALS_COMMAND(ReadTestDistances)
TALS_COMMAND(ReadServiceRegisters1)
TALS_COMMAND(ReadServiceRegisters2)
TALS_COMMAND(ReadSmFChH)
TALS_COMMAND(ReadFunctionalRegisters)
TALS_COMMAND(ReadCountBadZones)
TALS_COMMAND(ReadBadZones)
TALS_COMMAND(ReadArrayState)
TALS_COMMAND(ReadArrayBlock)
TALS_COMMAND(StartProgramUpdate)
TALS_COMMAND(BroadcastSetAddress)
TALS_COMMAND(ReadAddressRegister)
TALS_COMMAND(WriteUserRegisters)
TALS_COMMAND(WriteHmax)
TALS_COMMAND(WriteLmax)
TALS_COMMAND(WriteLevelKalibr)
TALS_COMMAND(WriteKKalman)
TALS_COMMAND(WriteSpeed)
TALS_COMMAND(WriteSpeedAlternate)
TALS_COMMAND(WriteCurrentOutputInput)
TALS_COMMAND(WriteCurrentOutputRange)
TALS_COMMAND(WriteCurrentOutputErrorValue)
TALS_COMMAND(WriteLevelState)
TALS_COMMAND(WriteCommonServiceRegisters)
TALS_COMMAND(WritePassword)
TALS_COMMAND(WriteControlCommand)
TALS_COMMAND(WritePlantNumber)
TALS_COMMAND(WriteCalibrModeTals)
TALS_COMMAND(WriteKrPer)
TALS_COMMAND(WriteSmPer)
TALS_COMMAND(WriteServiceRegisters1)
TALS_COMMAND(WriteServiceRegisters2)
TALS_COMMAND(WriteKrFChH)
TALS_COMMAND(WriteSmFChH)
TALS_COMMAND(WriteFunctionalRegisters)
TALS_COMMAND(WriteCountBadZones)
TALS_COMMAND(WriteBadZones)
TALS_COMMAND(SvcReadValue)
TALS_COMMAND(SvcReadAllValues)
TALS_COMMAND(SvcEcho)
TALS_COMMAND(SvcRequest20)
TALS_COMMAND(SvcSetAddressByPlantNumber)
TALS_COMMAND(SvcWritePlantNumber)
TALS_COMMAND(SvcRequestA2)
TALS_COMMAND(SvcReadArrayBlock)
TALS_COMMAND(SvcStartMode)
TALS_COMMAND(SvcEndMode)
TALS_COMMAND(SvcMode50)
TALS_COMMAND(SvcSetPrediction)
TALS_COMMAND(SvcMode100)
TALS_COMMAND(SvcWriteSetting)
TALS_COMMAND(SvcWriteParameter)
TALS_COMMAND(SvcRequestB4)
TALS_COMMAND(SvcReadSetting)
TALS_COMMAND(SvcReadParameter)
#undef TALS_COMMAND
} // namespace cmd

// The first code that has no request.
constexpr int kNoRequestCode = kLastCommandCode + 1;

} // namespace tals
