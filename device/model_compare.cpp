#include "device/model_compare.h"

#include "device/command_table.h"
#include "device/tals352.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace tals {

namespace {

constexpr int kBlockWrites[] = {cmd::WriteUserRegisters,       cmd::WriteCommonServiceRegisters,
                                cmd::WriteServiceRegisters1,   cmd::WriteServiceRegisters2,
                                cmd::WriteFunctionalRegisters, cmd::WriteBadZones};
constexpr int kBlockReads[] = {cmd::ReadUserRegisters,       cmd::ReadCommonServiceRegisters,
                               cmd::ReadServiceRegisters1,   cmd::ReadServiceRegisters2,
                               cmd::ReadFunctionalRegisters, cmd::ReadBadZones};

constexpr TBadZoneValue kZoneValues[] = {TBadZoneValue::NearBound, TBadZoneValue::FarBound,
                                         TBadZoneValue::FillSpeed, TBadZoneValue::DrainSpeed};
constexpr const char *kZoneValueNames[] = {"NearBound", "FarBound", "FillSpeed", "DrainSpeed"};

struct TBlockText
{
    int Code;
    const char *Text;
};
constexpr TBlockText kBlockTexts[] = {
    {cmd::ReadUserRegisters, "Считать пользовательские регистры"},
    {cmd::ReadCommonServiceRegisters, "Считать общие сервисные регистры"},
    {cmd::ReadServiceRegisters1, "Считать сервисные регистры - 1"},
    {cmd::ReadServiceRegisters2, "Считать сервисные регистры - 2"},
    {cmd::ReadFunctionalRegisters, "Считать функциональные регистры"},
    {cmd::ReadBadZones, "Считать информацию о плохих зонах"},
    {cmd::WriteUserRegisters, "Записать пользовательские регистры"},
    {cmd::WriteCommonServiceRegisters, "Записать общие сервисные регистры"},
    {cmd::WriteServiceRegisters1, "Записать сервисные регистры - 1"},
    {cmd::WriteServiceRegisters2, "Записать сервисные регистры - 2"},
    {cmd::WriteFunctionalRegisters, "Записать функциональные регистры"},
    {cmd::WriteBadZones, "Записать информацию о плохих зонах"},
};

std::span<const int> ScopeOf(std::span<const int> all, TCompareScope scope)
{
    return scope == TCompareScope::User ? all.first(1) : all;
}

// The block write of the scope that carries the register, or -1. The current
// level is left out: the user block always sends 0 in its place.
int CarryingBlock(const TPropertyInfo &p, TCompareScope scope)
{
    if (p.Space != TRegisterSpace::Holding || p.Id == TProp::LevelKalibr)
        return -1;
    for (int code : CompareBlockWrites(scope)) {
        const TBlockInfo *b = FindBlockByWriteCode(code);
        if (b && p.Address >= b->WriteStart && p.Address < b->WriteStart + b->WriteCount)
            return code;
    }
    return -1;
}

QString CaptionOf(const TPropertyInfo &p, const Ttals352 &model)
{
    if (!p.Caption)
        return QLatin1String(p.Name);
    const QString caption = QString::fromUtf8(p.Caption);
    // Captions that state a range which follows the mode carry its limits.
    if (caption.contains(QLatin1Char('%')))
        return QString::asprintf(p.Caption, model.PropertyMin(p.Id), model.PropertyMax(p.Id));
    return caption;
}

// A zone value of a model that is only read here.
const TIODouble &ZoneValue(const Ttals352 &model, int zone, TBadZoneValue which)
{
    return const_cast<Ttals352 &>(model).BadZone(zone).Value(which);
}

// A value found at its register address.
struct TFound
{
    int Address;
    TModelDifference Difference;
};

QList<TModelDifference> InRegisterOrder(std::vector<TFound> found)
{
    std::stable_sort(found.begin(), found.end(),
                     [](const TFound &x, const TFound &y) { return x.Address < y.Address; });
    QList<TModelDifference> result;
    for (TFound &f : found)
        result.append(std::move(f.Difference));
    return result;
}

int ZonesInUse(const Ttals352 &model)
{
    return std::clamp(int(model.CountBadZones()), 0, kBadZoneCount);
}

} // namespace

std::span<const int> CompareBlockWrites(TCompareScope scope)
{
    return ScopeOf(kBlockWrites, scope);
}

std::span<const int> CompareBlockReads(TCompareScope scope)
{
    return ScopeOf(kBlockReads, scope);
}

QString BlockCommandText(int code)
{
    for (const TBlockText &t : kBlockTexts)
        if (t.Code == code)
            return QString::fromUtf8(t.Text);
    return {};
}

