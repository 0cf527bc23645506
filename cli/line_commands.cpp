#include "cli/line_commands.h"

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/value_text.h"
#include "device/command_table.h"
#include "device/tals352.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QThread>

#include <vector>

namespace tals::cli {

namespace {

QString JsonLine(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

struct TFound
{
    int Address;
    int PlantNumber;
    int DeviceType;
    int SoftVersion;
    int HardVersion;
};

} // namespace

int Poll(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    Ttals352 &model = session.Model();
    if (!options.Json) {
        out << "time,distance,level,free_space,temperature,status\n";
        out.flush();
    }
    QElapsedTimer clock;
    clock.start();
    int failures = 0;
    int polls = 0;
    for (; options.Count == 0 || polls < options.Count; ++polls) {
        // Ticks keep their period whatever the exchange took.
        const qint64 due = qint64(polls) * options.Period;
        if (const qint64 wait = due - clock.elapsed(); wait > 0)
            QThread::msleep(static_cast<unsigned long>(wait));
        // One reading of the readings block, as a polling step makes it.
        const int result = session.Execute(cmd::ReadReadings, true);
        const QString time =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
        const int status = result == 0 ? 0 : result == -1 ? -1 : model.ErrorCode();
        if (result != 0)
            ++failures;
        const double values[4] = {
            model.Distance().Output().ToDouble(), model.LevelBusy().Output().ToDouble(),
            model.LevelFree().Output().ToDouble(), model.TmpOfSensor().Output().ToDouble()};
        if (options.Json) {
            QJsonObject o;
            o[QStringLiteral("time")] = time;
            const char *names[4] = {"distance", "level", "freeSpace", "temperature"};
            for (int i = 0; i < 4; ++i)
                o[QLatin1String(names[i])] =
                    result == 0 ? QJsonValue(SingleText(values[i]).toDouble()) : QJsonValue();
            o[QStringLiteral("status")] = status;
            o[QStringLiteral("statusText")] =
                result == 0 ? model.ErrorText() : session.LastFailure();
            out << JsonLine(o) << '\n';
        } else {
            out << time;
            for (double v : values)
                out << ',' << (result == 0 ? SingleText(v) : QString());
            out << ',' << status << '\n';
        }
        out.flush();
    }
    if (failures > 0) {
        err << QStringLiteral("Опросов без показаний: %1 из %2 (%3)\n")
                   .arg(failures)
                   .arg(polls)
                   .arg(session.LastFailure());
        return kExitDeviceFailure;
    }
    return kExitOk;
}

int Scan(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    Ttals352 &model = session.Model();
    const quint8 saved = model.SystemAddress();
    std::vector<TFound> found;
    // Only the signatures read by this scan are listed.
    model.OnReadSignature = [&found](Ttals352 *, quint8 address, int type, quint16 plant,
                                     quint8 hard, quint8 soft) {
        found.push_back({address, plant, type, soft, hard});
    };
    for (int a = options.From; a <= options.To; ++a) {
        model.SetSystemAddress(quint8(a));
        session.Execute(cmd::ReadSignature1); // silence adds no row
    }
    model.OnReadSignature = nullptr;
    model.SetSystemAddress(saved);

    if (options.Json) {
        QJsonArray list;
        for (const TFound &f : found)
            list.append(QJsonObject{{QStringLiteral("address"), f.Address},
                                    {QStringLiteral("plantNumber"), f.PlantNumber},
                                    {QStringLiteral("deviceType"), f.DeviceType},
                                    {QStringLiteral("softVersion"), f.SoftVersion},
                                    {QStringLiteral("hardVersion"), f.HardVersion}});
        out << QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)) << '\n';
    } else {
        out << QStringLiteral("address\tplant_number\tdevice_type\tsoft_version\thard_version\n");
        for (const TFound &f : found)
            out << f.Address << '\t' << f.PlantNumber << '\t' << f.DeviceType << '\t'
                << f.SoftVersion << '\t' << f.HardVersion << '\n';
    }
    if (found.empty()) {
        err << QStringLiteral("Приборы по адресам %1-%2 не найдены\n")
                   .arg(options.From)
                   .arg(options.To);
        return kExitDeviceFailure;
    }
    return kExitOk;
}

int Assign(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    Ttals352 &model = session.Model();
    const quint8 saved = model.SystemAddress();
    QStringList missing;
    for (int i = 0; i < options.Count; ++i) {
        const int plant = options.FirstPlant + i;
        const int address = options.FirstAddress + i;
        model.SetSystemAddressNew(quint8(address));
        model.SetSystemAddress(0);
        model.SetPlantNumber(quint16(plant));
        session.Execute(cmd::BroadcastSetAddress); // a broadcast is not answered
        // The device with that plant number must now answer at its new address.
        int answered = -1;
        model.OnReadSignature = [&answered](Ttals352 *, quint8, int, quint16 number, quint8,
                                            quint8) { answered = number; };
        model.SetSystemAddress(quint8(address));
        const bool confirmed =
            session.ExecuteWithRetries(cmd::ReadSignature1, 2) && answered == plant;
        model.OnReadSignature = nullptr;
        out << QStringLiteral("%1\t%2\t%3\n")
                   .arg(plant)
                   .arg(address)
                   .arg(confirmed ? QStringLiteral("ok") : QStringLiteral("no-answer"));
        if (!confirmed)
            missing << QString::number(plant);
    }
    model.SetSystemAddress(saved);
    if (!missing.isEmpty()) {
        err << QStringLiteral("Не подтвердили новый адрес приборы с заводскими номерами: %1\n")
                   .arg(missing.join(QStringLiteral(", ")));
        return kExitDeviceFailure;
    }
    return kExitOk;
}

} // namespace tals::cli
