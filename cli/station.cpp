#include "cli/station.h"

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/value_text.h"
#include "device/answer_parser.h"
#include "device/command_table.h"
#include "device/program_modes.h"
#include "device/reading_table.h"
#include "device/tals352.h"
#include "link/mqtt_publisher.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "link/transmitter.h"
#include "platform/date_time.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "storage/archive.h"
#include "storage/archive_retention.h"
#include "storage/archive_settings.h"
#include "storage/publish_queue.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTextStream>
#include <QThread>

#include <atomic>
#include <csignal>
#include <memory>
#include <vector>

namespace tals::cli {

namespace {

// The station's own default: 500 MB kept free unless bde.ini says otherwise.
constexpr int kStationMinFreeMB = 500;
// Silent cycles after which the port counts as lost although it is open.
constexpr int kSilentCyclesForLoss = 3;
constexpr qint64 kReopenEveryMs = 1000;
constexpr qint64 kIdentifyEveryMs = 5000;

std::atomic<bool> g_stopRequested{false};

extern "C" void RequestStop(int)
{
    g_stopRequested.store(true);
}

// SIGTERM and SIGINT ask the loop to stop; an exchange in progress is not
// interrupted (SA_RESTART). The previous handlers come back at the end.
class TStopSignals
{
public:
    TStopSignals()
    {
        g_stopRequested.store(false);
        struct sigaction action = {};
        action.sa_handler = &RequestStop;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, &m_term);
        sigaction(SIGINT, &action, &m_int);
    }
    ~TStopSignals()
    {
        sigaction(SIGTERM, &m_term, nullptr);
        sigaction(SIGINT, &m_int, nullptr);
    }
    TStopSignals(const TStopSignals &) = delete;
    TStopSignals &operator=(const TStopSignals &) = delete;

private:
    struct sigaction m_term = {};
    struct sigaction m_int = {};
};

void FaultJournal(const QString &line)
{
    TLog(BlackBoxPath()).Add(line);
}

QString IsoTime(const QDateTime &local)
{
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QByteArray Compact(const QJsonObject &o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// The readings the command carries, each to its table and text file.
void ArchiveReadings(TArchive &archive, int code, const TReadings &readings)
{
    for (const TReadingInfo &r : ReadingTable())
        if (const std::optional<double> &value = readings.Value(r.Id); r.Command == code && value)
            archive.Append(QLatin1String(r.Name), *value, readings.Time, r.Decimals);
}

// One transducer of the line with its own model, archive and broker link.
struct TStationDevice
{
    int Address = 1;
    std::unique_ptr<Ttals352> Model;
    std::unique_ptr<TTals352Link> Link;
    bool Identified = false;
    int Plant = 0;
    qint64 LastIdentifyMs = -kIdentifyEveryMs;
    std::unique_ptr<TArchive> Archive;
    std::unique_ptr<TPublishQueue> Queue;
    std::unique_ptr<TMqttPublisher> Publisher;

    QString Topic(const char *leaf) const
    {
        return QStringLiteral("tals35xi/%1/%2").arg(Plant).arg(QLatin1String(leaf));
    }
};

class TStation
{
public:
    TStation(const TCliOptions &options, QTextStream &out, QTextStream &err)
        : m_options(options), m_out(out), m_err(err)
    {}
    ~TStation() { Shutdown(); }
    TStation(const TStation &) = delete;
    TStation &operator=(const TStation &) = delete;

    int Run();

private:
    bool Prepare(QString &error);
    bool Identify(TStationDevice &device);
    void Poll(TStationDevice &device, bool withMeter);
    void Publish(TStationDevice &device, int result, const TReadings &readings,
                 const QDateTime &time, int meterResult);
    void WatchPort(bool anyAnswered);
    void Say(const QString &line);
    void Shutdown();

    const TCliOptions &m_options;
    QTextStream &m_out;
    QTextStream &m_err;
    TProgramModes m_modes;
    std::unique_ptr<TSimTransducer> m_simulator;
    std::vector<std::unique_ptr<TStationDevice>> m_devices;
    std::unique_ptr<TRequestDevices> m_scheduler;
    TArchiveSettings m_archiveSettings;
    std::optional<TMqttUrl> m_url;
    std::optional<TMqttCredentials> m_credentials;
    QString m_port;
    QString m_stateDir;
    QElapsedTimer m_clock;
    int m_silentCycles = 0;
    bool m_answered = false; // something answered in this cycle
    bool m_portLost = false;
    qint64 m_lastReopenMs = -kReopenEveryMs;
    QDate m_journalDay;
    bool m_shutDown = false;
};

void TStation::Say(const QString &line)
{
    m_out << line << '\n';
    m_out.flush();
}

bool TStation::Prepare(QString &error)
{
    m_port = m_options.Port;
    if (m_options.Simulate) {
        m_simulator = StartSimulatedLine(m_options.Addresses, error);
        if (!m_simulator)
            return false;
        m_port = m_simulator->PortPath();
    }
    if (m_options.Mqtt.size()) {
        m_url = ParseMqttUrl(m_options.Mqtt);
        if (!m_options.MqttCredentials.isEmpty())
            m_credentials = ReadMqttCredentials(m_options.MqttCredentials);
    }

    for (int address : m_options.Addresses) {
        auto d = std::make_unique<TStationDevice>();
        d->Address = address;
        d->Model = std::make_unique<Ttals352>(m_modes);
        d->Model->SetErrorMax(1);
        d->Model->SetSystemAddress(quint8(address));
        d->Link = std::make_unique<TTals352Link>(*d->Model);
        m_devices.push_back(std::move(d));
    }
    m_archiveSettings = LoadArchiveSettings(StartDir());

    // ComPort.ini and Timer.ini from the start directory; the exchange
    // journal in the state folder.
    m_stateDir = m_options.StateDir.isEmpty() ? StartDir() : m_options.StateDir;
    if (!ForceDirectories(m_stateDir)) {
        error = QStringLiteral("--state-dir %1: папка не создаётся").arg(m_stateDir);
        return false;
    }
    m_scheduler = std::make_unique<TRequestDevices>();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(StartDir());
    const TPortOpenResult opened =
        m_scheduler->StartLink(m_devices.front()->Link.get(), [&](TTransmitter &transmitter) {
            ApplyPortOptions(transmitter, m_port, m_options.Baud);
        });
    QDir::setCurrent(previous);
    if (TCustomTimer *timer = m_scheduler->PollTimer())
        timer->stop(); // the station keeps its own period
    m_journalDay = QDate::currentDate();
    if (TLog *journal = m_scheduler->Journal())
        journal->SetFileName(
            QDir(m_stateDir)
                .filePath(QStringLiteral("rd") + FileDate6(Now()) + QStringLiteral(".txt")));
    if (!m_scheduler->Transmitter()) {
        error = QStringLiteral("Последовательный порт не создан");
        return false;
    }
    if (!m_scheduler->Transmitter()->Connected()) {
        // An unattended station waits for its port instead of giving up.
        const QString why =
            opened.Message().replace(QLatin1Char('\r'), QLatin1Char(' ')).simplified();
        m_err << "tals35xi-cli: " << why << '\n';
        m_err.flush();
        FaultJournal(QStringLiteral("Порт потерян: %1").arg(m_port));
        m_portLost = true;
    }
    return true;
}

bool TStation::Identify(TStationDevice &device)
{
    device.LastIdentifyMs = m_clock.elapsed();
    m_scheduler->SetDevice(device.Link.get());
    int plant = -1;
    device.Model->OnReadSignature = [&plant](Ttals352 *, quint8, int, quint16 number, quint8,
                                             quint8) { plant = number; };
    bool ok = true;
    for (quint8 code : {cmd::ReadSignature1, cmd::ReadSignature2, cmd::ReadSignature3})
        ok = ok &&
             (m_scheduler->ExecuteCommand(code).Ok() || m_scheduler->ExecuteCommand(code).Ok());
    device.Model->OnReadSignature = nullptr;
    if (!ok || plant < 0)
        return false;

    device.Plant = plant;
    device.Identified = true;
    const QString root = m_devices.size() == 1 ? m_archiveSettings.dbPath
                                               : JoinPath(m_archiveSettings.dbPath,
                                                          QStringLiteral("PN%1").arg(plant));
    device.Archive = std::make_unique<TArchive>(root);
    const TRetentionPolicy policy = RetentionPolicyOf(m_archiveSettings, 0, kStationMinFreeMB);
    if (policy.Active())
        device.Archive->SetRetention(std::make_unique<TArchiveRetention>(root, policy));
    Say(QStringLiteral("Прибор PN%1, адрес %2: архив %3").arg(plant).arg(device.Address).arg(root));

    if (m_url) {
        const QString queuePath =
            QDir(m_stateDir).filePath(QStringLiteral("mqtt/PN%1.queue").arg(plant));
        device.Queue =
            std::make_unique<TPublishQueue>(queuePath, qint64(m_options.MqttQueueMB) * 1024 * 1024);
        QString why;
        if (!device.Queue->Open(&why)) {
            m_err << "tals35xi-cli: " << why << '\n';
            m_err.flush();
            FaultJournal(why);
            device.Queue.reset();
            return true; // archiving goes on without the broker
        }
        device.Queue->SetJournal(&FaultJournal);
        TMqttSettings settings;
        settings.Url = *m_url;
        settings.CaFile = m_options.MqttCa;
        settings.Credentials = m_credentials;
        settings.ClientId =
            QStringLiteral("tals35xi-%1-PN%2").arg(QSysInfo::machineHostName()).arg(plant);
        settings.WillTopic = device.Topic("state");
        device.Publisher = std::make_unique<TMqttPublisher>(settings, *device.Queue);
        device.Publisher->SetJournal([this, plant](const QString &line) {
            FaultJournal(QStringLiteral("PN%1 %2").arg(plant).arg(line));
            if (line.contains(QStringLiteral("отклонил")) ||
                line.contains(QStringLiteral("отказал")))
                m_err << "tals35xi-cli: PN" << plant << ' ' << line << '\n', m_err.flush();
        });
        QJsonObject identity;
        identity[QStringLiteral("SystemAddress")] = device.Address;
        const TTals35xISignature &signature = device.Model->Signature();
        for (const auto &field : TTals35xISignature::Fields())
            identity[QLatin1String(field.Name)] = (signature.*field.Member).trimmed();
        device.Publisher->SetRetained(device.Topic("identity"), Compact(identity));
        device.Publisher->SetRetained(device.Topic("state"), QByteArrayLiteral("online"));
        if (!device.Publisher->Start(&why)) {
            m_err << "tals35xi-cli: " << why << '\n';
            m_err.flush();
            FaultJournal(why);
        }
    }
    return true;
}

void TStation::Publish(TStationDevice &device, int result, const TReadings &readings,
                       const QDateTime &time, int meterResult)
{
    if (!device.Publisher)
        return;
    QJsonObject o;
    o[QStringLiteral("time")] = IsoTime(time);
    const struct
    {
        const char *Key;
        TReading Id;
    } fields[] = {{"distance", TReading::Distance},
                  {"level", TReading::LevelBusy},
                  {"free_space", TReading::LevelFree},
                  {"temperature", TReading::TmpOfSensor}};
    for (const auto &f : fields) {
        const std::optional<double> &v = readings.Value(f.Id);
        o[QLatin1String(f.Key)] =
            result == 0 && v ? QJsonValue(SingleText(*v).toDouble()) : QJsonValue();
    }
    if (meterResult != 1)
        o[QStringLiteral("current")] =
            meterResult == 0
                ? QJsonValue(
                      SingleText(device.Model->CurrentOutput().Output().ToDouble()).toDouble())
                : QJsonValue();
    const int status = result == 0 ? 0 : result == -1 ? -1 : device.Model->ErrorCode();
    o[QStringLiteral("status")] = status;
    if (status != 0)
        o[QStringLiteral("status_text")] = result == -1 && device.Model->ErrorCode() == 0
                                               ? QStringLiteral("нет ответа от прибора")
                                               : device.Model->ErrorText();
    device.Queue->PushNumbered(QString::number(device.Plant), device.Topic("readings"),
                               [&o](qint64 seq) {
                                   QJsonObject numbered = o;
                                   numbered[QStringLiteral("seq")] = seq;
                                   return Compact(numbered);
                               });
    device.Publisher->Notify();
}

void TStation::Poll(TStationDevice &device, bool withMeter)
{
    m_scheduler->SetDevice(device.Link.get());
    TReadings readings;
    const int result = m_scheduler->ExecuteCommand(cmd::ReadReadings, readings).Result;
    const QDateTime time = QDateTime::currentDateTime();
    ArchiveReadings(*device.Archive, cmd::ReadReadings, readings);
    int meterResult = 1; // 1: no meter
    if (withMeter) {
        meterResult = m_scheduler->ExecuteZelvin().Ok() ? 0 : -1;
        if (meterResult == 0) {
            TReadings current;
            current.Time = Now();
            current.Set(TReading::CurrentOutput, device.Model->CurrentOutput().Output().ToDouble());
            ArchiveReadings(*device.Archive, kMeterReadingCode, current);
        }
    }
    if (result != -1 || meterResult == 0)
        m_answered = true;
    Publish(device, result, readings, time, meterResult);
}

void TStation::WatchPort(bool anyAnswered)
{
    TTransmitter *transmitter = m_scheduler->Transmitter();
    const bool isDevicePath = m_port.startsWith(QLatin1Char('/'));
    if (!m_portLost) {
        m_silentCycles = anyAnswered ? 0 : m_silentCycles + 1;
        const bool vanished = isDevicePath && !QFileInfo::exists(m_port);
        if (!vanished && transmitter->Connected() && m_silentCycles < kSilentCyclesForLoss)
            return;
        m_portLost = true;
        transmitter->Close();
        FaultJournal(QStringLiteral("Порт потерян: %1").arg(m_port));
    }
    if (m_clock.elapsed() - m_lastReopenMs < kReopenEveryMs)
        return;
    m_lastReopenMs = m_clock.elapsed();
    if (isDevicePath && !QFileInfo::exists(m_port))
        return;
    if (transmitter->Open()) {
        m_portLost = false;
        m_silentCycles = 0;
        FaultJournal(QStringLiteral("Порт %1 открыт снова").arg(m_port));
    }
}

void TStation::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    for (auto &d : m_devices)
        if (d->Publisher)
            d->Publisher->Stop();
    if (m_scheduler)
        m_scheduler->StopLink();
    for (auto &d : m_devices) {
        d->Publisher.reset();
        d->Queue.reset();
        if (d->Archive)
            d->Archive->Close();
    }
    m_scheduler.reset();
    if (m_simulator)
        m_simulator->Stop();
}

int TStation::Run()
{
    TStopSignals stopSignals;
    m_clock.start();
    QString error;
    if (!Prepare(error)) {
        m_err << "tals35xi-cli: " << error << '\n';
        return kExitDeviceFailure;
    }
    int period = m_options.Period;
    if (!m_options.PeriodGiven && m_scheduler->PollTimer())
        period = std::clamp(m_scheduler->PollTimer()->interval(), 100, 60000);
    QStringList addresses;
    for (int a : m_options.Addresses)
        addresses << QString::number(a);
    Say(QStringLiteral("Станция: порт %1, адреса %2, период %3 мс%4")
            .arg(m_port, addresses.join(QLatin1Char(',')))
            .arg(period)
            .arg(m_url ? QStringLiteral(", MQTT %1:%2").arg(m_url->Host).arg(m_url->Port)
                       : QString()));

    qint64 start = m_clock.elapsed();
    for (qint64 cycle = 0; !g_stopRequested.load(); ++cycle) {
        if (m_options.Count > 0 && cycle >= m_options.Count)
            break;
        // Cycles keep their period whatever the exchanges took; after a long
        // stall the schedule starts again instead of catching up in a burst.
        qint64 due = start + cycle * period;
        if (m_clock.elapsed() - due > period) {
            start = m_clock.elapsed() - cycle * period;
            due = start + cycle * period;
        }
        while (!g_stopRequested.load() && m_clock.elapsed() < due)
            QThread::msleep(std::min<qint64>(20, due - m_clock.elapsed()));
        if (g_stopRequested.load())
            break;
        if (const QDate today = QDate::currentDate(); today != m_journalDay) {
            m_journalDay = today;
            if (TLog *journal = m_scheduler->Journal())
                journal->SetFileName(QDir(m_stateDir)
                                         .filePath(QStringLiteral("rd") + FileDate6(Now()) +
                                                   QStringLiteral(".txt")));
        }
        if (m_portLost) {
            WatchPort(false);
            continue;
        }
        m_answered = false;
        bool asked = false;
        bool meterAsked = false;
        for (auto &d : m_devices) {
            if (g_stopRequested.load())
                break;
            if (!d->Identified) {
                if (m_clock.elapsed() - d->LastIdentifyMs < kIdentifyEveryMs)
                    continue;
                asked = true;
                if (!Identify(*d))
                    continue;
                m_answered = true;
            }
            // The meter measures the current output of the first transducer.
            Poll(*d, m_options.Meter && !meterAsked);
            asked = meterAsked = true;
        }
        if (asked)
            WatchPort(m_answered);
    }
    Say(QStringLiteral("Станция остановлена"));
    Shutdown();
    return kExitOk;
}

} // namespace

QStringList CheckStationOptions(const TCliOptions &options)
{
    QStringList problems;
    if (options.Mqtt.isEmpty())
        return problems;
    QString why;
    const std::optional<TMqttUrl> url = ParseMqttUrl(options.Mqtt, &why);
    if (!url)
        problems << why;
    if (!options.MqttCredentials.isEmpty() && !ReadMqttCredentials(options.MqttCredentials, &why))
        problems << why;
    if (!options.MqttCa.isEmpty() && !QFileInfo(options.MqttCa).isReadable())
        problems << QStringLiteral("--mqtt-ca %1: файл не читается").arg(options.MqttCa);
    if (url && !url->Tls && !options.MqttCa.isEmpty())
        problems << QStringLiteral("--mqtt-ca нужен только с mqtts://");
    return problems;
}

int Station(const TCliOptions &options, QTextStream &out, QTextStream &err)
{
    TStation station(options, out, err);
    return station.Run();
}

} // namespace tals::cli
