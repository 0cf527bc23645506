#pragma once

// The program's picture of one connected level transducer: every register as
// a property with its typical value and accepted range (described once in
// register_table.h), the live readings as value holders, the exchange status,
// the identification record, the diagnostic arrays, the five bad zones and
// the calibration and run tables. Written on the user-interface thread;
// building a request (request_builder.h) only reads it, apart from
// LastCommandCode and the service-protocol bytes.

#include "device/io_data.h"
#include "device/program_modes.h"
#include "device/reading_table.h"
#include "device/register_table.h"
#include "protocol/frame.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>

namespace tals {

// The identification record read by commands 1 to 3.
struct TTals35xISignature
{
    QString Device;
    QString DeviceName;
    QString DeviceType;
    QString PlantNumber;
    QString HardVersion;
    QString SoftVersion;
    QString Manufactured;
    QString Site;
    QString KRSV;
    QString crc;

    // The ten fields in order with their names ("Device", ... "crc"); parameter
    // files store them under "Signature." + name.
    struct TField
    {
        const char *Name;
        QString TTals35xISignature::*Member;
    };
    static const std::array<TField, 10> &Fields();
    void Clear();
    bool operator==(const TTals35xISignature &) const = default;
};

// One interference zone: near and far bound, fill and drain speed.
class TBadZone
{
public:
    explicit TBadZone(int number);
    TBadZone(const TBadZone &) = delete;
    TBadZone &operator=(const TBadZone &) = delete;

    int Number() const { return m_number; }
    TDescriptionOfValue Description;
    TIODouble NearBound;
    TIODouble FarBound;
    TIODouble FillSpeed;
    TIODouble DrainSpeed;

    TIODouble &Value(TBadZoneValue which);
    // 0, 0, 100, 100.
    void SetTypical();

private:
    int m_number;
};

class TBadZones
{
public:
    TBadZones();
    // Zone 1 to 5.
    TBadZone &Zone(int number) { return *m_zones.at(static_cast<std::size_t>(number - 1)); }
    const TBadZone &Zone(int number) const
    {
        return *m_zones.at(static_cast<std::size_t>(number - 1));
    }

private:
    std::array<std::unique_ptr<TBadZone>, kBadZoneCount> m_zones;
};

// A calibration table: up to five (set value, measured value) pairs and the
// capture tolerance. Only points 1 to the table's mode are in use.
struct TCalibrPoint
{
    double SetValue = 0;
    double Measured = 0;
    bool operator==(const TCalibrPoint &) const = default;
};
struct TCalibrTable
{
    std::array<TCalibrPoint, 5> Points{};
    double Tolerance = 0;
    bool operator==(const TCalibrTable &) const = default;
};

// The table and the coefficients a calibration computation started from, so
// that computing again over the same captures starts from the same
// coefficients instead of correcting the correction.
struct TCalibrFitBase
{
    bool Valid = false;
    TCalibrTable Table;
    int Count = 0;
    double Slope = 0;
    double Offset = 0;
    bool Covers(const TCalibrTable &table, int count) const
    {
        return Valid && Count == count && Table == table;
    }
};

// One row of the current-output run table.
struct TProgonRow
{
    double Ruletka = 0;
    double SetLevel = 0;
    double Value = 0;
    double DValue = 0;
    double Current = 0;
    double CurrentValue = 0;
    double DCurrentValue = 0;
};

class Ttals352
{
public:
    using TOnReadSignature =
        std::function<void(Ttals352 *sender, quint8 address, int deviceType, quint16 plantNumber,
                           quint8 hardVersion, quint8 softVersion)>;
    using TOnReadAddress = std::function<void(Ttals352 *sender, quint16 address, bool matches)>;

    // The modes object is the program-wide one; the model reads
    // HighFrequencyMode from it whenever a setter runs.
    explicit Ttals352(const TProgramModes &modes);
    ~Ttals352();
    Ttals352(const Ttals352 &) = delete;
    Ttals352 &operator=(const Ttals352 &) = delete;

    const TProgramModes &Modes() const { return m_modes; }
    QString Name() const { return QStringLiteral("Tals352"); }
    int Tag = 0;

    // --- Generic access by table entry ---------------------------------------
    TVariant Property(TProp p) const { return m_values[Index(p)]; }
    double PropertyAsDouble(TProp p) const { return m_values[Index(p)].ToDouble(); }
    // Through the property's setter: out-of-range values (for integer kinds
    // also values outside the type, reals are rounded) are ignored. Returns
    // whether the value was stored.
    bool SetProperty(TProp p, const TVariant &value);
    bool SetPropertyFromDouble(TProp p, double value) { return SetProperty(p, TVariant(value)); }
    // Limits a setter applies at this moment (they follow Hmax, Lmax and the
    // high-frequency mode).
    double PropertyMin(TProp p) const;
    double PropertyMax(TProp p) const;

