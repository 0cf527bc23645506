#include "sim/register_map.h"

#include "protocol/frame.h"

#include <QString>
#include <QStringEncoder>

#include <chrono>
#include <cstring>

namespace tals::simmap {

namespace {

// The transducer's holding registers with their values after a reset and
// the ranges the device accepts (the high-frequency limits where they differ).
const TDef kHolding[] = {
    {1000, TRegKind::Single, 30000, 0, 30000, false},       // Hmax
    {1002, TRegKind::Single, 30000, 0, 30000, false},       // Lmax (also <= Hmax)
    {1004, TRegKind::Single, 0, 0, 30000, false},           // LevelKalibr (also <= Lmax)
    {1006, TRegKind::Single, 1, 0.01, 1, false},            // KKalman
    {1008, TRegKind::Single, 0, 0, 99.999, false},          // Speed
    {1010, TRegKind::Word, 1, 0, 3, false},                 // CurrentOutput_Input
    {1011, TRegKind::Word, 2, 0, 2, false},                 // CurrentOutput_Range
    {1012, TRegKind::Word, 3, 0, 4, false},                 // CurrentOutput_ErrorValue
    {1160, TRegKind::Single, 0, 0, 99.999, false},          // Speed, second address
    {1162, TRegKind::Word, 0, 0, 2, false},                 // LevelState
    {2000, TRegKind::Word, 0, 0, 65535, false},             // Password
    {2001, TRegKind::Word, 0, 0, 6, false},                 // ControlCommand
    {2002, TRegKind::Word, 1234, 0, 65535, true},           // PlantNumber
    {2003, TRegKind::Word, 6, 0, 12, true},                 // mbBaudRate
    {2004, TRegKind::Word, 2, 0, 2, true},                  // mbParity
    {2005, TRegKind::Word, 1, 0, 1, true},                  // CalibrModeTals
    {2006, TRegKind::Single, 1, 0.1, 1.5, true},            // KrPer
    {2008, TRegKind::Single, 0.001, -10000, 10000, true},   // SmPer
    {3000, TRegKind::Word, 0, 0, 4, true},                  // PPMType
    {3001, TRegKind::Word, 0, 0, 65535, true},              // PPMNumber
    {3002, TRegKind::Word, 1, 0, 65535, true},              // ProgramType
    {3003, TRegKind::Word, 1, 0, 1, true},                  // WDActive
    {3004, TRegKind::Word, 1, 0, 1, true},                  // WDUpdate
    {3005, TRegKind::Word, 0, 0, 255, true},                // Amplification
    {3006, TRegKind::Word, 1, 0, 1, true},                  // AutoControlAmplification
    {3007, TRegKind::Word, 0, 0, 1, true},                  // ModulationType
    {3008, TRegKind::Word, 1024, 512, 2048, true},          // CountSteps
    {3009, TRegKind::Word, 0, 0, 10, true},                 // MDOS
    {3010, TRegKind::Word, 4093, 2, 4095, true},            // FracDS
    {3011, TRegKind::Word, 15, 0, 15, true},                // Izns
    {3012, TRegKind::Word, 189, 23, 4095, true},            // DSint
    {3013, TRegKind::Word, 0, 0, 65535, true},              // DSfrac
    {3014, TRegKind::Signed, 88, -32768, 32767, true},      // DSdelta
    {3015, TRegKind::Single, 8, 4, 25, true},               // FreqPeriod
    {3017, TRegKind::Single, 24, 0, kInf, true},            // FreqValue
    {3100, TRegKind::Word, 5, 5, 65535, true},              // CountSkip
    {3101, TRegKind::Word, 1, 1, 65535, true},              // IncreaseFreqStep
    {3102, TRegKind::Word, 0, 0, 1, true},                  // CountFixedFreqs
    {3103, TRegKind::Word, 0, 0, 1, true},                  // CountFreqs
    {3104, TRegKind::Word, 0, 0, 1, true},                  // WindowBlackmanEnabled
    {3105, TRegKind::Single, -0.00015, -2, 2, true},        // KrFChH
    {3107, TRegKind::Single, -2.75, -1000, 1000, true},     // SmFChH
    {3109, TRegKind::Single, 30000, 10, 30000, true},       // Radius
    {3111, TRegKind::Single, 9072, 9000, 27000, true},      // FreqNes
    {3113, TRegKind::Single, 1056.774048, 400, 3300, true}, // FreqDev
    {3115, TRegKind::Single, 2, 1.1, 100, true},            // ODPM
    {3117, TRegKind::Single, 8, 0, kInf, true},             // FreqBeg
    {3119, TRegKind::Word, 20, 20, 60, true},               // MUP
    {3120, TRegKind::Word, 10, 1, 100, true},               // CoundNOS
    {3121, TRegKind::Word, 10, 1, 100, true},               // CoundNRI
    {3122, TRegKind::Single, 22, -50, 300, true},           // RezTemperature
    {3124, TRegKind::Single, 101, 80, 2500, true},          // RezPressure
    {3126, TRegKind::Single, 1.00059, 1, 1.1, true},        // DPG
    {3128, TRegKind::Word, 1, 1, 5, true},                  // CountBadZones
    // 3129..3168: the five bad zones (near, far, fill, drain), added below
    {3200, TRegKind::Word, 0, 0, 1, true}, // SignalAccumulation
    {3201, TRegKind::Word, 2, 0, 2, true}, // WindowEnabled
    {3202, TRegKind::Word, 0, 0, 4, true}, // AlgoritmType
    {3203, TRegKind::Word, 0, 0, 1, true}, // AveragingResults
    {3204, TRegKind::Word, 0, 0, 1, true}, // MedianFilter
    {3205, TRegKind::Word, 1, 0, 1, true}, // ControlSpeed
    {3206, TRegKind::Word, 0, 0, 2, true}, // PredictionIntoBadZones
    {3207, TRegKind::Word, 1, 0, 1, true}, // ProcessingReflection
    {3208, TRegKind::Word, 1, 0, 1, true}, // TempAndPresCorrection
    {3209, TRegKind::Word, 0, 0, 1, true}, // MMPCorrection
    {3210, TRegKind::Word, 0, 0, 1, true}, // EmptyTraining
};

std::vector<TDef> BuildHoldingTable()
{
    std::vector<TDef> table(std::begin(kHolding), std::end(kHolding));
    for (int z = 0; z < 5; ++z) {
        table.push_back({3129 + 2 * z, TRegKind::Single, 0, 0, 45000, true});   // NearBound
        table.push_back({3139 + 2 * z, TRegKind::Single, 0, 0, 45000, true});   // FarBound
        table.push_back({3149 + 2 * z, TRegKind::Single, 100, 0, 10000, true}); // FillSpeed
        table.push_back({3159 + 2 * z, TRegKind::Single, 100, 0, 10000, true}); // DrainSpeed
    }
    return table;
}

} // namespace

const std::vector<TDef> &HoldingTable()
{
    static const std::vector<TDef> table = BuildHoldingTable();
    return table;
}

const TDef *FindDef(int reg, bool *lowHalf)
{
    for (const TDef &d : HoldingTable()) {
        if (d.Reg == reg) {
            if (lowHalf)
                *lowHalf = false;
            return &d;
        }
        if (d.Kind == TRegKind::Single && d.Reg + 1 == reg) {
            if (lowHalf)
                *lowHalf = true;
            return &d;
        }
    }
    return nullptr;
}

quint32 FloatBits(float f)
{
    quint32 u;
    std::memcpy(&u, &f, 4);
    return u;
}

float BitsFloat(quint32 u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

quint16 Word(const QByteArray &f, int i)
{
    return BytesToWord(ByteAt(f, i), ByteAt(f, i + 1));
}

void PutWord(QByteArray &f, quint16 w)
{
    AppendWord(f, w);
}

// The service protocol's parameter ids and the holding registers behind them.
int ParameterRegister(int id)
{
    switch (id) {
    case 0:
        return 2006; // KrPer
    case 1:
        return 2008; // SmPer
    case 2:
        return 1000; // Hmax
    case 3:
        return 1002; // Lmax
    case 4:
        return 1006; // KKalman
    case 6:
        return 1008; // Speed
    case 10:
        return 1004; // LevelKalibr
    case 60:
        return 3105; // KrFChH
    case 61:
        return 3107; // SmFChH
    case 62:
        return 3109; // Radius
    case 63:
        return 3111; // FreqNes
    case 64:
        return 3113; // FreqDev
    case 65:
        return 3115; // ODPM
    default:
        break;
    }
    if (id >= 20 && id < 25)
        return 3129 + 2 * (id - 20);
    if (id >= 30 && id < 35)
        return 3139 + 2 * (id - 30);
    if (id >= 40 && id < 45)
        return 3149 + 2 * (id - 40);
    if (id >= 50 && id < 55)
        return 3159 + 2 * (id - 50);
    return -1;
}

// The service protocol's setting ids and their word registers.
int SettingRegister(int id)
{
    switch (id) {
    case 0:
        return 2005; // CalibrModeTals
    case 4:
        return 3128; // CountBadZones
    case 6:
        return 3206; // PredictionIntoBadZones
    case 8:
        return 3119; // MUP
    default:
        return -1;
    }
}

bool IsServiceFunction(quint8 function)
{
    switch (function) {
    case 0x01:
    case 0x02:
    case 0x20:
    case 0x25:
    case 0x30:
    case 0xA2:
    case 0xA8:
    case 0xB1:
    case 0xB2:
    case 0xB3:
    case 0xB4:
    case 0xB5:
    case 0xB6:
        return true;
    default:
        return false;
    }
}

double NowSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

QByteArray Field(const char *utf8, int n)
{
    QStringEncoder encoder("windows-1251");
    QByteArray t = QByteArray(encoder.encode(QString::fromUtf8(utf8))).left(n);
    while (t.size() < n)
        t.append(' ');
    return t;
}

} // namespace tals::simmap
