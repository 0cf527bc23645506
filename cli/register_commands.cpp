#include "cli/register_commands.h"

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/value_text.h"
#include "device/command_table.h"
#include "device/model_compare.h"
#include "device/tals352.h"
#include "device/write_differences.h"
#include "platform/ini_file.h"
#include "storage/parameter_file.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace tals::cli {

namespace {

struct TStep
{
    quint8 Code;
    const char *Name;
};

// The reads of "Считать все регистры", the service part with --full.
constexpr TStep kUserReads[] = {
    {5, "Считать пользовательские регистры"},
};
constexpr TStep kServiceReads[] = {
    {24, "Считать информационные регистры"},   {15, "Считать общие сервисные регистры"},
    {26, "Считать сервисные регистры - 1"},    {44, "Считать сервисные регистры - 2"},
    {63, "Считать функциональные регистры"},   {75, "Считать количество плохих зон"},
    {76, "Считать информацию о плохих зонах"},
};

// The live readings get also reads, with the command that refreshes them.
struct TReadingName
{
    const char *Name;
    quint8 Code;
};
constexpr TReadingName kReadings[] = {
    {"Distance", 4},    {"LevelBusy", 4},     {"LevelFree", 4},
    {"TmpOfSensor", 4}, {"TestDistance", 25}, {"TestDistanceFlt", 25},
};

const TReadingName *FindReadingName(const QString &name)
{
    for (const TReadingName &r : kReadings)
        if (name.compare(QLatin1String(r.Name), Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

QString RegisterName(const TPropertyInfo &p)
{
    return p.Address >= 0 ? QStringLiteral("%1 (%2)").arg(QLatin1String(p.Name)).arg(p.Address)
                          : QLatin1String(p.Name);
}

// Registers outside the user group need the device's full access.
bool IsService(const TPropertyInfo &p)
{
    return p.Group != TRegisterGroup::UserRegisters;
}

// The write command of a property for set and for naming refused registers;
// the plant number is written through its own command from PlantNumberNew.
int WriteCodeOf(const TPropertyInfo &p)
{
    return p.Id == TProp::PlantNumber ? 96 : p.WriteCode;
}

void PrintJson(QTextStream &out, const QJsonValue &value)
{
    const QJsonDocument doc =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    out << QString::fromUtf8(doc.toJson(QJsonDocument::Compact)) << '\n';
}

// The device's identity that a parameter file must not change on another device.
struct TIdentity
{
    TVariant Values[5];
    static constexpr TProp Props[5] = {TProp::SystemAddress, TProp::PlantNumber,
                                       TProp::HardVersionNumber, TProp::SoftVersionNumber,
                                       TProp::DeviceTypeNumber};
    explicit TIdentity(const Ttals352 &model)
    {
        for (int i = 0; i < 5; ++i)
            Values[i] = model.Property(Props[i]);
    }
    void Restore(Ttals352 &model) const
    {
        for (int i = 0; i < 5; ++i)
            model.SetProperty(Props[i], Values[i]);
    }
};

} // namespace

int Identify(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    for (quint8 code : {quint8(1), quint8(2), quint8(3)}) {
        if (!session.ExecuteWithRetries(code)) {
            err << QStringLiteral("Не выполнена команда Считать сигнатуру (%1): %2\n")
                       .arg(code)
                       .arg(session.LastFailure());
            return kExitDeviceFailure;
        }
    }
    Ttals352 &model = session.Model();
    const TTals35xISignature &signature = model.Signature();
    if (options.Json) {
        QJsonObject o;
        o[QStringLiteral("SystemAddress")] = int(model.SystemAddress());
        for (const auto &field : TTals35xISignature::Fields())
            o[QLatin1String(field.Name)] = (signature.*field.Member).trimmed();
        PrintJson(out, o);
        return kExitOk;
    }
    out << QStringLiteral("SystemAddress: %1\n").arg(model.SystemAddress());
    for (const auto &field : TTals35xISignature::Fields())
        out << QLatin1String(field.Name) << ": " << (signature.*field.Member).trimmed() << '\n';
    return kExitOk;
}

int ReadAll(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    QStringList failed;
    for (quint8 code : {quint8(1), quint8(2), quint8(3)}) {
        if (!session.ExecuteWithRetries(code)) {
            err << QStringLiteral("Не выполнена команда Считать сигнатуру: %1\n")
                       .arg(session.LastFailure());
            return kExitDeviceFailure;
        }
    }
    auto run = [&](const TStep &step) {
        if (!session.ExecuteWithRetries(step.Code))
            failed << QStringLiteral("%1: %2").arg(QString::fromUtf8(step.Name),
                                                   session.LastFailure());
    };
    for (const TStep &step : kUserReads)
        run(step);
    // The service registers are read with the device's full access open, as
    // the program does, and the access is closed again afterwards.
    if (options.Full) {
        if (!session.OpenFullAccess())
            failed << QStringLiteral("Записать пароль: %1").arg(session.LastFailure());
        for (const TStep &step : kServiceReads)
            run(step);
        if (!session.CloseFullAccess())
            failed << QStringLiteral("Закрыть полный доступ: %1").arg(session.LastFailure());
    }
    if (!failed.isEmpty()) {
        // A file with typical values in place of unread registers could later
        // be written into a device: none is written.
        err << QStringLiteral("Не выполнены команды, файл не записан:\n  ")
            << failed.join(QStringLiteral("\n  ")) << '\n';
        return kExitDeviceFailure;
    }
    if (!WriteParameterFile(session.Model(), options.Out)) {
        err << QStringLiteral("Не удалось записать файл параметров %1\n").arg(options.Out);
        return kExitDeviceFailure;
    }
    out << QFileInfo(options.Out).absoluteFilePath() << '\n';
    return kExitOk;
}

int WriteAll(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    Ttals352 &model = session.Model();
    // The device's plant number and versions come from the device, its
    // address from the command line: the file's do not move to another device.
    if (!session.ExecuteWithRetries(cmd::ReadSignature1)) {
        err << QStringLiteral("Не выполнена команда Считать сигнатуру: %1\n")
                   .arg(session.LastFailure());
        return kExitDeviceFailure;
    }
    const TIdentity identity(model);
    if (options.Full && !session.OpenFullAccess()) {
        err << QStringLiteral("Не выполнена команда Записать пароль: %1\n")
                   .arg(session.LastFailure());
        return kExitDeviceFailure;
    }
    const TCompareScope scope = options.Full ? TCompareScope::All : TCompareScope::User;
    QList<TModelDifference> toWrite;
    if (options.Force) {
        ReadParameterFile(model, options.In);
        identity.Restore(model);
        toWrite = CarriedRegisters(model, scope);
    } else {
        // The device's registers into the session's model, the file's into
        // another; only the groups that differ are written.
        for (int code : CompareBlockReads(scope)) {
            if (!session.ExecuteWithRetries(quint8(code))) {
                err << QStringLiteral("Не выполнена команда %1: %2\n")
                           .arg(BlockCommandText(code), session.LastFailure());
                return kExitDeviceFailure;
            }
        }
        Ttals352 file(session.Modes());
        ReadParameterFile(file, options.In);
        identity.Restore(file);
        toWrite = CompareModels(file, model, scope);
        if (toWrite.isEmpty()) {
            out << QStringLiteral("Регистры прибора не отличаются от файла, ничего не записано\n");
            if (options.Full && !session.CloseFullAccess())
                err << QStringLiteral("Не закрыт полный доступ к прибору: %1\n")
                           .arg(session.LastFailure());
            return kExitOk;
        }
        out << DifferencesText(toWrite, QStringLiteral("Файл"), QStringLiteral("Прибор"));
        CopyComparedValues(file, model, scope);
    }

    TWriteSteps steps;
    steps.WriteBlock = [&session](quint8 code) {
        session.ExecuteWithRetries(code);
        return session.LastOutcome();
    };
    steps.Exchange = [&session](quint8 code) { return session.Execute(code); };
    const TWriteResult written = WriteDifferences(model, toWrite, scope, steps);
    const bool refused = !written.Ok() && written.Failure.RefusesValue();
    if (!written.Ok() && !refused)
        err << QStringLiteral("Не выполнена команда %1: %2\n")
                   .arg(BlockCommandText(written.FailedBlock), session.LastFailure());
    // A device that stopped answering is not asked to close the access.
    if (options.Full && (written.Ok() || written.Failure.Answered()) && !session.CloseFullAccess())
        err << QStringLiteral("Не закрыт полный доступ к прибору: %1\n").arg(session.LastFailure());
    for (int code : written.Written)
        out << BlockCommandText(code) << '\n';
    if (refused) {
        QStringList names;
        for (const TModelDifference &d : written.Refused) {
            const TPropertyInfo *p = FindPropertyByName(d.Name.toLatin1().constData());
            names << (p ? RegisterName(*p) : d.Name);
        }
        err << QStringLiteral("Прибор не принял регистры: ") << names.join(QStringLiteral(", "))
            << '\n';
    }
    return written.Ok() ? kExitOk : kExitDeviceFailure;
}

QStringList CheckParameterFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return {QStringLiteral("Нет файла %1").arg(path)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("Файл %1 не читается").arg(path)};
    file.close();

    const TIniFile ini(path);
    if (!ini.SectionExists(QStringLiteral("UserRegisters")))
        return {
            QStringLiteral("%1: нет раздела [UserRegisters], это не файл параметров").arg(path)};

    QStringList problems;
    TProgramModes modes;
    Ttals352 model(modes);
    ReadParameterFile(model, path);
    for (const TPropertyInfo &p : PropertyTable()) {
        if (!p.IniSection || !p.IniKey)
            continue;
        const QString section = QLatin1String(p.IniSection);
        const QString key = QLatin1String(p.IniKey);
        if (!ini.ValueExists(section, key))
            continue;
        const QString where =
            QStringLiteral("[%1] %2=%3").arg(section, key, ini.ReadString(section, key, {}));
        double value = 0;
        if (p.IsReal()) {
            value = ini.ReadFloat(section, key, NAN);
            if (std::isnan(value)) {
                problems << where + QStringLiteral(": не число");
                continue;
            }
        } else {
            const int low = ini.ReadInteger(section, key, INT_MIN);
            const int high = ini.ReadInteger(section, key, INT_MAX);
            if (low == INT_MIN && high == INT_MAX) {
                problems << where + QStringLiteral(": не целое число");
                continue;
            }
            value = low;
        }
        // The identity is not written from a file; everything else must be
        // what the register accepts.
        if (p.Group == TRegisterGroup::Identity || p.Id == TProp::PlantNumber ||
            p.Id == TProp::HardVersionNumber || p.Id == TProp::SoftVersionNumber)
            continue;
        // A refused value keeps the typical one, which may equal the file's
        // and still lie outside limits that follow other registers.
        if (model.PropertyAsDouble(p.Id) != value || value < model.PropertyMin(p.Id) ||
            value > model.PropertyMax(p.Id))
            problems << where + QStringLiteral(": вне диапазона [%1, %2]")
                                    .arg(ValueText(p, model.PropertyMin(p.Id)),
                                         ValueText(p, model.PropertyMax(p.Id)));
    }
    const int zones = qBound(0, int(model.CountBadZones()), kBadZoneCount);
    for (int zone = 1; zone <= zones; ++zone) {
        const QString section = QStringLiteral("BadZone%1").arg(zone);
        for (const char *key : {"IOValue1", "IOValue2", "IOSpeedInc", "IOSpeedDec"}) {
            if (ini.ValueExists(section, QLatin1String(key)) &&
                std::isnan(ini.ReadFloat(section, QLatin1String(key), NAN)))
                problems << QStringLiteral("[%1] %2: не число").arg(section, QLatin1String(key));
        }
    }
    return problems;
}

QStringList CheckGetArguments(const QStringList &names)
{
    QStringList problems;
    for (const QString &name : names) {
        if (FindReadingName(name))
            continue;
        const TPropertyInfo *p = FindProperty(name);
        if (!p)
            problems << QStringLiteral("%1: нет такого регистра").arg(name);
        else if (p->ReadCode < 0 || p->HasFlag(pfNotDecoded))
            problems << QStringLiteral("%1: не считывается из прибора").arg(name);
    }
    return problems;
}

QStringList CheckSetArguments(const QStringList &assignments, bool full)
{
    QStringList problems;
    for (const QString &a : assignments) {
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            problems << QStringLiteral("%1: нужно ИМЯ=ЗНАЧЕНИЕ").arg(a);
            continue;
        }
        const QString name = a.left(eq);
        const TPropertyInfo *p = FindProperty(name);
        if (!p) {
            problems << QStringLiteral("%1: нет такого регистра").arg(name);
            continue;
        }
        if (WriteCodeOf(*p) < 0 || p->HasFlag(pfNoSetter)) {
            problems << QStringLiteral("%1: не записывается командой set%2")
                            .arg(name, p->Id == TProp::SystemAddress
                                           ? QStringLiteral(" (адрес назначает команда assign)")
                                           : QString());
            continue;
        }
        if (IsService(*p) && !full)
            problems << QStringLiteral("%1: сервисный регистр, нужен --full").arg(name);
        if (!ParseValue(*p, a.mid(eq + 1)))
            problems << QStringLiteral("%1: значение \"%2\" не %3")
                            .arg(name, a.mid(eq + 1),
                                 p->IsReal() ? QStringLiteral("число")
                                             : QStringLiteral("целое число"));
    }
    return problems;
}

int Get(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    Ttals352 &model = session.Model();
    QJsonObject json;
    int status = kExitOk;
    for (const QString &name : options.Arguments) {
        const TReadingName *reading = FindReadingName(name);
        const TPropertyInfo *p = reading ? nullptr : FindProperty(name);
        const quint8 code = reading ? reading->Code : quint8(p->ReadCode);
        if (!session.ExecuteWithRetries(code)) {
            err << QStringLiteral("%1: %2\n").arg(name, session.LastFailure());
            status = kExitDeviceFailure;
            continue;
        }
        QString key;
        QString text;
        QJsonValue value;
        if (reading) {
            key = QLatin1String(reading->Name);
            const double v = model.FindReading(key)->Output().ToDouble();
            text = SingleText(v);
            value = text.toDouble();
        } else {
            key = QLatin1String(p->Name);
            const double v = model.PropertyAsDouble(p->Id);
            text = ValueText(*p, v);
            value = ValueJson(*p, v);
        }
        if (options.Json)
            json[key] = value;
        else
            out << key << '=' << text << '\n';
    }
    if (options.Json)
        PrintJson(out, json);
    return status;
}

int Set(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    Ttals352 &model = session.Model();
    // The limits that follow other registers (Lmax up to Hmax, the
    // calibration level up to Lmax) are the device's.
    if (!session.ExecuteWithRetries(cmd::ReadUserRegisters)) {
        err << QStringLiteral("Не выполнена команда Считать пользовательские регистры: %1\n")
                   .arg(session.LastFailure());
        return kExitDeviceFailure;
    }
    struct TAssignment
    {
        const TPropertyInfo *Property;
        double Value;
    };
    std::vector<TAssignment> assignments;
    bool service = false;
    for (const QString &a : options.Arguments) {
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        const TPropertyInfo *p = FindProperty(a.left(eq));
        const double value = *ParseValue(*p, a.mid(eq + 1));
        const double min = model.PropertyMin(p->Id);
        const double max = model.PropertyMax(p->Id);
        if (value < min || value > max || !model.SetProperty(p->Id, TVariant(value))) {
            err << QStringLiteral("%1: значение %2 вне диапазона [%3, %4], ничего не записано\n")
                       .arg(QLatin1String(p->Name), a.mid(eq + 1), ValueText(*p, min),
                            ValueText(*p, max));
            return kExitUsage;
        }
        if (p->Id == TProp::PlantNumber)
            model.SetPlantNumberNew(quint16(value));
        service = service || IsService(*p);
        assignments.push_back({p, value});
    }
    if (service && !session.OpenFullAccess()) {
        err << QStringLiteral("Не выполнена команда Записать пароль: %1\n")
                   .arg(session.LastFailure());
        return kExitDeviceFailure;
    }
    int status = kExitOk;
    for (const TAssignment &a : assignments) {
        const TPropertyInfo &p = *a.Property;
        // Later assignments may have moved the model: write this one's value.
        model.SetProperty(p.Id, TVariant(a.Value));
        if (p.Id == TProp::PlantNumber)
            model.SetPlantNumberNew(quint16(a.Value));
        if (!session.ExecuteWithRetries(quint8(WriteCodeOf(p)))) {
            err << QStringLiteral("%1: прибор не принял значение: %2\n")
                       .arg(QLatin1String(p.Name), session.LastFailure());
            status = kExitDeviceFailure;
            continue;
        }
        // Read back what the device keeps.
        if (p.ReadCode >= 0 && !p.HasFlag(pfNotDecoded)) {
            const bool read = session.ExecuteWithRetries(quint8(p.ReadCode));
            const double expected =
                p.Encoding == TEncoding::Single ? double(float(a.Value)) : a.Value;
            const double got = model.PropertyAsDouble(p.Id);
            const double kept = p.Encoding == TEncoding::Single ? double(float(got)) : got;
            if (!read || kept != expected) {
                err << QStringLiteral("%1: не подтверждено, прибор хранит %2\n")
                           .arg(QLatin1String(p.Name),
                                read ? ValueText(p, got) : session.LastFailure());
                status = kExitDeviceFailure;
                continue;
            }
        }
        out << QLatin1String(p.Name) << '=' << ValueText(p, a.Value) << '\n';
    }
    if (service && !session.CloseFullAccess()) {
        err << QStringLiteral("Не закрыт полный доступ к прибору: %1\n").arg(session.LastFailure());
        status = kExitDeviceFailure;
    }
    return status;
}

} // namespace tals::cli
