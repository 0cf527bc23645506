// tals35xi-cli against the simulated transducer on a pseudo-terminal: every
// command, its output forms and its exit statuses.

#include "platform/ini_file.h"
#include "platform/text_file.h"
#include "sim/sim_transducer.h"
#include "tests/cli/cli_fixture.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

using namespace tals;
using namespace tals::test;

namespace {

class CliSimTest : public CliFixture
{
protected:
    CliSimTest()
    {
        EXPECT_TRUE(sim.Start());
        sim.SetLevelMotion(false);
    }
    ~CliSimTest() override { sim.Stop(); }

    QStringList Port() const { return {QStringLiteral("--port"), sim.PortPath()}; }
    TCliResult RunOnSim(const QStringList &arguments) { return Run(Port() + arguments); }

    TSimTransducer sim;
};

QJsonObject JsonObject(const QString &text)
{
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

} // namespace

TEST_F(CliSimTest, BadUsageEndsWithStatusTwoBeforeAnythingIsSent)
{
    const QString missing = dir.file(QStringLiteral("none.ini"));
    struct
    {
        QStringList arguments;
        const char *message;
    } const cases[] = {
        {{}, "Не указана команда"},
        {{QStringLiteral("frobnicate")}, "Неизвестная команда"},
        {{QStringLiteral("get")}, "Укажите имена"},
        {{QStringLiteral("get"), QStringLiteral("NoSuchRegister")}, "нет такого регистра"},
        {{QStringLiteral("get"), QStringLiteral("LevelState")}, "не считывается"},
        {{QStringLiteral("set"), QStringLiteral("Hmax")}, "ИМЯ=ЗНАЧЕНИЕ"},
        {{QStringLiteral("set"), QStringLiteral("Hmax=abc")}, "не число"},
        {{QStringLiteral("set"), QStringLiteral("CurrentOutput_Range=1.5")}, "не целое"},
        {{QStringLiteral("set"), QStringLiteral("KrPer=1")}, "нужен --full"},
        {{QStringLiteral("set"), QStringLiteral("SystemAddress=3")}, "assign"},
        {{QStringLiteral("read-all")}, "--out"},
        {{QStringLiteral("write-all")}, "--in"},
        {{QStringLiteral("write-all"), QStringLiteral("--in"), missing}, "Нет файла"},
        {{QStringLiteral("scan"), QStringLiteral("--from"), QStringLiteral("9"),
          QStringLiteral("--to"), QStringLiteral("3")},
         "Начальный системный адрес больше конечного"},
        {{QStringLiteral("assign"), QStringLiteral("--first-address"), QStringLiteral("200"),
          QStringLiteral("--first-plant"), QStringLiteral("1"), QStringLiteral("--count"),
          QStringLiteral("49")},
         "Недостаточно системных адресов"},
        {{QStringLiteral("identify"), QStringLiteral("--address"), QStringLiteral("0")},
         "--address"},
        {{QStringLiteral("identify"), QStringLiteral("extra")}, "Лишние аргументы"},
        {{QStringLiteral("signal")}, "--out"},
        {{QStringLiteral("spectrum")}, "--out"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const TCliResult r = RunOnSim(c.arguments);
        EXPECT_EQ(r.Status, 2) << r;
        EXPECT_TRUE(r.Err.contains(QString::fromUtf8(c.message))) << r;
        EXPECT_TRUE(r.Out.isEmpty()) << r;
    }
    EXPECT_EQ(sim.RequestCount(), 0);

    // Neither a port nor the simulated transducer, or both.
    EXPECT_EQ(Run({QStringLiteral("identify")}).Status, 2);
    EXPECT_EQ(
        Run(Port() + QStringList{QStringLiteral("--simulate"), QStringLiteral("identify")}).Status,
        2);
    // The last address itself is still available to assign.
    const TCliResult r =
        RunOnSim({QStringLiteral("assign"), QStringLiteral("--first-address"),
                  QStringLiteral("247"), QStringLiteral("--first-plant"), QStringLiteral("1"),
                  QStringLiteral("--count"), QStringLiteral("1")});
    EXPECT_NE(r.Status, 2) << r;
}

TEST_F(CliSimTest, HelpAndVersionNameEveryCommand)
{
    const TCliResult help = Run({QStringLiteral("--help")});
    EXPECT_EQ(help.Status, 0);
    for (const char *word : {"identify", "read-all", "write-all", "get", "set", "poll", "scan",
                             "assign", "--port", "--simulate", "--json", "--full", "--period",
                             "--count", "--first-address", "--first-plant"})
        EXPECT_TRUE(help.Out.contains(QLatin1String(word))) << word;
    EXPECT_TRUE(help.Out.contains(QLatin1String("signal"))) << help;
    EXPECT_FALSE(help.Out.contains(QStringLiteral("недоступн"))) << "the array commands work";
    const TCliResult version = Run({QStringLiteral("--version")});
    EXPECT_EQ(version.Status, 0);
    EXPECT_TRUE(version.Out.startsWith(QStringLiteral("tals35xi-cli "))) << version;
}

TEST_F(CliSimTest, IdentifyPrintsTheSignatureAsTextAndJson)
{
    sim.SetPlantNumber(4321);
    TCliResult r = RunOnSim({QStringLiteral("identify")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_TRUE(r.Out.contains(QStringLiteral("PlantNumber: 04321"))) << r;
    EXPECT_TRUE(r.Out.contains(QStringLiteral("DeviceName: ТАЛС352И"))) << r;

    r = RunOnSim({QStringLiteral("identify"), QStringLiteral("--json")});
    ASSERT_EQ(r.Status, 0) << r;
    const QJsonObject o = JsonObject(r.Out);
    EXPECT_EQ(o.value("PlantNumber").toString(), QStringLiteral("04321"));
    EXPECT_EQ(o.value("SystemAddress").toInt(), 1);
    EXPECT_EQ(o.value("Site").toString(), QStringLiteral("Резервуар 1"));
}

TEST_F(CliSimTest, ThePortOnTheCommandLineIsUsedWithoutOpeningComPortInisPort)
{
    // ComPort.ini names another "device" (a plain file here, watched for opens).
    const QString configured = dir.file(QStringLiteral("configured-tty"));
    writeAll(configured, "");
    writeAll(dir.file(QStringLiteral("INI/ComPort.ini")),
             "[Transmitter]\r\nPort=" + configured.toUtf8() + "\r\nReadInterval=20\r\n");
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, configured.toLocal8Bit().constData(), IN_OPEN), 0);

    const TCliResult r = RunOnSim({QStringLiteral("identify")});
    EXPECT_EQ(r.Status, 0) << r;
    EXPECT_TRUE(r.Err.isEmpty()) << r;
    char events[4096];
    EXPECT_LE(read(watch, events, sizeof events), 0) << "ComPort.ini's port was opened";
    close(watch);
}

TEST_F(CliSimTest, ADeviceThatDoesNotAnswerEndsWithStatusOne)
{
    // Another address: the transducer keeps silent.
    TCliResult r =
        RunOnSim({QStringLiteral("--address"), QStringLiteral("9"), QStringLiteral("identify")});
    EXPECT_EQ(r.Status, 1) << r;
    // The program's own words for silence, as the readings window shows them.
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Нет ответа от устройства"))) << r;
    EXPECT_TRUE(r.Out.isEmpty());

    r = Run({QStringLiteral("--port"), dir.file(QStringLiteral("no-such-tty")),
             QStringLiteral("identify")});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Ошибка активации порта"))) << r;
}

TEST_F(CliSimTest, ReadAllWritesTheProgramsParameterFile)
{
    sim.SetHoldingSingle(1000, 17500.0f); // Hmax
    sim.SetHoldingSingle(2006, 1.25f);    // KrPer, a service register
    const QString file = dir.file(QStringLiteral("out/PN01234.ini"));
    TCliResult r = RunOnSim({QStringLiteral("read-all"), QStringLiteral("--out"), file});
    ASSERT_EQ(r.Status, 0) << r;
    {
        const TIniFile ini(file);
        EXPECT_EQ(ini.ReadFloat("UserRegisters", "Hmax", 0), 17500.0);
        EXPECT_EQ(ini.ReadString("Tals352", "Signature.PlantNumber", {}), QStringLiteral("01234"));
        // Without --full the service registers keep their typical values.
        EXPECT_NE(ini.ReadFloat("CommonServiceRegisters", "KrPer", 0), 1.25);
    }
    r = RunOnSim(
        {QStringLiteral("read-all"), QStringLiteral("--full"), QStringLiteral("--out"), file});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(TIniFile(file).ReadFloat("CommonServiceRegisters", "KrPer", 0), 1.25);
    // The full access was opened for the service registers and closed again.
    EXPECT_FALSE(sim.FullAccess());

    // A read that fails leaves an existing file alone.
    const QByteArray before = readAll(file);
    sim.InjectFault({TSimFaultKind::Silence, 0}, 100);
    r = RunOnSim({QStringLiteral("read-all"), QStringLiteral("--out"), file});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_EQ(readAll(file), before);
}

TEST_F(CliSimTest, WriteAllSendsTheFileButKeepsTheDevicesIdentity)
{
    const QString file = dir.file(QStringLiteral("PN.ini"));
    ASSERT_EQ(RunOnSim({QStringLiteral("read-all"), QStringLiteral("--full"),
                        QStringLiteral("--out"), file})
                  .Status,
              0);
    {
        TIniFile ini(file);
        ini.WriteFloat("UserRegisters", "Hmax", 12345);
        ini.WriteFloat("UserRegisters", "Lmax", 12000);
        ini.WriteFloat("UserRegisters", "KKalman", 0.25);
        ini.WriteFloat("CommonServiceRegisters", "KrPer", 1.375);
        // Another device's address and plant number must not travel.
        ini.WriteInteger("UserRegisters", "SystemAddress", 7);
        ini.WriteInteger("CommonServiceRegisters", "PlantNumber", 999);
        ASSERT_TRUE(ini.UpdateFile());
    }
    TCliResult r = RunOnSim({QStringLiteral("write-all"), QStringLiteral("--in"), file});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(sim.HoldingSingle(1000), 12345.0f);
    EXPECT_EQ(sim.HoldingSingle(1006), 0.25f);
    EXPECT_NE(sim.HoldingSingle(2006), 1.375f); // service registers need --full
    EXPECT_EQ(sim.Address(), 1);

    sim.SetRequirePassword(true);
    r = RunOnSim(
        {QStringLiteral("write-all"), QStringLiteral("--full"), QStringLiteral("--in"), file});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(sim.HoldingSingle(2006), 1.375f);
    EXPECT_EQ(sim.PlantNumber(), 1234);
    EXPECT_FALSE(sim.FullAccess());
}

TEST_F(CliSimTest, WriteAllRefusesAFileThatFailsToParse)
{
    const QString file = dir.file(QStringLiteral("bad.ini"));
    struct
    {
        const char *content;
        const char *message;
    } const cases[] = {
        {"[Other]\r\nx=1\r\n", "нет раздела [UserRegisters]"},
        {"[UserRegisters]\r\nHmax=abc\r\n", "Hmax=abc: не число"},
        {"[UserRegisters]\r\nCurrentOutput_Range=x\r\n", "не целое"},
        {"[UserRegisters]\r\nHmax=99999999\r\n", "вне диапазона"},
        {"[UserRegisters]\r\nHmax=10000\r\nLmax=20000\r\n", "Lmax=20000: вне диапазона"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.content);
        writeAll(file, c.content);
        const TCliResult r = RunOnSim({QStringLiteral("write-all"), QStringLiteral("--in"), file});
        EXPECT_EQ(r.Status, 2) << r;
        EXPECT_TRUE(r.Err.contains(QString::fromUtf8(c.message))) << r;
    }
    EXPECT_EQ(sim.RequestCount(), 0);
}

TEST_F(CliSimTest, WriteAllNamesTheRegistersTheDeviceRefused)
{
    const QString file = dir.file(QStringLiteral("PN.ini"));
    ASSERT_EQ(RunOnSim({QStringLiteral("read-all"), QStringLiteral("--out"), file}).Status, 0);
    // The signature read goes through (a harmless fault for its answer); then
    // the block write is refused five times, and so is the single write of
    // Hmax: only Hmax is named, the other registers went in one by one.
    sim.InjectFault({TSimFaultKind::ByteGaps, 0}, 1);
    sim.InjectFault({TSimFaultKind::Exception, 3}, 10);
    TCliResult r = RunOnSim(
        {QStringLiteral("write-all"), QStringLiteral("--force"), QStringLiteral("--in"), file});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Прибор не принял регистры: Hmax (1000)\n"))) << r;
    EXPECT_EQ(sim.PendingFaults(), 0);

    // A device that stops answering ends the writing at once.
    sim.InjectFault({TSimFaultKind::ByteGaps, 0}, 1);
    sim.InjectFault({TSimFaultKind::Silence, 0}, 5);
    r = RunOnSim(
        {QStringLiteral("write-all"), QStringLiteral("--force"), QStringLiteral("--in"), file});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("нет ответа"), Qt::CaseInsensitive)) << r;
}