bool SameStoredValue(TEncoding encoding, double a, double b)
{
    if (encoding == TEncoding::Single) {
        const float x = float(a);
        const float y = float(b);
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    return a == b || (std::isnan(a) && std::isnan(b));
}

QString StoredValueText(TEncoding encoding, double value, QChar decimalSeparator)
{
    char buffer[64];
    std::to_chars_result r{};
    if (encoding == TEncoding::Single)
        r = std::to_chars(buffer, buffer + sizeof buffer, float(value));
    else if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 9.2e18)
        r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    else
        r = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, r.ptr - buffer);
    text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

QList<TModelDifference> CompareModels(const Ttals352 &ours, const Ttals352 &theirs,
                                      TCompareScope scope)
{
    std::vector<TFound> found;
    for (const TPropertyInfo &p : PropertyTable()) {
        const int block = CarryingBlock(p, scope);
        if (block < 0)
            continue;
        const double a = ours.PropertyAsDouble(p.Id);
        const double b = theirs.PropertyAsDouble(p.Id);
        if (SameStoredValue(p.Encoding, a, b))
            continue;
        found.push_back(
            {p.Address, {CaptionOf(p, ours), QLatin1String(p.Name), a, b, p.Encoding, block}});
    }
    if (scope == TCompareScope::All) {
        // The zones in use on either side; the rest are not looked at.
        const int zones = std::max(ZonesInUse(ours), ZonesInUse(theirs));
        for (int zone = 1; zone <= zones; ++zone) {
            for (int k = 0; k < 4; ++k) {
                const TIODouble &mine = ZoneValue(ours, zone, kZoneValues[k]);
                const double a = mine.Value().ToDouble();
                const double b = ZoneValue(theirs, zone, kZoneValues[k]).Value().ToDouble();
                if (SameStoredValue(TEncoding::Single, a, b))
                    continue;
                const QString caption =
                    const_cast<Ttals352 &>(ours).BadZone(zone).Description.Title +
                    QStringLiteral(": ") + mine.Description().Title;
                const QString name =
                    QStringLiteral("BadZone%1.%2").arg(zone).arg(QLatin1String(kZoneValueNames[k]));
                found.push_back({BadZoneAddress(kZoneValues[k], zone),
                                 {caption, name, a, b, TEncoding::Single, cmd::WriteBadZones}});
            }
        }
    }
    return InRegisterOrder(std::move(found));
}

QList<TModelDifference> CarriedRegisters(const Ttals352 &model, TCompareScope scope)
{
    std::vector<TFound> found;
    for (const TPropertyInfo &p : PropertyTable()) {
        const int block = CarryingBlock(p, scope);
        if (block < 0)
            continue;
        const double value = model.PropertyAsDouble(p.Id);
        found.push_back(
            {p.Address,
             {CaptionOf(p, model), QLatin1String(p.Name), value, value, p.Encoding, block}});
    }
    return InRegisterOrder(std::move(found));
}

QString DifferencesText(const QList<TModelDifference> &differences, const QString &oursTitle,
                        const QString &theirsTitle, QChar decimalSeparator)
{
    const QChar tab = QLatin1Char('\t');
    QString text = QStringLiteral("Параметр") + tab + QStringLiteral("Имя") + tab + oursTitle +
                   tab + theirsTitle + QLatin1Char('\n');
    for (const TModelDifference &d : differences)
        text += d.Caption + tab + d.Name + tab +
                StoredValueText(d.Encoding, d.Ours, decimalSeparator) + tab +
                StoredValueText(d.Encoding, d.Theirs, decimalSeparator) + QLatin1Char('\n');
    return text;
}

void CopyComparedValues(const Ttals352 &from, Ttals352 &to, TCompareScope scope)
{
    // Table order sets Hmax before Lmax and the zone count before the zones.
    for (const TPropertyInfo &p : PropertyTable())
        if (CarryingBlock(p, scope) >= 0)
            to.SetProperty(p.Id, from.Property(p.Id));
    if (scope != TCompareScope::All)
        return;
    for (int zone = 1; zone <= kBadZoneCount; ++zone)
        for (TBadZoneValue v : kZoneValues)
            to.BadZone(zone).Value(v).SetValue(ZoneValue(from, zone, v).Value());
}

bool IsIdentityRegister(const QString &name)
{
    for (const char *identity :
         {"SystemAddress", "SystemAddressNew", "PlantNumber", "PlantNumberNew"})
        if (name == QLatin1String(identity))
            return true;
    return false;
}

QString CompareDeviceText(const Ttals352 &model)
{
    return QStringLiteral("адрес %1, заводской номер %2, %3")
        .arg(model.SystemAddress())
        .arg(model.PlantNumber())
        .arg(model.DeviceTypeName());
}

} // namespace tals
