#pragma once

// The one description of the transducer's properties: for each its value
// kind, typical value, accepted range, register and encoding, the single read
// and write command codes, its key in parameter files and its caption. The
// model, the request builder, the answer parser, the parameter files and the
// parameters window all read this table.
//
// Iterate with:  for (const TPropertyInfo &p : PropertyTable()) ...
// or look one up: PropertyInfo(TProp::Hmax), FindPropertyByName("Hmax"),
//                 FindPropertyByReadCode(6), FindPropertyByWriteCode(83).

#include <QtGlobal>

#include <cstddef>
#include <span>

namespace tals {

// The properties in table order: X(name, C++ type).
#define TALS_PROPERTIES(X)                                                                         \
    /* identity and link */                                                                        \
    X(SystemAddress, quint8)                                                                       \
    X(SystemAddressNew, quint8)                                                                    \
    X(PlantNumberNew, quint16)                                                                     \
    X(ValueDigits, int)                                                                            \
    X(ErrorMax, quint16)                                                                           \
    X(PlantNumber, quint16)                                                                        \
    X(HardVersionNumber, quint8)                                                                   \
    X(SoftVersionNumber, quint8)                                                                   \
    X(DeviceTypeNumber, quint8)                                                                    \
    /* user registers */                                                                           \
    X(Hmax, double)                                                                                \
    X(Lmax, double)                                                                                \
    X(LevelKalibr, double)                                                                         \
    X(KKalman, double)                                                                             \
    X(Speed, double)                                                                               \
    X(CurrentOutput_Input, quint16)                                                                \
    X(CurrentOutput_Range, quint16)                                                                \
    X(CurrentOutput_ErrorValue, quint16)                                                           \
    X(LevelState, quint16)                                                                         \
    /* common service registers */                                                                 \
    X(Password, quint16)                                                                           \
    X(ControlCommand, quint16)                                                                     \
    X(mbBaudRate, quint16)                                                                         \
    X(mbParity, quint16)                                                                           \
    X(CalibrModeTals, int)                                                                         \
    X(CalibrMode, int)                                                                             \
    X(CalibrModeMMP, int)                                                                          \
    X(KrPer, double)                                                                               \
    X(SmPer, double)                                                                               \
    /* service registers 1 */                                                                      \
    X(PPMType, quint16)                                                                            \
    X(PPMNumber, quint16)                                                                          \
    X(ProgramType, quint16)                                                                        \
    X(WDActive, quint16)                                                                           \
    X(WDUpdate, quint16)                                                                           \
    X(Amplification, quint16)                                                                      \
    X(AutoControlAmplification, quint16)                                                           \
    X(ModulationType, quint16)                                                                     \
    X(CountSteps, quint16)                                                                         \
    X(MDOS, quint16)                                                                               \
    X(FracDS, quint16)                                                                             \
    X(Izns, quint16)                                                                               \
    X(DSint, quint16)                                                                              \
    X(DSfrac, quint16)                                                                             \
    X(DSdelta, qint16)                                                                             \
    X(FreqPeriod, double)                                                                          \
    X(FreqValue, double)                                                                           \
    /* service registers 2 */                                                                      \
    X(CountSkip, quint16)                                                                          \
    X(IncreaseFreqStep, quint16)                                                                   \
    X(CountFixedFreqs, quint16)                                                                    \
    X(CountFreqs, quint16)                                                                         \
    X(WindowBlackmanEnabled, quint16)                                                              \
    X(KrFChH, double)                                                                              \
    X(SmFChH, double)                                                                              \
    X(Radius, double)                                                                              \
    X(FreqNes, double)                                                                             \
    X(FreqDev, double)                                                                             \
    X(ODPM, double)                                                                                \
    X(FreqBeg, double)                                                                             \
    X(MUP, quint16)                                                                                \
    X(CoundNOS, quint16)                                                                           \
    X(CoundNRI, quint16)                                                                           \
    X(RezTemperature, double)                                                                      \
    X(RezPressure, double)                                                                         \
    X(DPG, double)                                                                                 \
    /* bad zones */                                                                                \
    X(CountBadZones, quint16)                                                                      \
    /* functional registers */                                                                     \
    X(SignalAccumulation, quint16)                                                                 \
    X(WindowEnabled, quint16)                                                                      \
    X(AlgoritmType, quint16)                                                                       \
    X(AveragingResults, quint16)                                                                   \
    X(MedianFilter, quint16)                                                                       \
    X(ControlSpeed, quint16)                                                                       \
    X(PredictionIntoBadZones, quint16)                                                             \
    X(ProcessingReflection, quint16)                                                               \
    X(TempAndPresCorrection, quint16)                                                              \
    X(MMPCorrection, quint16)                                                                      \
    X(EmptyTraining, quint16)                                                                      \
    /* information registers (input registers) */                                                  \
    X(HoldSettingsStart, quint16)                                                                  \
    X(HoldSettingsLength, quint16)                                                                 \
    X(HoldNllsStart, quint16)                                                                      \
    X(HoldNllsLength, quint16)                                                                     \
    X(HoldAltStart, quint16)                                                                       \
    X(HoldAltLength, quint16)                                                                      \
    X(HoldAllUserNumbReg, quint16)                                                                 \
    X(Hold35xUserNumbReg, quint16)                                                                 \
    X(HoldAllServNumbReg, quint16)                                                                 \
    X(Hold35xSoftNumbReg, quint16)                                                                 \
    X(Hold35xHardNumbReg, quint16)                                                                 \
    X(HoldFuncNumbReg, quint16)                                                                    \
    X(FreqsStart, quint16)                                                                         \
    X(FreqsLength, quint16)                                                                        \
    X(SCLK, quint32)                                                                               \
    X(TCLKDIV, quint16)                                                                            \
    X(RCLKDIV, quint16)                                                                            \
    X(NSamples, quint16)                                                                           \
    X(Nfft, quint16)                                                                               \
    X(Ampl, quint16)                                                                               \
    X(FreqRating, double)                                                                          \
    X(TimeStamp, qint64)                                                                           \
    X(TimeUsed, qint64)                                                                            \
    /* array read-out and modes */                                                                 \
    X(ControlCommandRequest, quint16)                                                              \
    X(ControlCommandAnswer, quint16)                                                               \
    X(Usil, quint16)                                                                               \
    X(ModePrediction, quint8)                                                                      \
    X(ProgonMode, int)

enum class TProp : int {
#define TALS_PROPERTY_ENUM(name, type) name,
    TALS_PROPERTIES(TALS_PROPERTY_ENUM)
#undef TALS_PROPERTY_ENUM
};

constexpr int kPropertyCount = 0
#define TALS_PROPERTY_COUNT(name, type) +1
    TALS_PROPERTIES(TALS_PROPERTY_COUNT)
#undef TALS_PROPERTY_COUNT
    ;

// The value kind of a property (its type in the model).
enum class TValueKind { Byte, Word, SignedWord, LongWord, Int64, Integer, Real };

// How a property travels in registers; every multi-register value goes most
// significant first (a Single: the register with the lower number carries the
// sign and exponent).
enum class TEncoding {
    None,       // not a register
    Word,       // 1 register, unsigned (integers: their low 16 bits)
    SignedWord, // 1 register, two's complement
    Single,     // 2 registers, IEEE 754 single
    LongWord,   // 2 registers, unsigned 32 bits
    Int64       // 4 registers, signed 64 bits
};

enum class TRegisterSpace { None, Holding, Input };

enum class TRegisterGroup {
    Identity,
    UserRegisters,
    CommonServiceRegisters,
    ServiceRegisters1,
    ServiceRegisters2,
    BadZones,
    FunctionalRegisters,
    InformationRegisters,
    ArrayAndModes
};

enum TPropertyFlag : unsigned {
    pfNone = 0,
    pfOnlyIfDifferent = 1u << 0, // a setter stores only a value different from the current one
    pfMaxIsHmax = 1u << 1,       // the upper limit is the current Hmax
    pfMaxIsLmax = 1u << 2,       // the upper limit is the current Lmax
    pfNonZero = 1u << 3,         // any value but 0
    pfNoSetter = 1u << 4,        // never set through the table
    pfTypical = 1u << 5,         // reset to its typical value by SetDefaults
    pfNotDecoded = 1u << 6,      // the answer to its read command is only validated
    pfHighFrequency = 1u << 7,   // other limits in the high-frequency mode
};

struct TPropertyInfo
{
    TProp Id;
    const char *Name; // the property name, as in code and parameter files
    TValueKind Kind;
    TRegisterGroup Group;
    double Default; // value after construction; the typical value
    double Min;     // accepted range, both ends included
    double Max;
    double HfMin; // range in the high-frequency mode (pfHighFrequency)
    double HfMax;
    unsigned Flags;
    TRegisterSpace Space;
    int Address; // register number as sent, -1 when none
    TEncoding Encoding;
    int ReadCode;           // single-property read command, -1 when none
    int WriteCode;          // single-property write command, -1 when none
    const char *IniSection; // section in parameter files, nullptr when not stored
    const char *IniKey;
    const char *Caption;     // UTF-8 caption of the parameters window, or nullptr
    const char *ListSection; // section of INI/Parameters.ini for list boxes, or nullptr