    // --- Named accessors, one pair per table entry -----------------------------
#define TALS_PROPERTY_ACCESSORS(name, type)                                                        \
    type name() const                                                                              \
    {                                                                                              \
        return Get<type>(TProp::name);                                                             \
    }                                                                                              \
    void Set##name(type value)                                                                     \
    {                                                                                              \
        SetProperty(TProp::name, TVariant(value));                                                 \
    }
    TALS_PROPERTIES(TALS_PROPERTY_ACCESSORS)
#undef TALS_PROPERTY_ACCESSORS

    // The scheduler's in-use flag, kept in the InUse holder.
    bool Enabled() const;
    void SetEnabled(bool value);

    // --- Value holders ---------------------------------------------------------
    TIODouble &BeatFrequency()
    {
        return *m_beatFrequency;
    }
    // The reading holders, one per row of the reading table.
    TIODouble &Reading(TReading id)
    {
        return *m_readings[static_cast<std::size_t>(id)];
    }
    const TIODouble &Reading(TReading id) const
    {
        return *m_readings[static_cast<std::size_t>(id)];
    }
    TIODouble &LevelBusy()
    {
        return Reading(TReading::LevelBusy);
    }
    TIODouble &Reserve()
    {
        return *m_reserve;
    }
    TIODouble &LevelFree()
    {
        return Reading(TReading::LevelFree);
    }
    TIODouble &Distance()
    {
        return Reading(TReading::Distance);
    }
    const TIODouble &Distance() const
    {
        return Reading(TReading::Distance);
    }
    TIODouble &TestDistance()
    {
        return Reading(TReading::TestDistance);
    }
    TIODouble &TestDistanceFlt()
    {
        return Reading(TReading::TestDistanceFlt);
    }
    TIODouble &TmpOfSensor()
    {
        return Reading(TReading::TmpOfSensor);
    }
    TIODouble &CurrentOutput()
    {
        return Reading(TReading::CurrentOutput);
    }
    // The reading holder under its table name ("Distance", ...), or null.
    TIODouble *FindReading(const QString &name);
    TIOThreeStates &LinkState()
    {
        return *m_linkState;
    }
    TIOThreeStates &InUse()
    {
        return *m_inUse;
    }
    const TIOThreeStates &LinkState() const
    {
        return *m_linkState;
    }
    const TIOThreeStates &InUse() const
    {
        return *m_inUse;
    }
    TDescriptionOfValue &DeviceDescription()
    {
        return m_deviceDescription;
    }
    TBadZones &BadZones()
    {
        return m_badZones;
    }
    const TBadZones &BadZones() const
    {
        return m_badZones;
    }
    TBadZone &BadZone(int number)
    {
        return m_badZones.Zone(number);
    }

    // --- Exchange status -------------------------------------------------------
    int ErrorCode() const
    {
        return m_errorCode;
    }
    const QString &ErrorText() const
    {
        return m_errorText;
    }
    int FailureCount() const
    {
        return m_failureCount;
    }
    void ResetFailures()
    {
        m_failureCount = 0;
    }
    void CountFailure()
    {
        ++m_failureCount;
    }
    bool FailureLimitReached() const
    {
        return m_failureCount >= ErrorMax();
    }
    // Reports a failure: code and text, caption 2 of LinkState, LinkState 2.
    void SetError(int code, const QString &text);
    // Sets code and text without touching LinkState (start of a parse, status word).
    void SetErrorState(int code, const QString &text);

    // --- Typical values, names, status -----------------------------------------
    void SetDefaults();
    QString DeviceTypeName() const;
    QString CurrentRangeName() const
    {
        return RangeName(CurrentOutput_Range());
    }
    static QString RangeName(int rangeCode);
    QString AlgorithmName() const;
    static QString StatusText(quint16 statusWord);
    static QString StatusBits(quint16 word);
    bool NewSoftware() const
    {
        return SoftVersionNumber() > 1;
    }

    // --- Full access -------------------------------------------------------------
    static constexpr quint16 kFullAccessPassword = 24680;
    void OpenFullAccess();
    void CloseFullAccess();
    bool IsFullAccess() const
    {
        return Password() == kFullAccessPassword;
    }

    // --- Identification ------------------------------------------------------------
    TTals35xISignature &Signature()
    {
        return m_signature;
    }
    void GetSignature(TTals35xISignature &out) const
    {
        out = m_signature;
    }
    void ClearSignature()
    {
        m_signature.Clear();
    }
    TOnReadSignature OnReadSignature;
    TOnReadAddress OnReadAddress;

