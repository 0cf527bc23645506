#include "cli/line_commands.h"

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/value_text.h"
#include "device/bus_scan.h"
#include "device/command_table.h"
#include "device/tals352.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QThread>

namespace tals::cli {

namespace {

QString JsonLine(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

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
        const int result = session.Execute(cmd::ReadReadings, true).Result;
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
    TBusScan scan(session.Model(),
                  [&session](quint8 code) { return session.Execute(code).Result; });
    scan.Scan(options.From, options.To);
    const std::vector<TFoundDevice> &found = scan.LastScan();

    if (options.Json) {
        QJsonArray list;
        for (const TFoundDevice &f : found) {
            if (f.Corrupted) {
                list.append(QJsonObject{{QStringLiteral("address"), f.Address},
                                        {QStringLiteral("corrupted"), true},
                                        {QStringLiteral("note"), CorruptedAddressText(f.Address)}});
                continue;
            }
            list.append(QJsonObject{{QStringLiteral("address"), f.Address},
                                    {QStringLiteral("plantNumber"), f.PlantNumber},
                                    {QStringLiteral("deviceType"), f.UnitType},
                                    {QStringLiteral("softVersion"), f.SoftVersion},
                                    {QStringLiteral("hardVersion"), f.HardVersion}});
        }
        out << QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)) << '\n';
    } else {
        out << QStringLiteral("address\tplant_number\tdevice_type\tsoft_version\thard_version\n");
        for (const TFoundDevice &f : found) {
            if (f.Corrupted)
                out << f.Address << "\t?\t?\t?\t?\t" << CorruptedAddressText(f.Address) << '\n';
            else
                out << f.Address << '\t' << f.PlantNumber << '\t' << f.UnitType << '\t'
                    << f.SoftVersion << '\t' << f.HardVersion << '\n';
        }
    }
    for (const TFoundDevice &f : found)
        if (f.Corrupted)
            err << QStringLiteral("Искаженный ответ: %1\n").arg(CorruptedAddressText(f.Address));
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
    TBusScan scan(session.Model(),
                  [&session](quint8 code) { return session.Execute(code).Result; });
    const int lastPlant = options.FirstPlant + options.Count - 1;
    // An address held by another device would end up shared: nothing is sent
    // unless asked to go on.
    const std::vector<TOccupiedAddress> occupied =
        scan.CheckTargets(options.FirstAddress, options.FirstPlant, lastPlant);
    for (const TOccupiedAddress &o : occupied)
        err << OccupiedText(o) << '\n';
    if (!occupied.empty() && !options.Force) {
        err << QStringLiteral("Адреса не назначены (--force: назначить всё же)\n");
        return kExitDeviceFailure;
    }

    QStringList failed;
    const std::vector<TAssignResult> results =
        scan.Assign(options.FirstAddress, options.FirstPlant, lastPlant);
    for (const TAssignResult &r : results) {
        out << QStringLiteral("%1\t%2\t%3\n")
                   .arg(r.PlantNumber)
                   .arg(r.Address)
                   .arg(AssignOutcomeKey(r.Outcome));
        if (r.Outcome != TAssignOutcome::Confirmed)
            failed << QStringLiteral("%1 (%2)").arg(r.PlantNumber).arg(AssignOutcomeText(r));
    }
    if (!failed.isEmpty()) {
        err << QStringLiteral("Не подтвердили новый адрес приборы с заводскими номерами: %1\n")
                   .arg(failed.join(QStringLiteral(", ")));
        return kExitDeviceFailure;
    }
    return kExitOk;
}

} // namespace tals::cli
