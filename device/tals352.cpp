#include "device/tals352.h"

#include "device/answer_parser.h"
#include "device/request_builder.h"

#include <algorithm>
#include <cmath>

namespace tals {

namespace {

void Describe(TIODouble &holder, const QString &title, const QString &hint, const QString &unit,
              double min, double max, int digits)
{
    TDescriptionOfDouble &d = holder.Description();
    d.Title = title;
    d.Hint = hint;
    d.Dimension = unit;
    d.SetMin(min);
    d.SetMax(max);
    d.Format = nfGeneral;
    d.Precision = 9;
    d.Digits = static_cast<quint8>(digits);
}

std::unique_ptr<TIODouble> MakeDouble(const QString &title, const QString &hint,
                                      const QString &unit, double min, double max, int digits)
{
    auto holder = std::make_unique<TIODouble>();
    Describe(*holder, title, hint, unit, min, max, digits);
    holder->SetValue(TVariant(0), 0);
    return holder;
}

} // namespace

const std::array<TTals35xISignature::TField, 10> &TTals35xISignature::Fields()
{
    using S = TTals35xISignature;
    static const std::array<TField, 10> fields{{{"Device", &S::Device},
                                                {"DeviceName", &S::DeviceName},
                                                {"DeviceType", &S::DeviceType},
                                                {"PlantNumber", &S::PlantNumber},
                                                {"HardVersion", &S::HardVersion},
                                                {"SoftVersion", &S::SoftVersion},
                                                {"Manufactured", &S::Manufactured},
                                                {"Site", &S::Site},
                                                {"KRSV", &S::KRSV},
                                                {"crc", &S::crc}}};
    return fields;
}

void TTals35xISignature::Clear()
{
    for (const TField &f : Fields())
        (this->*f.Member).clear();
}

TBadZone::TBadZone(int number) : m_number(number)
{
    Description.Title = QStringLiteral("%1.Плохая зона").arg(number);
    Description.Hint = Description.Title;
    const QString mm = QStringLiteral("мм");
    const QString mms = QStringLiteral("мм/с");
    Describe(NearBound, QStringLiteral("Ближняя граница"),
             QStringLiteral("Ближняя от фланца граница плохой зоны"), mm, 0, 100, 1);
    Describe(FarBound, QStringLiteral("Дальняя граница"),
             QStringLiteral("Дальняя от фланца граница плохой зоны"), mm, 0, 100, 1);
    Describe(FillSpeed, QStringLiteral("Скорость налива"), QStringLiteral("Скорость налива"), mms,
             0, 100, 1);
    Describe(DrainSpeed, QStringLiteral("Скорость слива"), QStringLiteral("Скорость слива"), mms, 0,
             100, 1);
    for (TIODouble *h : {&NearBound, &FarBound, &FillSpeed, &DrainSpeed})
        h->Tag = number;
    SetTypical();
}

TIODouble &TBadZone::Value(TBadZoneValue which)
{
    switch (which) {
    case TBadZoneValue::NearBound:
        return NearBound;
    case TBadZoneValue::FarBound:
        return FarBound;
    case TBadZoneValue::FillSpeed:
        return FillSpeed;
    case TBadZoneValue::DrainSpeed:
        break;
    }
    return DrainSpeed;
}

void TBadZone::SetTypical()
{
    NearBound.SetValue(TVariant(0), 0);
    FarBound.SetValue(TVariant(0), 0);
    FillSpeed.SetValue(TVariant(100), 0);
    DrainSpeed.SetValue(TVariant(100), 0);
}

TBadZones::TBadZones()
{
    for (int z = 1; z <= kBadZoneCount; ++z)
        m_zones[static_cast<std::size_t>(z - 1)] = std::make_unique<TBadZone>(z);
}

Ttals352::Ttals352(const TProgramModes &modes) : m_modes(modes)
{
    // Properties start at their table values (integers zero where the table
    // says so); SetDefaults then runs the typical groups through the setters
    // so that their side effects (calibration tables) take place.
    for (const TPropertyInfo &p : PropertyTable()) {
        if (p.IsReal())
            Store(p.Id, TVariant(0.0));
        else
            Store(p.Id, TVariant(static_cast<qint64>(p.HasFlag(pfTypical) ? 0 : p.Default)));
    }
    Store(TProp::ProgonMode, TVariant(0));
    CreateHolders();
    SetDefaults();
    SetValueDigits(1);
    SetProgonMode(5);
}

Ttals352::~Ttals352() = default;

void Ttals352::CreateHolders()
{
    const QString mm = QStringLiteral("мм");
    const int digits = ValueDigits();
    m_beatFrequency = MakeDouble(QStringLiteral("Оценка частоты биений"),
                                 QStringLiteral("Оценка частоты биений"), QString(), 0, 100000, 2);
    auto reading = [this](TReading id) -> std::unique_ptr<TIODouble> & {
        return m_readings[static_cast<std::size_t>(id)];
    };
    reading(TReading::LevelBusy) = MakeDouble(
        QStringLiteral("Уровень"), QStringLiteral("Уровень продукта"), mm, 0, 45000, digits);
    m_reserve = MakeDouble(QStringLiteral("Резерв"), QStringLiteral("Резерв"), QStringLiteral("-"),
                           0, 45000, 3);
    reading(TReading::LevelFree) =
        MakeDouble(QStringLiteral("Свободное простанство"),
                   QStringLiteral("Свободное пространство емкости"), mm, 0, 45000, digits);
    reading(TReading::Distance) =
        MakeDouble(QStringLiteral("Расстояние"), QStringLiteral("Расстояние до продукта"), mm, 0,
                   45000, digits);
    reading(TReading::TestDistance) =
        MakeDouble(QStringLiteral("Тестовое расстояние"),
                   QStringLiteral("Тестовое расстояние до продукта"), mm, 0, 45000, 1);
    reading(TReading::TestDistanceFlt) =
        MakeDouble(QStringLiteral("Тестовое обработанное расстояние "),
                   QStringLiteral("Тестовое обработанное расстояние до продукта"), mm, 0, 45000, 1);
    reading(TReading::TmpOfSensor) =
        MakeDouble(QStringLiteral("Температура"), QStringLiteral("Температура внутри прибора"),
                   QStringLiteral("°C"), -50, 100, 1);
    reading(TReading::CurrentOutput) =
        MakeDouble(QStringLiteral("Ток"), QStringLiteral("Ток"), QStringLiteral("мА"), 0, 20, 2);

    m_linkState = std::make_unique<TIOThreeStates>();
    TDescriptionOfThreeStates &link = m_linkState->Description();
    link.Title = QStringLiteral("Ошибка");
    link.Hint = QStringLiteral("Ошибка обмена");
    link.SetCaptions(QStringLiteral("Не известно"), QStringLiteral("Ошибка"),
                     QStringLiteral("Норма"));
    link.SetColors1(0, 0, 0);
    link.SetColors2(0, 255, 65280);
    m_linkState->SetValue(TVariant(0), 0);

    m_inUse = std::make_unique<TIOThreeStates>();
    TDescriptionOfThreeStates &use = m_inUse->Description();
    use.Title = QStringLiteral("Используется");
    use.Hint = use.Title;
    use.SetCaptions(QStringLiteral("Не известно"), QStringLiteral("Да"), QStringLiteral("Нет"));
    use.SetColors1(clBtnFace, clBtnFace, clBtnFace);
    use.SetColors2(clBtnFace, clBtnFace, clBtnFace);
    m_inUse->SetValue(TVariant(2), 0);

    m_deviceDescription.Title = QStringLiteral("ТАЛС352И");
    m_deviceDescription.Hint = m_deviceDescription.Title;
}

double Ttals352::PropertyMin(TProp p) const
{
    const TPropertyInfo &info = PropertyInfo(p);
    if (info.HasFlag(pfHighFrequency) && m_modes.HighFrequencyMode)
        return info.HfMin;
    return info.Min;
}

double Ttals352::PropertyMax(TProp p) const
{
    const TPropertyInfo &info = PropertyInfo(p);
    if (info.HasFlag(pfMaxIsHmax))
        return Hmax();
    if (info.HasFlag(pfMaxIsLmax))
        return Lmax();
    if (info.HasFlag(pfHighFrequency) && m_modes.HighFrequencyMode)
        return info.HfMax;
    return info.Max;
}

bool Ttals352::SetProperty(TProp p, const TVariant &value)
{
    const TPropertyInfo &info = PropertyInfo(p);
    if (info.HasFlag(pfNoSetter))
        return false;
    TVariant stored;
    if (info.IsReal()) {
        const double v = value.ToDouble();
        if (!InRange(v, PropertyMin(p), PropertyMax(p)))
            return false;
        stored = TVariant(v);
    } else {
        const double asReal = value.ToDouble();
        if (!std::isfinite(asReal))
            return false;
        // Reals are rounded half to even; values outside the type are refused
        // rather than wrapped.
        const double rounded = value.IsReal() ? std::nearbyint(asReal) : asReal;
        if (!InRange(rounded, KindMinimum(info.Kind), KindMaximum(info.Kind)) ||
            !InRange(rounded, PropertyMin(p), PropertyMax(p)))
            return false;
        const qint64 v = value.IsReal() ? static_cast<qint64>(rounded) : value.ToInteger();
        if (info.HasFlag(pfNonZero) && v == 0)
            return false;
        stored = TVariant(v);
    }
    const TVariant old = m_values[Index(p)];
    if (info.HasFlag(pfOnlyIfDifferent) && old == stored)
        return false;
    Store(p, stored);
    AfterSet(p, old);
    return true;
}

void Ttals352::AfterSet(TProp p, const TVariant &old)
{
    switch (p) {
    case TProp::ControlCommand:
        Store(TProp::ControlCommandRequest, m_values[Index(p)]);
        Store(TProp::ControlCommandAnswer, TVariant(0));
        break;
    case TProp::ErrorMax:
        if (old != m_values[Index(p)])
            m_failureCount = 0;
        break;
    case TProp::ValueDigits: {
        const auto digits = static_cast<quint8>(ValueDigits());
        for (TReading r : {TReading::LevelBusy, TReading::LevelFree, TReading::Distance})
            if (TIODouble *h = m_readings[static_cast<std::size_t>(r)].get())
                h->Description().Digits = digits;
        break;
    }
    case TProp::CalibrMode:
        if (CalibrMode() == 2 || CalibrMode() == 5) {
            SetCalibrModeTals(CalibrMode() == 2 ? 1 : 0);
            ResetCalibrTable(CalibrTable, CalibrMode());
        }
        break;
    case TProp::CalibrModeMMP:
        if (CalibrModeMMP() == 2 || CalibrModeMMP() == 5)
            ResetCalibrTable(CalibrTableMMP, CalibrModeMMP());
        break;
    case TProp::ProgonMode:
        if (ProgonMode() == 2 || ProgonMode() == 5) {
            MakeProgonTemplate();
            ProgonGate = 300;
        }
        break;
    default:
        break;
    }
}

bool Ttals352::Enabled() const
{
    return m_inUse->Value().ToBool();
}

void Ttals352::SetEnabled(bool value)
{
    m_inUse->SetValue(TVariant(value), 0);
}

void Ttals352::SetError(int code, const QString &text)
{
    SetErrorState(code, text);
    m_linkState->Description().SetCaption(tsTrue, text);
    m_linkState->SetValue(TVariant(2), 0);
}

void Ttals352::SetErrorState(int code, const QString &text)
{
    m_errorCode = code;
    m_errorText = text;
}

void Ttals352::SetDefaults()
{
    // Table order: user registers, common service, service 1 and 2, bad-zone
    // count, functional and information registers.
    for (const TPropertyInfo &p : PropertyTable())
        if (p.HasFlag(pfTypical))
            SetProperty(p.Id, p.IsReal() ? TVariant(p.Default)
                                         : TVariant(static_cast<qint64>(p.Default)));
    // The password is reset without a range check.
    Store(TProp::Password, TVariant(0));
    for (int z = 1; z <= kBadZoneCount; ++z)
        m_badZones.Zone(z).SetTypical();
}

QString Ttals352::DeviceTypeName() const
{
    switch (ProgramType()) {
    case 0:
        return QStringLiteral("ТАЛС351И");
    case 1:
        return QStringLiteral("ТАЛС352И");
    default:
        return QStringLiteral("Не известно");
    }
}

QString Ttals352::RangeName(int rangeCode)
{
    switch (rangeCode) {
    case 0:
        return QStringLiteral("0-5 мА");
    case 1:
        return QStringLiteral("0-20 мА");
    case 2:
        return QStringLiteral("4-20 мА");
    default:
        return QStringLiteral("Не известно");
    }
}

QString Ttals352::AlgorithmName() const
{
    switch (AlgoritmType()) {
    case 0:
        return QStringLiteral("БПФ");
    case 1:
        return QStringLiteral("БПФ + ММП без учета скачков");
    case 2:
        return QStringLiteral("БПФ + ММП с учетом скачков");
    case 3:
        return QStringLiteral("МННК");
    default:
        return QStringLiteral("Не известно");
    }
}

QString Ttals352::StatusText(quint16 statusWord)
{
    static const char *const messages[16] = {
        "1.Неисправен датчик температуры внутри блока обработки",
        "2.Недопустимая температура окружающей среды",
        "3.Потеря данных о настройках пользователя в ПЗУ",
        "4.Ошибка при сохранении данных в ПЗУ, сбой или отказ ПЗУ",
        "5.Потеря данных о калибровке в ПЗУ",
        "6.Отсутствуют данные для проведения измерений",
        "7.Полученные при проведении измерений данные недостоверны",
        "8.Интенсивность принимаемого радиосигнала ниже предельно допустимой",
        "9.Интенсивность принимаемого радиосигнала выше предельно допустимой",
        "10.Сбой при выполнении программы",
        "11.Зарезервировано",
        "12.Зарезервировано",
        "13.Зарезервировано",
        "14.Зарезервировано",
        "15.Зарезервировано",
        "16.Зарезервировано",
    };
    QStringList lines;
    for (int bit = 0; bit < 16; ++bit)
        if (BitIsSet(statusWord, bit))
            lines << QString::fromUtf8(messages[bit]);
    return lines.join(QStringLiteral("\r\n"));
}

QString Ttals352::StatusBits(quint16 word)
{
    return QStringLiteral("%1").arg(word, 16, 2, QLatin1Char('0'));
}

void Ttals352::OpenFullAccess()
{
    Store(TProp::Password, TVariant(kFullAccessPassword));
}

void Ttals352::CloseFullAccess()
{
    Store(TProp::Password, TVariant(0));
}

double Ttals352::SpectrumMax() const
{
    return std::max(0.0, *std::max_element(SpectrumArray.begin(), SpectrumArray.end()));
}

double Ttals352::ResidualMax() const
{
    return std::max(0.0, *std::max_element(ResidualArray.begin(), ResidualArray.end()));
}

double Ttals352::ExpectedCurrent(double level) const
{
    const double lmax = Lmax();
    switch (CurrentOutput_Range()) {
    case 0:
        return lmax > 0 ? level * 5 / lmax : 0;
    case 1:
        return lmax > 0 ? level * 20 / lmax : 0;
    case 2:
        return lmax > 0 ? level * 16 / lmax + 4 : 4;
    default:
        return level;
    }
}

void Ttals352::MakeProgonTemplate()
{
    for (std::size_t i = 0; i < ProgonTable.size(); ++i) {
        TProgonRow &row = ProgonTable[i];
        row.Ruletka = 2000.0 * static_cast<double>(i + 1);
        row.SetLevel = 15000 - row.Ruletka;
        row.Value = row.SetLevel;
        row.Current = ExpectedCurrent(row.SetLevel);
        row.CurrentValue = 0;
    }
    RecomputeProgonDifferences();
}

void Ttals352::RecomputeProgonDifferences()
{
    for (TProgonRow &row : ProgonTable) {
        row.DValue = row.SetLevel - row.Value;
        row.Current = ExpectedCurrent(row.Value);
        row.DCurrentValue = row.Current - row.CurrentValue;
    }
}

void Ttals352::ResetCalibrTable(TCalibrTable &table, int points)
{
    static const double five[5] = {10000, 8000, 6000, 4000, 2000};
    table.Points = {};
    if (points == 2) {
        table.Points[0] = {10000, 10000};
        table.Points[1] = {2000, 2000};
    } else {
        for (int i = 0; i < 5; ++i)
            table.Points[static_cast<std::size_t>(i)] = {five[i], five[i]};
    }
    table.Tolerance = 1000;
}

TIODouble *Ttals352::FindReading(const QString &name)
{
    const TReadingInfo *info = FindReadingByName(name);
    return info ? &Reading(info->Id) : nullptr;
}

} // namespace tals