TEST_F(CliSimTest, WriteAllComparesFirstAndWritesOnlyTheGroupsThatDiffer)
{
    const QString file = dir.file(QStringLiteral("PN.ini"));
    ASSERT_EQ(RunOnSim({QStringLiteral("read-all"), QStringLiteral("--full"),
                        QStringLiteral("--out"), file})
                  .Status,
              0);
    auto writes = [&] {
        QList<int> starts; // block writes, the password aside
        for (const QByteArray &f : sim.Requests())
            if (f.size() > 3 && quint8(f[1]) == 0x10 &&
                ((quint8(f[2]) << 8) | quint8(f[3])) != 2000)
                starts << ((quint8(f[2]) << 8) | quint8(f[3]));
        return starts;
    };
    const QStringList full{QStringLiteral("write-all"), QStringLiteral("--full"),
                           QStringLiteral("--in"), file};

    // The device holds the file: nothing is written.
    sim.ClearRequests();
    TCliResult r = RunOnSim(full);
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_TRUE(r.Out.contains(QStringLiteral("не отличаются"))) << r;
    EXPECT_TRUE(writes().isEmpty());

    // Two registers changed in the device: listed, and only their groups written.
    sim.SetHoldingSingle(1006, 0.5f); // KKalman
    sim.SetHoldingRegister(3204, 1);  // MedianFilter
    sim.ClearRequests();
    r = RunOnSim(full);
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_TRUE(r.Out.contains(QStringLiteral("Параметр\tИмя\tФайл\tПрибор\n"))) << r;
    EXPECT_TRUE(r.Out.contains(QStringLiteral("\tKKalman\t1\t0.5\n"))) << r;
    EXPECT_TRUE(r.Out.contains(QStringLiteral("\tMedianFilter\t0\t1\n"))) << r;
    EXPECT_EQ(writes(), (QList<int>{1000, 3200}));
    EXPECT_EQ(sim.HoldingSingle(1006), 1.0f);
    EXPECT_EQ(sim.HoldingRegister(3204), 0);
    EXPECT_FALSE(sim.FullAccess());

    // --force writes every group without reading them first.
    sim.ClearRequests();
    r = RunOnSim({QStringLiteral("write-all"), QStringLiteral("--full"), QStringLiteral("--force"),
                  QStringLiteral("--in"), file});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(writes(), (QList<int>{1000, 2002, 3000, 3100, 3200, 3128}));
    for (const QByteArray &f : sim.Requests())
        EXPECT_NE(quint8(f[1]), 0x03) << "no holding register read: " << f.toHex().toStdString();
}