    // --- Arrays ----------------------------------------------------------------------
    static constexpr int kSignalSize = 2060;
    static constexpr int kSpectrumSize = 512;
    std::array<quint16, kSignalSize> SignalArray{};
    std::array<double, kSpectrumSize> SpectrumArray{};
    std::array<double, kSpectrumSize> ResidualArray{};
    quint16 ArrayBlockIndex = 0;
    bool IsArrayReady() const
    {
        return ControlCommandRequest() == ControlCommandAnswer();
    }
    double SpectrumMax() const;
    double ResidualMax() const;
    void ClearSpectrum()
    {
        SpectrumArray.fill(0);
    }
    void ClearResidual()
    {
        ResidualArray.fill(0);
    }
    void ClearSignal()
    {
        SignalArray.fill(0);
    }

    // --- Texts -----------------------------------------------------------------------
    QString PPMNumberText;
    QString OrderNumber;

    // --- Request state -------------------------------------------------------------
    // The code of the last request built; set by the builder on any thread.
    quint8 LastCommandCode() const
    {
        return m_lastCommandCode.load();
    }
    void SetLastCommandCode(quint8 code)
    {
        m_lastCommandCode.store(code);
    }
    // Service-protocol memory, set by the builder.
    quint8 ArrayKind = 0;
    quint8 ArraySubKind = 0;
    quint8 SettingId = 0;
    quint8 ParameterWriteId = 0;
    quint8 B4Value = 0;
    quint8 SettingReadId = 0;
    quint8 ParameterReadId = 0;

    // --- Calibration and run tables ----------------------------------------------------
    // FFT table (CalibrMode points) with the coefficients before the last fit.
    TCalibrTable CalibrTable;
    double PrevKrPer = 0;
    double PrevSmPer = 0;
    // What the last FFT fit (KrPer, SmPer) and MMP computation (KrFChH,
    // SmFChH) started from.
    TCalibrFitBase FftFitBase;
    TCalibrFitBase MmpFitBase;
    // MMP table (CalibrModeMMP points).
    TCalibrTable CalibrTableMMP;
    // Current-output run table (ProgonMode rows) and the gate width.
    std::array<TProgonRow, 5> ProgonTable{};
    double ProgonGate = 300;
    // The current expected at a level under the current-output range and Lmax.
    double ExpectedCurrent(double level) const;
    // Fills the run table from its template (taps 2000 to 10000 mm).
    void MakeProgonTemplate();
    // DValue, Current and DCurrentValue of every row from the captured values.
    void RecomputeProgonDifferences();
    // The two- or five-point table defaults, tolerance 1000.
    static void ResetCalibrTable(TCalibrTable &table, int points);

    // --- Requests and answers (request_builder.h, answer_parser.h) -----------------------
    struct TRequest
    {
        bool Ok = false;
        TFrame Frame;
        QString ErrorText;
        QString Warning; // sent regardless; for the operator to read
    };
    // The status word of the last readings answer, so that the black box
    // notes a fault only when the word changes.
    quint16 LastStatusWord = 0;
    // What was wrong with the last transducer answer decoded, before the
    // failure counting decides whether it is reported: the bus scan tells a
    // silent address from a garbled answer (several devices answering) by it.
    enum class TAnswerFault { None, NoAnswer, WrongLength, BadCrc, OtherDevice, Exception };
    TAnswerFault LastAnswerFault = TAnswerFault::None;

private:
    static std::size_t Index(TProp p)
    {
        return static_cast<std::size_t>(p);
    }
    template <class T> T Get(TProp p) const
    {
        if constexpr (std::is_floating_point_v<T>)
            return static_cast<T>(m_values[Index(p)].ToDouble());
        else
            return static_cast<T>(m_values[Index(p)].ToInteger());
    }
    void Store(TProp p, const TVariant &value)
    {
        m_values[Index(p)] = value;
    }
    void AfterSet(TProp p, const TVariant &old);
    void CreateHolders();

    const TProgramModes &m_modes;
    std::array<TVariant, kPropertyCount> m_values{};

    std::unique_ptr<TIODouble> m_beatFrequency;
    std::unique_ptr<TIODouble> m_reserve;
    std::array<std::unique_ptr<TIODouble>, kReadingCount> m_readings;
    std::unique_ptr<TIOThreeStates> m_linkState;
    std::unique_ptr<TIOThreeStates> m_inUse;
    TDescriptionOfValue m_deviceDescription;
    TBadZones m_badZones;

    int m_errorCode = 0;
    QString m_errorText = QStringLiteral("Норма");
    int m_failureCount = 0;
    TTals35xISignature m_signature;
    std::atomic<quint8> m_lastCommandCode{0};
};

} // namespace tals
