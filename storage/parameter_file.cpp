#include "storage/parameter_file.h"

#include "device/register_table.h"
#include "device/tals352.h"
#include "platform/dialogs.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

#include <QFileInfo>

#include <array>

namespace tals {

namespace {

// The register sections in the order they are written and read.
const std::array<const char *, 6> RegisterSections = {
    "UserRegisters",     "CommonServiceRegisters", "ServiceRegisters1",
    "ServiceRegisters2", "FunctionalRegisters",    "BadZones"};

// Properties a load stores without their setters, cut to their type's width.
bool StoredDirectly(TProp p)
{
    return p == TProp::SystemAddress || p == TProp::PlantNumber || p == TProp::HardVersionNumber ||
           p == TProp::SoftVersionNumber;
}

// The keys of one bad-zone section.
struct TZoneKey
{
    const char *Key;
    TBadZoneValue Value;
};
const std::array<TZoneKey, 4> ZoneKeys = {{
    {"IOValue1", TBadZoneValue::NearBound},
    {"IOValue2", TBadZoneValue::FarBound},
    {"IOSpeedInc", TBadZoneValue::FillSpeed},
    {"IOSpeedDec", TBadZoneValue::DrainSpeed},
}};

// The keys of one run-table section.
struct TProgonKey
{
    const char *Key;
    double TProgonRow::*Member;
};
const std::array<TProgonKey, 7> ProgonKeys = {{
    {"Ruletka", &TProgonRow::Ruletka},
    {"Sample", &TProgonRow::SetLevel},
    {"Value", &TProgonRow::Value},
    {"dValue", &TProgonRow::DValue},
    {"CurrentSample", &TProgonRow::Current},
    {"CurrentValue", &TProgonRow::CurrentValue},
    {"dCurrentValue", &TProgonRow::DCurrentValue},
}};

QString ZoneSection(int zone)
{
    return QStringLiteral("BadZone%1").arg(zone);
}

QString ProgonSection(const Ttals352 &model, int row)
{
    return model.Name() + QStringLiteral("CurrentOutput") + QString::number(row);
}

const QString PpmKey = QStringLiteral("PPM");
const QString NnzKey = QStringLiteral("NNZ");

// Table entries stored in a section, in table order.
template <class F> void ForEachStored(const char *section, F f)
{
    for (const TPropertyInfo &p : PropertyTable())
        if (p.IniSection && p.IniKey && qstrcmp(p.IniSection, section) == 0)
            f(p);
}

void WriteProperty(TIniFile &ini, const Ttals352 &model, const TPropertyInfo &p)
{
    const QString section = QLatin1String(p.IniSection);
    const QString key = QLatin1String(p.IniKey);
    if (p.IsReal())
        ini.WriteFloat(section, key, model.PropertyAsDouble(p.Id));
    else
        ini.WriteInteger(section, key, int(model.Property(p.Id).ToInteger()));
}

void ReadProperty(const TIniFile &ini, Ttals352 &model, const TPropertyInfo &p)
{
    const QString section = QLatin1String(p.IniSection);
    const QString key = QLatin1String(p.IniKey);
    if (p.IsReal()) {
        model.SetProperty(p.Id,
                          TVariant(ini.ReadFloat(section, key, model.PropertyAsDouble(p.Id))));
        return;
    }
    const int present = int(model.Property(p.Id).ToInteger());
    const int value = ini.ReadInteger(section, key, present);
    if (StoredDirectly(p.Id)) {
        const int mask = p.Kind == TValueKind::Byte ? 0xFF : 0xFFFF;
        model.SetProperty(p.Id, TVariant(value & mask));
    } else {
        model.SetProperty(p.Id, TVariant(value));
    }
}

} // namespace

QString ParameterFolder(int deviceTypeNumber)
{
    const char *folder = deviceTypeNumber == 20 ? "351" : deviceTypeNumber == 21 ? "352" : "35x";
    return FindPathNoCase(JoinPath(ProgramDir(), QLatin1String(folder)));
}

QString ParameterFileName(quint16 plantNumber, TDateTime date)
{
    return QStringLiteral("PN%1-%2.ini")
        .arg(plantNumber, 5, 10, QLatin1Char('0'))
        .arg(FileDate8(date));
}

bool WriteParameterFile(Ttals352 &model, const QString &path)
{
    TIniFile ini(path);
    const QString modelSection = model.Name();

    ForEachStored("UserRegisters", [&](const TPropertyInfo &p) { WriteProperty(ini, model, p); });

    TTals35xISignature signature;
    model.GetSignature(signature);
    for (const auto &field : TTals35xISignature::Fields())
        ini.WriteString(modelSection, QStringLiteral("Signature.") + QLatin1String(field.Name),
                        signature.*field.Member);

    for (std::size_t s = 1; s < RegisterSections.size(); ++s) {
        ForEachStored(RegisterSections[s], [&](const TPropertyInfo &p) {
            // The model section's two texts go between the versions and the command.
            if (p.Id == TProp::ControlCommand) {
                ini.WriteString(modelSection, PpmKey, model.PPMNumberText);
                ini.WriteString(modelSection, NnzKey, model.OrderNumber);
            }
            WriteProperty(ini, model, p);
        });
    }

    const int zones = qBound(0, int(model.CountBadZones()), kBadZoneCount);
    for (int zone = 1; zone <= zones; ++zone) {
        TBadZone &z = model.BadZone(zone);
        for (const TZoneKey &k : ZoneKeys)
            ini.WriteFloat(ZoneSection(zone), QLatin1String(k.Key),
                           z.Value(k.Value).Output().ToDouble());
    }

    for (int row = 1; row <= int(model.ProgonTable.size()); ++row) {
        const TProgonRow &r = model.ProgonTable[std::size_t(row - 1)];
        for (const TProgonKey &k : ProgonKeys)
            ini.WriteFloat(ProgonSection(model, row), QLatin1String(k.Key), r.*k.Member);
    }
    return ini.UpdateFile();
}

void ReadParameterFile(Ttals352 &model, const QString &path)
{
    const TIniFile ini(path);
    const QString modelSection = model.Name();

    for (const char *section : RegisterSections) {
        ForEachStored(section, [&](const TPropertyInfo &p) {
            if (p.Id == TProp::ControlCommand) {
                model.PPMNumberText = ini.ReadString(modelSection, PpmKey, QString());
                model.OrderNumber = ini.ReadString(modelSection, NnzKey, QString());
            }
            ReadProperty(ini, model, p);
        });
    }

    const int zones = qBound(0, int(model.CountBadZones()), kBadZoneCount);
    for (int zone = 1; zone <= zones; ++zone) {
        TBadZone &z = model.BadZone(zone);
        for (const TZoneKey &k : ZoneKeys) {
            TIODouble &holder = z.Value(k.Value);
            holder.SetValue(TVariant(ini.ReadFloat(ZoneSection(zone), QLatin1String(k.Key),
                                                   holder.Output().ToDouble())));
        }
    }

    for (int row = 1; row <= int(model.ProgonTable.size()); ++row) {
        TProgonRow &r = model.ProgonTable[std::size_t(row - 1)];
        for (const TProgonKey &k : ProgonKeys)
            r.*k.Member = ini.ReadFloat(ProgonSection(model, row), QLatin1String(k.Key), 0);
        if (r.Ruletka == 0)
            r.Ruletka = 15000 - r.SetLevel;
    }
}

TSaveResult SaveParameterFile(Ttals352 &model, TDateTime today)
{
    const QList<TDialogButton> yesNo = {TDialogButton::Yes, TDialogButton::No};
    if (model.PlantNumber() == 0 &&
        Dialogs().Question(QStringLiteral("Не указан заводской номер! Записать все равно?"), yesNo,
                           TDialogButton::No) != TDialogButton::Yes)
        return TSaveResult::Cancelled;

    const int type = model.DeviceTypeNumber();
    const QString folder = ParameterFolder(type);
    if (type != 20 && type != 21 &&
        Dialogs().Question(QStringLiteral("Не указан Тип прибора!\rЗаписать в папку ") + folder +
                               QStringLiteral("/?"),
                           yesNo, TDialogButton::No) != TDialogButton::Yes)
        return TSaveResult::Cancelled;

    // A folder that cannot be made shows up as a failed write below.
    ForceDirectories(folder);

    const QString path =
        FindPathNoCase(JoinPath(folder, ParameterFileName(model.PlantNumber(), today)));
    if (QFileInfo::exists(path) &&
        Dialogs().Question(QStringLiteral("Заменить существующий файл \r") + path +
                               QStringLiteral(" ?"),
                           yesNo, TDialogButton::Yes) != TDialogButton::Yes)
        return TSaveResult::Cancelled;

    if (!WriteParameterFile(model, path)) {
        Dialogs().Message(QStringLiteral("Не удалось записать файл параметров\r") + path,
                          TDialogIcon::Error);
        return TSaveResult::Failed;
    }
    return TSaveResult::Saved;
}

bool LoadParameterFile(Ttals352 &model)
{
    model.SetDefaults();
    const int type = model.DeviceTypeNumber();
    if (type != 20 && type != 21)
        return false;
    QString path =
        Dialogs().OpenFileName(QStringLiteral("Загрузить параметры"), ParameterFolder(type),
                               QStringLiteral("Параметры приборов (*.ini)"));
    if (path.isEmpty())
        return false;
    // The default extension for a typed name without one.
    if (!QFileInfo::exists(path) && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".ini");
    ReadParameterFile(model, path);
    return true;
}

} // namespace tals