TEST_F(CliSimTest, SetChecksTheRangesThenWritesAndGetReadsBack)
{
    TCliResult r = RunOnSim({QStringLiteral("set"), QStringLiteral("Hmax=20000"),
                             QStringLiteral("Lmax=15000"), QStringLiteral("KKalman=0,1")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(r.Out, QStringLiteral("Hmax=20000\nLmax=15000\nKKalman=0.1\n"));
    EXPECT_EQ(sim.HoldingSingle(1000), 20000.0f);
    EXPECT_EQ(sim.HoldingSingle(1002), 15000.0f);

    r = RunOnSim({QStringLiteral("get"), QStringLiteral("Hmax"), QStringLiteral("kkalman"),
                  QStringLiteral("Distance"), QStringLiteral("--json")});
    ASSERT_EQ(r.Status, 0) << r;
    const QJsonObject o = JsonObject(r.Out);
    EXPECT_EQ(o.value("Hmax").toDouble(), 20000.0);
    EXPECT_EQ(o.value("KKalman").toDouble(), 0.1);
    EXPECT_NEAR(o.value("Distance").toDouble(), sim.Distance(), 0.01);

    // Lmax above the device's Hmax: refused before anything is written.
    sim.ClearRequests();
    r = RunOnSim(
        {QStringLiteral("set"), QStringLiteral("KKalman=0.5"), QStringLiteral("Lmax=25000")});
    EXPECT_EQ(r.Status, 2) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Lmax: значение 25000 вне диапазона [0, 20000]")))
        << r;
    EXPECT_EQ(sim.HoldingSingle(1006), 0.1f);

    // A service register with --full: the password is opened and closed.
    sim.SetRequirePassword(true);
    r = RunOnSim({QStringLiteral("set"), QStringLiteral("--full"), QStringLiteral("KrPer=1.5"),
                  QStringLiteral("PlantNumber=777")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(sim.HoldingSingle(2006), 1.5f);
    EXPECT_EQ(sim.PlantNumber(), 777);
    EXPECT_FALSE(sim.FullAccess());
}

TEST_F(CliSimTest, PollPrintsCsvOrJsonLines)
{
    sim.SetDistance(4000);
    TCliResult r = RunOnSim({QStringLiteral("poll"), QStringLiteral("--period"),
                             QStringLiteral("10"), QStringLiteral("--count"), QStringLiteral("3")});
    ASSERT_EQ(r.Status, 0) << r;
    const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << r;
    EXPECT_EQ(lines[0], QStringLiteral("time,distance,level,free_space,temperature,status"));
    const QStringList fields = lines[1].split(',');
    ASSERT_EQ(fields.size(), 6);
    EXPECT_EQ(fields[1], QStringLiteral("4000"));
    EXPECT_EQ(fields[4], QStringLiteral("23.5"));
    EXPECT_EQ(fields[5], QStringLiteral("0"));

    // A status word from the device and a silent poll: status 1 at the end.
    sim.InjectFault({TSimFaultKind::StatusWord, 4}, 1);
    sim.InjectFault({TSimFaultKind::Silence, 0}, 1);
    r = RunOnSim({QStringLiteral("poll"), QStringLiteral("--period"), QStringLiteral("0"),
                  QStringLiteral("--count"), QStringLiteral("3"), QStringLiteral("--json")});
    EXPECT_EQ(r.Status, 1) << r;
    const QStringList json = r.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(json.size(), 3) << r;
    EXPECT_NE(JsonObject(json[0]).value("status").toInt(), 0);
    EXPECT_EQ(JsonObject(json[1]).value("status").toInt(), -1);
    EXPECT_TRUE(JsonObject(json[1]).value("distance").isNull());
    EXPECT_EQ(JsonObject(json[2]).value("status").toInt(), 0);
    EXPECT_EQ(JsonObject(json[2]).value("distance").toDouble(), 4000.0);
    EXPECT_TRUE(r.Err.contains(QStringLiteral("2 из 3"))) << r;
}

TEST_F(CliSimTest, ScanListsTheDevicesThatAnswer)
{
    sim.SetAddress(2);
    TCliResult r =
        RunOnSim({QStringLiteral("scan"), QStringLiteral("--from"), QStringLiteral("1"),
                  QStringLiteral("--to"), QStringLiteral("3"), QStringLiteral("--json")});
    ASSERT_EQ(r.Status, 0) << r;
    const QJsonArray list = QJsonDocument::fromJson(r.Out.toUtf8()).array();
    ASSERT_EQ(list.size(), 1) << r;
    EXPECT_EQ(list[0].toObject().value("address").toInt(), 2);
    EXPECT_EQ(list[0].toObject().value("plantNumber").toInt(), 1234);

    r = RunOnSim({QStringLiteral("scan"), QStringLiteral("--from"), QStringLiteral("2"),
                  QStringLiteral("--to"), QStringLiteral("2")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_TRUE(r.Out.contains(QStringLiteral("\n2\t1234\t20\t3\t2\n"))) << r;

    r = RunOnSim({QStringLiteral("scan"), QStringLiteral("--from"), QStringLiteral("5"),
                  QStringLiteral("--to"), QStringLiteral("5")});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("не найдены"))) << r;
}

TEST_F(CliSimTest, AssignGivesAddressesByPlantNumberAndConfirmsThem)
{
    sim.SetPlantNumber(501);
    TCliResult r =
        RunOnSim({QStringLiteral("assign"), QStringLiteral("--first-address"), QStringLiteral("5"),
                  QStringLiteral("--first-plant"), QStringLiteral("500"), QStringLiteral("--count"),
                  QStringLiteral("2")});
    // Plant number 500 is not on the line; 501 took address 6.
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_EQ(r.Out, QStringLiteral("500\t5\tno-answer\n501\t6\tok\n"));
    EXPECT_TRUE(r.Err.contains(QStringLiteral("500"))) << r;
    EXPECT_EQ(sim.Address(), 6);

    r = RunOnSim({QStringLiteral("assign"), QStringLiteral("--first-address"), QStringLiteral("7"),
                  QStringLiteral("--first-plant"), QStringLiteral("501"), QStringLiteral("--count"),
                  QStringLiteral("1")});
    EXPECT_EQ(r.Status, 0) << r;
    EXPECT_EQ(sim.Address(), 7);
}

TEST_F(CliSimTest, ScanNamesAnAddressWhoseAnswerIsGarbled)
{
    sim.SetDeviceCount(3); // addresses 1 to 3
    for (const bool json : {true, false}) {
        sim.Device(1).InjectFault({TSimFaultKind::BadCrc, 0});
        QStringList arguments{QStringLiteral("scan"), QStringLiteral("--from"), QStringLiteral("1"),
                              QStringLiteral("--to"), QStringLiteral("3")};
        if (json)
            arguments << QStringLiteral("--json");
        const TCliResult r = RunOnSim(arguments);
        ASSERT_EQ(r.Status, 0) << r;
        EXPECT_TRUE(r.Err.contains(QStringLiteral("возможно, несколько приборов на адресе 2")))
            << r;
        if (json) {
            const QJsonArray list = QJsonDocument::fromJson(r.Out.toUtf8()).array();
            ASSERT_EQ(list.size(), 3) << r;
            const QJsonObject garbled = list[1].toObject();
            EXPECT_EQ(garbled.value("address").toInt(), 2);
            EXPECT_TRUE(garbled.value("corrupted").toBool());
            EXPECT_EQ(garbled.value("note").toString(),
                      QStringLiteral("возможно, несколько приборов на адресе 2"));
            EXPECT_EQ(list[2].toObject().value("plantNumber").toInt(), 1236);
        } else {
            EXPECT_TRUE(
                r.Out.contains(QStringLiteral("\n2\t?\t?\t?\t?\tвозможно, несколько приборов "
                                              "на адресе 2\n")))
                << r;
        }
    }
}

TEST_F(CliSimTest, AssignRefusesAnOccupiedTargetUnlessForced)
{
    sim.SetDeviceCount(3); // 1234, 1235, 1236 at 1, 2, 3
    const QStringList arguments{QStringLiteral("assign"), QStringLiteral("--first-address"),
                                QStringLiteral("3"),      QStringLiteral("--first-plant"),
                                QStringLiteral("1234"),   QStringLiteral("--count"),
                                QStringLiteral("2")};
    sim.ClearRequests();
    TCliResult r = RunOnSim(arguments);
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Адрес 3 занят прибором 1236"))) << r;
    EXPECT_TRUE(r.Out.isEmpty()) << r;
    for (const QByteArray &frame : sim.Requests())
        EXPECT_NE(quint8(frame[1]), 0x10) << "nothing written";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sim.Device(i).Address(), 1 + i);

    r = RunOnSim(arguments + QStringList{QStringLiteral("--force")});
    EXPECT_TRUE(r.Out.startsWith(QStringLiteral("1234\t3\t"))) << r;
    EXPECT_EQ(sim.Device(0).Address(), 3) << "forced: written";
}

TEST_F(CliSimTest, AssignGivesTenDevicesTheirAddressesAndConfirmsEach)
{
    sim.SetDeviceCount(10); // 1234..1243 at 1..10
    const TCliResult r =
        RunOnSim({QStringLiteral("assign"), QStringLiteral("--first-address"), QStringLiteral("21"),
                  QStringLiteral("--first-plant"), QStringLiteral("1234"),
                  QStringLiteral("--count"), QStringLiteral("10")});
    EXPECT_EQ(r.Status, 0) << r;
    QString expected;
    for (int i = 0; i < 10; ++i)
        expected += QStringLiteral("%1\t%2\tok\n").arg(1234 + i).arg(21 + i);
    EXPECT_EQ(r.Out, expected);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(sim.Device(i).Address(), 21 + i);
}

// Commissioning a line of ten devices where two share an address: the scan
// names the garbled address, the assignment refuses targets held by others
// and, given free targets, puts the line right and confirms every device.
TEST_F(CliSimTest, CommissioningTenDevicesWhereTwoShareAnAddress)
{
    sim.SetDeviceCount(9);  // 1234..1242 at 1..9
    sim.AddDevice(3, 1243); // the tenth set to address 3 by mistake
    TCliResult r =
        RunOnSim({QStringLiteral("scan"), QStringLiteral("--from"), QStringLiteral("1"),
                  QStringLiteral("--to"), QStringLiteral("10"), QStringLiteral("--json")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("возможно, несколько приборов на адресе 3"))) << r;
    const QJsonArray found = QJsonDocument::fromJson(r.Out.toUtf8()).array();
    ASSERT_EQ(found.size(), 9) << r;
    EXPECT_TRUE(found[2].toObject().value("corrupted").toBool()) << r;

    const QStringList assign{QStringLiteral("assign"), QStringLiteral("--first-plant"),
                             QStringLiteral("1234"),   QStringLiteral("--count"),
                             QStringLiteral("10"),     QStringLiteral("--first-address")};
    sim.ClearRequests();
    r = RunOnSim(assign + QStringList{QStringLiteral("2")});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Адрес 2 занят прибором 1235"))) << r;
    EXPECT_TRUE(
        r.Err.contains(QStringLiteral("Адрес 3 занят: возможно, несколько приборов на адресе 3")))
        << r;
    for (const QByteArray &frame : sim.Requests())
        EXPECT_NE(quint8(frame[1]), 0x10) << "nothing written";

    r = RunOnSim(assign + QStringList{QStringLiteral("21")});
    EXPECT_EQ(r.Status, 0) << r;
    QString expected;
    for (int i = 0; i < 10; ++i)
        expected += QStringLiteral("%1\t%2\tok\n").arg(1234 + i).arg(21 + i);
    EXPECT_EQ(r.Out, expected);

    r = RunOnSim({QStringLiteral("scan"), QStringLiteral("--from"), QStringLiteral("1"),
                  QStringLiteral("--to"), QStringLiteral("30"), QStringLiteral("--json")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_FALSE(r.Err.contains(QStringLiteral("несколько приборов"))) << r;
    const QJsonArray after = QJsonDocument::fromJson(r.Out.toUtf8()).array();
    ASSERT_EQ(after.size(), 10) << r;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(after[i].toObject().value("address").toInt(), 21 + i);
        EXPECT_EQ(after[i].toObject().value("plantNumber").toInt(), 1234 + i);
    }
}

TEST_F(CliSimTest, SimulateRunsTheBuiltInTransducer)
{
    const TCliResult r =
        Run({QStringLiteral("--simulate"), QStringLiteral("get"), QStringLiteral("Hmax")});
    EXPECT_EQ(r.Status, 0) << r;
    EXPECT_TRUE(r.Out.startsWith(QStringLiteral("Hmax="))) << r;
}

TEST_F(CliSimTest, SignalAndSpectrumWriteTheProgramsDumps)
{
    sim.SetDistance(4321);
    const QString signal = dir.file(QStringLiteral("Signal.txt"));
    TCliResult r = RunOnSim({QStringLiteral("signal"), QStringLiteral("--out"), signal});
    ASSERT_EQ(r.Status, 0) << r;
    QStringList lines = ReadTextLines(signal);
    const std::vector<quint16> samples = sim.SignalArray();
    ASSERT_EQ(lines.size(), int(samples.size()) + 3);
    EXPECT_EQ(lines[0], QStringLiteral("Заводской номер 1234"));
    EXPECT_EQ(lines[2], QStringLiteral("Точка Значение"));
    for (std::size_t n : {std::size_t(0), std::size_t(1000), samples.size() - 1})
        EXPECT_EQ(lines[int(n) + 3].split(' ', Qt::SkipEmptyParts),
                  (QStringList{QString::number(n + 1), QString::number(samples[n])}));
    EXPECT_TRUE(readAll(signal).contains("\r\n"));

    const QString spectrum = dir.file(QStringLiteral("Spectrum.txt"));
    r = RunOnSim({QStringLiteral("spectrum"), QStringLiteral("--out"), spectrum});
    ASSERT_EQ(r.Status, 0) << r;
    lines = ReadTextLines(spectrum);
    const std::vector<float> values = sim.SpectrumArray();
    ASSERT_EQ(lines.size(), int(values.size()) + 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Точка"))) << lines[0].toStdString();
    const QStringList fields = lines[10].split(' ', Qt::SkipEmptyParts);
    ASSERT_EQ(fields.size(), 3);
    EXPECT_NEAR(fields[1].toDouble(), values[9], 1e-4 * std::max(1.f, values[9]));

    // A device that stops answering: status 1, and no file is left behind.
    const QString lost = dir.file(QStringLiteral("Lost.txt"));
    sim.InjectFault({TSimFaultKind::Silence, 0}, 1000);
    r = RunOnSim({QStringLiteral("signal"), QStringLiteral("--out"), lost});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_FALSE(QFileInfo::exists(lost));
}

// The line of a two-wire adapter that echoes each request: with the local
// echo on, every register is read into the parameter file and written back.
TEST_F(CliSimTest, ReadAllAndWriteAllWorkOverAnEchoingLine)
{
    sim.SetEchoRequest(true);
    const QString file = dir.file(QStringLiteral("PN.ini"));
    TCliResult r = RunOnSim(
        {QStringLiteral("read-all"), QStringLiteral("--full"), QStringLiteral("--out"), file});
    EXPECT_EQ(r.Status, 1) << r; // the echo is not expected yet
    EXPECT_TRUE(r.Err.contains(QStringLiteral("эха запроса"))) << r;

    writeAll(dir.file(QStringLiteral("INI/ComPort.ini")),
             "[Transmitter]\r\nReadInterval=20\r\nReadTotalConstant=60\r\n"
             "ReadTotalMultiplier=1\r\nLocalEcho=1\r\nFrameEnd=Length\r\n");
    r = RunOnSim(
        {QStringLiteral("read-all"), QStringLiteral("--full"), QStringLiteral("--out"), file});
    ASSERT_EQ(r.Status, 0) << r;
    {
        TIniFile ini(file);
        ini.WriteFloat("UserRegisters", "Hmax", 12345);
        ini.WriteFloat("UserRegisters", "Lmax", 12000);
        ini.WriteFloat("CommonServiceRegisters", "KrPer", 1.375);
        ASSERT_TRUE(ini.UpdateFile());
    }
    r = RunOnSim(
        {QStringLiteral("write-all"), QStringLiteral("--full"), QStringLiteral("--in"), file});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(sim.HoldingSingle(1000), 12345.0f);
    EXPECT_EQ(sim.HoldingSingle(2006), 1.375f);
    r = RunOnSim({QStringLiteral("get"), QStringLiteral("Hmax")});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_TRUE(r.Out.contains(QStringLiteral("12345"))) << r;
}

// The simulated adapter unplugged for a while under its stable name: the
// polls of the gap fail with the loss named, then the readings come back.
TEST_F(CliFixture, PollRecoversAfterThePortCameBack)
{
    TSimTransducer sim;
    sim.SetLinkPath(dir.file(QStringLiteral("ttyTALS")));
    sim.SetDistance(4000);
    ASSERT_TRUE(sim.Start());
    std::thread replug([&sim] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        sim.Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        sim.Start();
    });
    const TCliResult r =
        Run({QStringLiteral("--port"), dir.file(QStringLiteral("ttyTALS")), QStringLiteral("poll"),
             QStringLiteral("--period"), QStringLiteral("100"), QStringLiteral("--count"),
             QStringLiteral("60"), QStringLiteral("--json")});
    replug.join();
    sim.Stop();
    const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 60) << r;
    // Good, then lost, then good again to the end.
    QString pattern;
    for (const QString &line : lines) {
        const QJsonObject o = JsonObject(line);
        const QChar c = o.value("status").toInt() == 0 ? QLatin1Char('g') : QLatin1Char('-');
        if (pattern.isEmpty() || pattern.back() != c)
            pattern += c;
        if (c == '-') {
            EXPECT_TRUE(o.value("statusText").toString().startsWith(QStringLiteral("Порт потерян")))
                << line.toStdString();
        }
    }
    EXPECT_EQ(pattern, QStringLiteral("g-g")) << r;
    int good = 0;
    for (int i = lines.size() - 10; i < lines.size(); ++i)
        good += JsonObject(lines[i]).value("status").toInt() == 0;
    EXPECT_EQ(good, 10) << r;
}