    int Words() const; // registers occupied (0 when not a register)
    bool IsReal() const { return Kind == TValueKind::Real; }
    bool HasFlag(TPropertyFlag f) const { return (Flags & f) != 0; }
};

std::span<const TPropertyInfo> PropertyTable();
const TPropertyInfo &PropertyInfo(TProp id);
const TPropertyInfo *FindPropertyByName(const char *name);
const TPropertyInfo *FindPropertyByReadCode(int code);
const TPropertyInfo *FindPropertyByWriteCode(int code);
// The property at a register, or nullptr.
const TPropertyInfo *FindPropertyByAddress(TRegisterSpace space, int address);
// Registers of a value kind's type: smallest and largest value.
double KindMinimum(TValueKind kind);
double KindMaximum(TValueKind kind);

// The register groups read and written as one block.
struct TBlockInfo
{
    int ReadCode;
    int WriteCode; // -1 when the block is read only
    TRegisterSpace Space;
    int ReadStart;
    int ReadCount;
    int WriteStart; // the written range may be smaller (2002 to 2009)
    int WriteCount;
};

std::span<const TBlockInfo> BlockTable();
const TBlockInfo *FindBlockByReadCode(int code);
const TBlockInfo *FindBlockByWriteCode(int code);

// Registers of the bad-zone block beyond CountBadZones: four singles per zone.
enum class TBadZoneValue { NearBound = 0, FarBound = 1, FillSpeed = 2, DrainSpeed = 3 };
constexpr int kBadZoneCount = 5;
// Register of one bad-zone value of zone 1..5.
int BadZoneAddress(TBadZoneValue value, int zone);

// Write commands that put a property into another register than its own.
struct TWriteAlias
{
    int WriteCode;
    TProp Property;
    int Address;
};
std::span<const TWriteAlias> WriteAliasTable();

// Parameters of the service protocol: id, what it carries, write and read codes.
struct TServiceParameter
{
    int Id;
    bool IsZoneValue;   // a bad-zone holder rather than a property
    TProp Property;     // when !IsZoneValue
    TBadZoneValue Zone; // when IsZoneValue
    int ZoneNumber;     // 1..5 when IsZoneValue
    int WriteCode;
    int ReadCode; // -1 when none
};
std::span<const TServiceParameter> ServiceParameterTable();

} // namespace tals
