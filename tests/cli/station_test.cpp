// The station runs as its own process (tals35xi-cli station) against the
// simulated transducer, a real mosquitto broker and a libmosquitto subscriber.

#include "platform/codepage.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "tests/cli/cli_fixture.h"
#include "tests/common/mqtt_broker.h"

#include <QDate>
#include <QDateTime>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <map>

namespace tals::test {
namespace {

QString ToolPath()
{
    return QStringLiteral(TALS_BINARY_DIR "/tals35xi-cli");
}

QString SimPath()
{
    return QStringLiteral(TALS_BINARY_DIR "/tals35xi-sim");
}

// The seq values of the readings of one topic, in arrival order.
std::vector<qint64> Seqs(const std::vector<TReceived> &messages, const QString &topic)
{
    std::vector<qint64> seqs;
    for (const TReceived &m : messages)
        if (m.Topic == topic)
            seqs.push_back(QJsonDocument::fromJson(m.Payload)
                               .object()
                               .value(QStringLiteral("seq"))
                               .toInteger());
    return seqs;
}

QByteArray LastPayload(const std::vector<TReceived> &messages, const QString &topic)
{
    QByteArray last;
    for (const TReceived &m : messages)
        if (m.Topic == topic)
            last = m.Payload;
    return last;
}

// Every table under root passes SQLite's integrity check, every text file
// ends with a whole line; returns the number of rows of the Distance tables.
int CheckArchive(const QString &root)
{
    int rows = 0;
    QDirIterator it(root, {QStringLiteral("*.db"), QStringLiteral("*.txt")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(QLatin1String(".txt"))) {
            const QByteArray text = readAll(path);
            EXPECT_TRUE(text.isEmpty() || text.endsWith("\r\n")) << path.toStdString();
            continue;
        }
        sqlite3 *db = nullptr;
        EXPECT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY,
                                  nullptr),
                  SQLITE_OK);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
        EXPECT_EQ(sqlite3_step(stmt), SQLITE_ROW);
        EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)), "ok")
            << path.toStdString();
        sqlite3_finalize(stmt);
        if (QFileInfo(path).fileName() == QLatin1String("Distance.db")) {
            sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM Distance", -1, &stmt, nullptr);
            if (sqlite3_step(stmt) == SQLITE_ROW)
                rows += sqlite3_column_int(stmt, 0);
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
    }
    return rows;
}

// A certification authority and a broker certificate for 127.0.0.1 it signed,
// made with openssl in folder; returns false when openssl failed.
bool MakeCertificates(const QString &folder, const QString &caName)
{
    const QDir d(folder);
    auto run = [&](const QStringList &arguments) {
        QProcess p;
        p.setWorkingDirectory(folder);
        p.start(QStringLiteral("openssl"), arguments);
        return p.waitForFinished(30000) && p.exitCode() == 0;
    };
    writeAll(d.filePath(QStringLiteral("san.ext")), "subjectAltName=IP:127.0.0.1\n");
    return run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                "/CN=" + caName, "-keyout", caName + ".key", "-out", caName + ".crt"}) &&
           run({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                "server.key", "-out", "server.csr"}) &&
           run({"x509", "-req", "-in", "server.csr", "-CA", caName + ".crt", "-CAkey",
                caName + ".key", "-CAcreateserial", "-days", "2", "-extfile", "san.ext", "-out",
                "server.crt"});
}

class StationTest : public CliFixture
{
protected:
    void SetUp() override
    {
        if (MosquittoProgram().isEmpty())
            GTEST_SKIP() << "mosquitto is not installed (scripts/setup installs it)";
        broker = std::make_unique<TMosquittoBroker>(dir.file(QStringLiteral("broker")));
        QDir().mkpath(dir.file(QStringLiteral("broker")));
    }
    void TearDown() override
    {
        if (station.state() != QProcess::NotRunning) {
            station.kill();
            station.waitForFinished(5000);
        }
    }

