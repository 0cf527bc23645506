#include "storage/parameter_file.h"

#include "device/register_table.h"
#include "device/tals352.h"
#include "platform/dialogs.h"
#include "platform/error_text.h"
#include "platform/ini_file.h"
#include "platform/number_format.h"
#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

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

QString Number(double v)
{
    return QString::number(v, 'g', 15);
}

// One refused value: "caption (Section/Key=text): why".
QString Refusal(const TPropertyInfo &p, const QString &text, const QString &why)
{
    const QString caption = p.Caption ? QString::fromUtf8(p.Caption) : QLatin1String(p.Name);
    return caption + QStringLiteral(" (") + QLatin1String(p.IniSection) + QLatin1Char('/') +
           QLatin1String(p.IniKey) + QLatin1Char('=') + text + QStringLiteral("): ") + why;
}

// Reads one property; a present value that is refused adds a line to refused.
void ReadProperty(const TIniFile &ini, Ttals352 &model, const TPropertyInfo &p,
                  QStringList &refused)
{
    const QString section = QLatin1String(p.IniSection);
    const QString key = QLatin1String(p.IniKey);
    if (!ini.ValueExists(section, key))
        return;
    const QString text = ini.ReadString(section, key, QString()).trimmed();
    double value = 0;
    bool converted = false;
    if (p.IsReal()) {
        converted = TryStrToFloat(text, value);
    } else {
        int integer = 0;
        converted = TryStrToInt(text, integer);
        value = integer;
    }
    if (!converted) {
        refused << Refusal(p, text, QStringLiteral("не число"));
        return;
    }
    const double present = model.PropertyAsDouble(p.Id);
    if (value == present)
        return;
    double min = model.PropertyMin(p.Id);
    double max = model.PropertyMax(p.Id);
    bool stored = false;
    if (StoredDirectly(p.Id)) {
        // Not cut to the width of the type: 300 is no address, and 44 is another device's.
        min = std::max(p.Min, KindMinimum(p.Kind));
        max = std::min(p.Max, KindMaximum(p.Kind));
        if (value >= min && value <= max)
            stored = model.SetProperty(p.Id, TVariant(qint64(value))) ||
                     model.PropertyAsDouble(p.Id) == value;
    } else {
        stored = model.SetProperty(p.Id, p.IsReal() ? TVariant(value) : TVariant(qint64(value)));
    }
    if (!stored)
        refused << Refusal(p, text,
                           QStringLiteral("допустимо от %1 до %2").arg(Number(min), Number(max)));
}

// Whether the file holds any key that a load reads.
bool HasKnownKey(const TIniFile &ini, const Ttals352 &model)
{
    for (const TPropertyInfo &p : PropertyTable())
        if (p.IniSection && p.IniKey &&
            ini.ValueExists(QLatin1String(p.IniSection), QLatin1String(p.IniKey)))
            return true;
    if (ini.ValueExists(model.Name(), PpmKey) || ini.ValueExists(model.Name(), NnzKey))
        return true;
    for (int zone = 1; zone <= kBadZoneCount; ++zone)
        for (const TZoneKey &k : ZoneKeys)
            if (ini.ValueExists(ZoneSection(zone), QLatin1String(k.Key)))
                return true;
    for (int row = 1; row <= int(model.ProgonTable.size()); ++row)
        for (const TProgonKey &k : ProgonKeys)
            if (ini.ValueExists(ProgonSection(model, row), QLatin1String(k.Key)))
                return true;
    return false;
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

QString ParameterFileProblem(const Ttals352 &model, const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return SystemErrorText(EISDIR);
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return SystemErrorText(errno);
    ::close(fd);
    if (!HasKnownKey(TIniFile(path), model))
        return QStringLiteral("в файле нет ни одного параметра прибора");
    return QString();
}

QStringList ReadParameterFile(Ttals352 &model, const QString &path)
{
    const TIniFile ini(path);
    const QString modelSection = model.Name();
    QStringList refused;

    for (const char *section : RegisterSections) {
        ForEachStored(section, [&](const TPropertyInfo &p) {
            if (p.Id == TProp::ControlCommand) {
                model.PPMNumberText = ini.ReadString(modelSection, PpmKey, QString());
                model.OrderNumber = ini.ReadString(modelSection, NnzKey, QString());
            }
            ReadProperty(ini, model, p, refused);
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
    return refused;
}

TSaveResult SaveParameterFile(Ttals352 &model, TDialogService &dialogs, TDateTime today)
{
    const QList<TDialogButton> yesNo = {TDialogButton::Yes, TDialogButton::No};
    if (model.PlantNumber() == 0 &&
        dialogs.Question(QStringLiteral("Не указан заводской номер! Записать все равно?"), yesNo,
                         TDialogButton::No) != TDialogButton::Yes)
        return TSaveResult::Cancelled;

    const int type = model.DeviceTypeNumber();
    const QString folder = ParameterFolder(type);
    if (type != 20 && type != 21 &&
        dialogs.Question(QStringLiteral("Не указан Тип прибора!\rЗаписать в папку ") + folder +
                             QStringLiteral("/?"),
                         yesNo, TDialogButton::No) != TDialogButton::Yes)
        return TSaveResult::Cancelled;

    // A folder that cannot be made shows up as a failed write below.
    ForceDirectories(folder);

    const QString path =
        FindPathNoCase(JoinPath(folder, ParameterFileName(model.PlantNumber(), today)));
    if (QFileInfo::exists(path) &&
        dialogs.Question(QStringLiteral("Заменить существующий файл \r") + path +
                             QStringLiteral(" ?"),
                         yesNo, TDialogButton::Yes) != TDialogButton::Yes)
        return TSaveResult::Cancelled;

    if (!WriteParameterFile(model, path)) {
        dialogs.Message(QStringLiteral("Не удалось записать файл параметров\r") + path,
                        TDialogIcon::Error);
        return TSaveResult::Failed;
    }
    return TSaveResult::Saved;
}

bool LoadParameterFile(Ttals352 &model, TDialogService &dialogs)
{
    const int type = model.DeviceTypeNumber();
    if (type != 20 && type != 21) {
        model.SetDefaults();
        return false;
    }
    QString path =
        dialogs.OpenFileName(QStringLiteral("Загрузить параметры"), ParameterFolder(type),
                             QStringLiteral("Параметры приборов (*.ini)"));
    if (path.isEmpty()) {
        model.SetDefaults();
        return false;
    }
    // The default extension for a typed name without one.
    if (!QFileInfo::exists(path) && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".ini");

    // A file that is no parameter file must not wipe the configuration.
    const QString problem = ParameterFileProblem(model, path);
    if (!problem.isEmpty()) {
        dialogs.Message(QStringLiteral("Файл не загружен:\r") + path +
                            QStringLiteral("\rПричина: ") + problem +
                            QStringLiteral("\rПараметры прибора не изменены."),
                        TDialogIcon::Error);
        return false;
    }
    model.SetDefaults();
    const QStringList refused = ReadParameterFile(model, path);
    if (!refused.isEmpty())
        dialogs.Message(QStringLiteral("Файл ") + path +
                            QStringLiteral("\rзагружен, кроме неверных значений и значений вне "
                                           "допустимого диапазона (у этих параметров "
                                           "остались прежние значения):\r") +
                            refused.join(QStringLiteral("\r")),
                        TDialogIcon::Warning);
    return true;
}

} // namespace tals