    void StartStation(const QStringList &arguments)
    {
        station.setProcessChannelMode(QProcess::SeparateChannels);
        station.start(ToolPath(),
                      QStringList{QStringLiteral("station"), QStringLiteral("--start-dir"),
                                  dir.path(), QStringLiteral("--program-dir"), dir.path()} +
                          arguments);
        ASSERT_TRUE(station.waitForStarted(5000));
    }
    // SIGTERM and the exit status.
    int StopStation()
    {
        ::kill(pid_t(station.processId()), SIGTERM);
        EXPECT_TRUE(station.waitForFinished(15000));
        return station.exitCode();
    }
    QString Journal() const
    {
        QString all;
        QDirIterator it(dir.path(), {QStringLiteral("BlackBox.txt")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            all += FromCp1251(readAll(it.next()));
        return all;
    }

    std::unique_ptr<TMosquittoBroker> broker;
    QProcess station;
};

TEST_F(StationTest, PublishesEachTransducerAtThePeriodAndStopsCleanly)
{
    ASSERT_TRUE(broker->Start()) << broker->Output().toStdString();
    TMqttSubscriber sub(broker->Port(), QStringLiteral("tals35xi/#"), QStringLiteral("t-readings"));
    ASSERT_TRUE(sub.WaitSubscribed());
    StartStation({QStringLiteral("--simulate"), QStringLiteral("--address"), QStringLiteral("1,2"),
                  QStringLiteral("--meter"), QStringLiteral("--period"), QStringLiteral("200"),
                  QStringLiteral("--mqtt"), broker->Url()});
    // The simulated transducers have the plant numbers 1234 and 1235.
    const QString first = QStringLiteral("tals35xi/1234/readings");
    const QString second = QStringLiteral("tals35xi/1235/readings");
    ASSERT_TRUE(sub.WaitFor(
        [&] {
            return Seqs(sub.messages(), first).size() >= 12 &&
                   Seqs(sub.messages(), second).size() >= 12;
        },
        20000))
        << station.readAllStandardError().toStdString();
    const std::vector<TReceived> got = sub.Messages();

    EXPECT_EQ(LastPayload(got, QStringLiteral("tals35xi/1234/state")), "online");
    const QJsonObject identity =
        QJsonDocument::fromJson(LastPayload(got, QStringLiteral("tals35xi/1235/identity")))
            .object();
    EXPECT_EQ(identity.value(QStringLiteral("PlantNumber")).toString().toInt(), 1235);
    EXPECT_EQ(identity.value(QStringLiteral("SystemAddress")).toInt(), 2);

    // Consecutive seq from 1, at the poll period.
    for (const QString &topic : {first, second}) {
        const std::vector<qint64> seqs = Seqs(got, topic);
        for (std::size_t i = 0; i < seqs.size(); ++i)
            EXPECT_EQ(seqs[i], qint64(i + 1)) << topic.toStdString();
    }
    std::vector<qint64> arrivals;
    QJsonObject reading;
    for (const TReceived &m : got)
        if (m.Topic == first) {
            arrivals.push_back(m.ArrivalMs);
            reading = QJsonDocument::fromJson(m.Payload).object();
        }
    std::vector<qint64> gaps;
    for (std::size_t i = 1; i < arrivals.size(); ++i)
        gaps.push_back(arrivals[i] - arrivals[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    const qint64 median = gaps[gaps.size() / 2];
    EXPECT_GE(median, 150);
    EXPECT_LE(median, 300);

    // The message: time with its offset, the readings, the meter's current for the first.
    const QDateTime time =
        QDateTime::fromString(reading.value(QStringLiteral("time")).toString(), Qt::ISODateWithMs);
    ASSERT_TRUE(time.isValid()) << reading.value(QStringLiteral("time")).toString().toStdString();
    EXPECT_TRUE(
        reading.value(QStringLiteral("time")).toString().contains(QStringLiteral("+03:00")));
    EXPECT_LT(std::abs(time.msecsTo(QDateTime::currentDateTime())), 10000);
    for (const char *key : {"distance", "level", "free_space", "temperature", "current"})
        EXPECT_TRUE(reading.value(QLatin1String(key)).isDouble()) << key;
    EXPECT_EQ(reading.value(QStringLiteral("status")).toInt(-5), 0);
    EXPECT_FALSE(QJsonDocument::fromJson(LastPayload(got, second))
                     .object()
                     .contains(QStringLiteral("current")));

    // SIGTERM: exit 0, "offline", archives whole; each transducer its own root.
    EXPECT_EQ(StopStation(), 0) << station.readAllStandardError().toStdString();
    EXPECT_TRUE(sub.WaitFor(
        [&] {
            return LastPayload(sub.messages(), QStringLiteral("tals35xi/1234/state")) == "offline";
        },
        5000));
    EXPECT_GE(CheckArchive(dir.file(QStringLiteral("DATA/PN1234"))), 12);
    EXPECT_GE(CheckArchive(dir.file(QStringLiteral("DATA/PN1235"))), 12);
    EXPECT_TRUE(
        QFileInfo::exists(dir.file(QStringLiteral("DATA/PN1234/") +
                                   QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")) +
                                   QStringLiteral("/CurrentOutput.db"))));
}

TEST_F(StationTest, BrokerOutageLosesNothingAndSeqGoesOnAfterRestart)
{
    ASSERT_TRUE(broker->Start());
    TMqttSubscriber sub(broker->Port(), QStringLiteral("tals35xi/+/readings"),
                        QStringLiteral("t-outage"));
    ASSERT_TRUE(sub.WaitSubscribed());
    const QStringList arguments = {QStringLiteral("--simulate"), QStringLiteral("--period"),
                                   QStringLiteral("200"), QStringLiteral("--mqtt"), broker->Url()};
    StartStation(arguments);
    const QString topic = QStringLiteral("tals35xi/1234/readings");
    ASSERT_TRUE(sub.WaitFor([&] { return Seqs(sub.messages(), topic).size() >= 5; }, 15000));

    broker->Stop();
    QThread::msleep(5000);
    ASSERT_TRUE(broker->Start());
    // About 25 readings were queued on disk meanwhile; they come, then new ones.
    const qint64 before = Seqs(sub.Messages(), topic).back();
    ASSERT_TRUE(
        sub.WaitFor([&] { return Seqs(sub.messages(), topic).back() >= before + 40; }, 30000))
        << "last seq " << Seqs(sub.Messages(), topic).back();

    // A restart of the station goes on counting.
    EXPECT_EQ(StopStation(), 0);
    const qint64 last = Seqs(sub.Messages(), topic).back();
    StartStation(arguments);
    ASSERT_TRUE(sub.WaitFor([&] { return Seqs(sub.messages(), topic).back() >= last + 3; }, 15000));
    EXPECT_EQ(StopStation(), 0);

    // In order, none missing; QoS 1 repeats are recognised by seq.
    qint64 expected = 1;
    for (qint64 seq : Seqs(sub.Messages(), topic)) {
        if (seq < expected)
            continue; // a repeat
        EXPECT_EQ(seq, expected);
        expected = seq + 1;
    }
    EXPECT_TRUE(Journal().contains(QStringLiteral("MQTT: связь с брокером")))
        << Journal().toStdString();
}

TEST_F(StationTest, LastWillSaysOfflineWhenTheStationIsKilled)
{
    ASSERT_TRUE(broker->Start());
    TMqttSubscriber sub(broker->Port(), QStringLiteral("tals35xi/+/state"),
                        QStringLiteral("t-will"));
    ASSERT_TRUE(sub.WaitSubscribed());
    StartStation({QStringLiteral("--simulate"), QStringLiteral("--period"), QStringLiteral("200"),
                  QStringLiteral("--mqtt"), broker->Url()});
    const QString state = QStringLiteral("tals35xi/1234/state");
    ASSERT_TRUE(sub.WaitFor([&] { return LastPayload(sub.messages(), state) == "online"; }, 15000));
    station.kill(); // SIGKILL: no goodbye
    station.waitForFinished(5000);
    EXPECT_TRUE(sub.WaitFor([&] { return LastPayload(sub.messages(), state) == "offline"; }, 5000));
}

TEST_F(StationTest, RefusedCredentialsAreReportedAndArchivingGoesOn)
{
    broker->RequirePassword(QStringLiteral("plant"), QStringLiteral("right"));
    ASSERT_TRUE(broker->Start());
    writeAll(dir.file(QStringLiteral("cred")), "username=plant\npassword=wrong\n");
    StartStation({QStringLiteral("--simulate"), QStringLiteral("--period"), QStringLiteral("200"),
                  QStringLiteral("--mqtt"), broker->Url(), QStringLiteral("--mqtt-credentials"),
                  dir.file(QStringLiteral("cred"))});
    QByteArray err;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 15000 && !err.contains("MQTT")) {
        station.waitForReadyRead(200);
        err += station.readAllStandardError();
    }
    // mosquitto answers "not authorised" (5) rather than "bad user name or password" (4).
    EXPECT_TRUE(QString::fromUtf8(err).contains(QStringLiteral("имя пользователя или пароль")))
        << err.toStdString();
    QThread::msleep(1500);
    EXPECT_EQ(StopStation(), 0);
    EXPECT_GE(CheckArchive(dir.file(QStringLiteral("DATA"))), 5);
}

TEST_F(StationTest, PublishesOverTlsToABrokerItsCaVouchesFor)
{
    const QString certs = dir.file(QStringLiteral("certs"));
    QDir().mkpath(certs);
    ASSERT_TRUE(MakeCertificates(certs, QStringLiteral("plant-ca")));
    broker->EnableTls(certs + QStringLiteral("/server.crt"), certs + QStringLiteral("/server.key"));
    ASSERT_TRUE(broker->Start()) << broker->Output().toStdString();
    TMqttSubscriber sub(broker->Port(), QStringLiteral("tals35xi/+/readings"),
                        QStringLiteral("t-tls"));
    ASSERT_TRUE(sub.WaitSubscribed());
    const QString topic = QStringLiteral("tals35xi/1234/readings");
    StartStation({QStringLiteral("--simulate"), QStringLiteral("--period"), QStringLiteral("200"),
                  QStringLiteral("--mqtt"), broker->TlsUrl(), QStringLiteral("--mqtt-ca"),
                  certs + QStringLiteral("/plant-ca.crt")});
    EXPECT_TRUE(sub.WaitFor([&] { return Seqs(sub.messages(), topic).size() >= 3; }, 15000))
        << station.readAllStandardError().toStdString();
    EXPECT_EQ(StopStation(), 0);

    // A broker whose certificate another authority signed is not trusted:
    // nothing is published, and the readings are still archived.
    const QString other = dir.file(QStringLiteral("other"));
    QDir().mkpath(other);
    ASSERT_TRUE(MakeCertificates(other, QStringLiteral("other-ca")));
    const std::size_t published = Seqs(sub.Messages(), topic).size();
    const int archived = CheckArchive(dir.file(QStringLiteral("DATA")));
    StartStation({QStringLiteral("--simulate"), QStringLiteral("--period"), QStringLiteral("200"),
                  QStringLiteral("--mqtt"), broker->TlsUrl(), QStringLiteral("--mqtt-ca"),
                  other + QStringLiteral("/other-ca.crt")});
    QThread::msleep(2500);
    EXPECT_EQ(StopStation(), 0);
    EXPECT_EQ(Seqs(sub.Messages(), topic).size(), published);
    EXPECT_GE(CheckArchive(dir.file(QStringLiteral("DATA"))), archived + 5);
}

TEST_F(StationTest, LostPortIsOpenedAgain)
{
    const QString link = dir.file(QStringLiteral("ttyTALS"));
    QProcess sim;
    auto startSim = [&] {
        sim.start(SimPath(), {QStringLiteral("--link"), link});
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(sim.waitForReadyRead(5000));
    };
    startSim();
    StartStation(
        {QStringLiteral("--port"), link, QStringLiteral("--period"), QStringLiteral("200")});
    QThread::msleep(1500);
    sim.terminate(); // the adapter is unplugged: the port goes away
    ASSERT_TRUE(sim.waitForFinished(5000));
    QThread::msleep(1500);
    const int before = CheckArchive(dir.file(QStringLiteral("DATA")));
    startSim();
    QThread::msleep(3000);
    EXPECT_EQ(StopStation(), 0) << station.readAllStandardError().toStdString();
    sim.terminate();
    sim.waitForFinished(5000);
    EXPECT_GE(CheckArchive(dir.file(QStringLiteral("DATA"))), before + 5);
    const QString journal = Journal();
    EXPECT_TRUE(journal.contains(QStringLiteral("Порт потерян: ") + link)) << journal.toStdString();
    EXPECT_TRUE(journal.contains(QStringLiteral("открыт снова"))) << journal.toStdString();
}

TEST_F(StationTest, RetentionDeletesTheOldestDaysAndRecordingGoesOn)
{
    // A bound no disk meets: every old day goes, oldest first; today's stays.
    const QString root = dir.file(QStringLiteral("DATA"));
    TIniFile ini(dir.file(QStringLiteral("INI/bde.ini")));
    ini.WriteString(QStringLiteral("BDE"), QStringLiteral("dbPath"), root);
    ini.WriteInteger(QStringLiteral("BDE"), QStringLiteral("KeepDays"), 0);
    ini.WriteInteger(QStringLiteral("BDE"), QStringLiteral("MinFreeMB"), 2000000000);
    ASSERT_TRUE(ini.UpdateFile());
    const QDate today = QDate::currentDate();
    for (int days : {40, 3, 2}) {
        const QString folder = root + today.addDays(-days).toString(QStringLiteral("/yyyy/MM/dd"));
        QDir().mkpath(folder);
        writeAll(folder + QStringLiteral("/Distance.txt"), "x\r\n");
    }
    StartStation({QStringLiteral("--simulate"), QStringLiteral("--period"), QStringLiteral("200"),
                  QStringLiteral("--count"), QStringLiteral("10")});
    ASSERT_TRUE(station.waitForFinished(20000));
    EXPECT_EQ(station.exitCode(), 0) << station.readAllStandardError().toStdString();
    for (int days : {40, 3, 2})
        EXPECT_FALSE(
            QFileInfo::exists(root + today.addDays(-days).toString(QStringLiteral("/yyyy/MM/dd"))));
    EXPECT_EQ(CheckArchive(root), 10);
    const QString journal = Journal();
    const int oldest = journal.indexOf(today.addDays(-40).toString(QStringLiteral("yyyy/MM/dd")));
    const int newer = journal.indexOf(today.addDays(-3).toString(QStringLiteral("yyyy/MM/dd")));
    EXPECT_GE(oldest, 0) << journal.toStdString();
    EXPECT_LT(oldest, newer);
}

// Bad input: exit 2 with a Russian message, nothing sent, no journal written.
class StationInputTest : public CliFixture
{
};

TEST_F(StationInputTest, BadOptionsExitTwoBeforeAnything)
{
    const struct
    {
        QStringList Arguments;
        const char *Message;
    } cases[] = {
        {{QStringLiteral("--bogus")}, "bogus"},
        {{QStringLiteral("--mqtt"), QStringLiteral("http://127.0.0.1:1883")}, "схема"},
        {{QStringLiteral("--mqtt"), QStringLiteral("mqtt://")}, "нужен адрес"},
        {{QStringLiteral("--mqtt"), QStringLiteral("mqtt://127.0.0.1:1883"),
          QStringLiteral("--mqtt-credentials"), QStringLiteral("/nonexistent/cred")},
         "файл не читается"},
        {{QStringLiteral("--mqtt-credentials"), QStringLiteral("/etc/hostname")},
         "только с --mqtt"},
        {{QStringLiteral("--address"), QStringLiteral("1,x")}, "через запятую"},
        {{QStringLiteral("--period"), QStringLiteral("50")}, "от 100 до 60000"},
    };
    for (const auto &c : cases) {
        const TCliResult r =
            Run(QStringList{QStringLiteral("station"), QStringLiteral("--simulate")} + c.Arguments);
        EXPECT_EQ(r.Status, 2) << r;
        EXPECT_TRUE(r.Err.contains(QString::fromUtf8(c.Message))) << r;
    }
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("rd*.txt")}).isEmpty());
}

} // namespace
} // namespace tals::test
