// tals35xi-cli against an independent Modbus RTU server: libmodbus serves a
// register map on the master side of a pseudo-terminal, the tool opens the
// slave side. The test only cuts the byte stream into frames; libmodbus
// builds every answer from its map (modbus_reply), except the identification
// objects (function 43/14), which libmodbus does not know and the test
// answers in the transducer's layout.

#include "platform/ini_file.h"
#include "protocol/frame.h"
#include "tests/cli/cli_fixture.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <modbus/modbus.h>

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace tals;
using namespace tals::test;

namespace {

constexpr int kHoldingCount = 3212;
constexpr int kInputCount = 3100;

class CliModbusTest : public CliFixture
{
protected:
    void SetUp() override
    {
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(openpty(&m_master, &slave, name, nullptr, nullptr), 0);
        termios raw{};
        ASSERT_EQ(tcgetattr(m_master, &raw), 0);
        cfmakeraw(&raw);
        ASSERT_EQ(tcsetattr(m_master, TCSANOW, &raw), 0);
        m_slavePath = QString::fromLocal8Bit(name);
        m_slave = slave; // kept open so the master side never sees a hang-up

        m_ctx = modbus_new_rtu(name, 9600, 'E', 8, 1);
        ASSERT_NE(m_ctx, nullptr);
        ASSERT_EQ(modbus_set_slave(m_ctx, 1), 0);
        // libmodbus serves the master side directly, without opening a device.
        ASSERT_EQ(modbus_set_socket(m_ctx, m_master), 0);
        m_map = modbus_mapping_new_start_address(0, 0, 0, 0, 0, m_holdingCount, 0, kInputCount);
        ASSERT_NE(m_map, nullptr);

        SetFloat(16000.0f, Holding(1000)); // Hmax
        SetFloat(15000.0f, Holding(1002)); // Lmax
        SetFloat(0.5f, Holding(1006));     // KKalman
        SetFloat(2.0f, Holding(1008));     // Speed
        Holding(1011)[0] = 1;              // CurrentOutput_Range
        SetFloat(3210.5f, Input(1));       // Distance
        SetFloat(3210.5f, Input(3));       // LevelFree
        SetFloat(12789.5f, Input(5));      // LevelBusy
        SetFloat(21.0f, Input(13));        // TmpOfSensor

        m_server = std::thread([this] { Serve(); });
    }

    void TearDown() override
    {
        m_stop = true;
        if (m_server.joinable())
            m_server.join();
        if (m_map)
            modbus_mapping_free(m_map);
        if (m_ctx)
            modbus_free(m_ctx);
        if (m_master >= 0)
            close(m_master);
        if (m_slave >= 0)
            close(m_slave);
    }

    void Serve()
    {
        QByteArray buffer;
        while (!m_stop) {
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                char bytes[512];
                const ssize_t n = read(m_master, bytes, sizeof bytes);
                if (n > 0)
                    buffer.append(bytes, n);
            } else {
                buffer.clear(); // a pause ends an incomplete frame
            }
            const int length = FrameLength(buffer);
            if (length == 0 || buffer.size() < length)
                continue;
            QByteArray frame = buffer.left(length);
            buffer.remove(0, length);
            if (frame[0] != '\x01')
                continue; // another address or a broadcast: no answer
            if (frame[1] == '\x2B')
                AnswerIdentification(quint8(frame[3]));
            else
                modbus_reply(m_ctx, reinterpret_cast<const uint8_t *>(frame.constData()),
                             int(frame.size()), m_map);
        }
    }

    // Length of a request as far as its first bytes tell, 0 when unknown yet.
    static int FrameLength(const QByteArray &b)
    {
        if (b.size() < 2)
            return 0;
        switch (quint8(b[1])) {
        case 0x03:
        case 0x04:
        case 0x06:
            return 8;
        case 0x2B:
            return 7;
        case 0x10:
            return b.size() < 7 ? 0 : 9 + quint8(b[6]);
        default:
            return int(b.size());
        }
    }

    // The objects of read code 1, 2 or 3, each text at the byte position
    // where the transducer puts it.
    void AnswerIdentification(quint8 readCode)
    {
        struct TObject
        {
            quint8 Id;
            QByteArray Text;
        };
        std::vector<TObject> objects;
        if (readCode == 1)
            objects = {{0x00, "01.02.26 "}, {0x01, "05555"},      {0x02, "MODBUS LAB "},
                       {0x03, "004"},       {0x04, "TALS352I  "}, {0x05, "007"}};
        else if (readCode == 2)
            objects = {{0x03, "Test bench 7    "}, {0x04, "Level     "}, {0x05, "TALS352I"}};
        else
            objects = {{0x80, "TALS35xI-352 "}, {0x81, "20"}, {0x82, "K2026 "}, {0x83, "0BEEF0"}};
        QByteArray a("\x01\x2B\x0E", 3);
        a.append(char(readCode)).append(char(readCode)).append('\0').append('\0');
        a.append(char(objects.size()));
        for (const TObject &o : objects)
            a.append(char(o.Id)).append(char(o.Text.size())).append(o.Text);
        const QByteArray frame = AppendCrc16(a);
        ASSERT_EQ(write(m_master, frame.constData(), size_t(frame.size())), frame.size());
    }

    static void SetFloat(float f, uint16_t *dest)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        dest[0] = uint16_t(bits >> 16);
        dest[1] = uint16_t(bits & 0xFFFF);
    }
    uint16_t *Holding(int address) { return m_map->tab_registers + address; }
    uint16_t *Input(int address) { return m_map->tab_input_registers + address; }

    TCliResult RunOnServer(const QStringList &arguments)
    {
        return Run(QStringList{QStringLiteral("--port"), m_slavePath} + arguments);
    }

    int m_holdingCount = kHoldingCount;
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    modbus_t *m_ctx = nullptr;
    modbus_mapping_t *m_map = nullptr;
    std::thread m_server;
    std::atomic<bool> m_stop{false};
};

} // namespace

TEST_F(CliModbusTest, IdentifyDecodesTheIdentificationObjects)
{
    const TCliResult r = RunOnServer({QStringLiteral("identify"), QStringLiteral("--json")});
    ASSERT_EQ(r.Status, 0) << r;
    const QJsonObject o = QJsonDocument::fromJson(r.Out.toUtf8()).object();
    EXPECT_EQ(o.value("PlantNumber").toString(), QStringLiteral("05555"));
    EXPECT_EQ(o.value("SoftVersion").toString(), QStringLiteral("007"));
    EXPECT_EQ(o.value("Site").toString(), QStringLiteral("Test bench 7"));
}

TEST_F(CliModbusTest, ReadAllThenWriteAllMoveTheUserRegisters)
{
    const QString file = dir.file(QStringLiteral("PN05555.ini"));
    TCliResult r = RunOnServer({QStringLiteral("read-all"), QStringLiteral("--out"), file});
    ASSERT_EQ(r.Status, 0) << r;
    {
        TIniFile ini(file);
        EXPECT_EQ(ini.ReadFloat("UserRegisters", "Hmax", 0), 16000.0);
        EXPECT_EQ(ini.ReadFloat("UserRegisters", "KKalman", 0), 0.5);
        EXPECT_EQ(ini.ReadInteger("UserRegisters", "CurrentOutput_Range", -1), 1);
        EXPECT_EQ(ini.ReadInteger("CommonServiceRegisters", "PlantNumber", 0), 5555);
        ini.WriteFloat("UserRegisters", "Lmax", 9000);
        ini.WriteFloat("UserRegisters", "KKalman", 0.75);
        ASSERT_TRUE(ini.UpdateFile());
    }
    r = RunOnServer({QStringLiteral("write-all"), QStringLiteral("--in"), file});
    ASSERT_EQ(r.Status, 0) << r;
    EXPECT_EQ(modbus_get_float_abcd(Holding(1000)), 16000.0f);
    EXPECT_EQ(modbus_get_float_abcd(Holding(1002)), 9000.0f);
    EXPECT_EQ(modbus_get_float_abcd(Holding(1006)), 0.75f);
    EXPECT_EQ(Holding(1011)[0], 1);
}

// The server's map ends before the functional registers (3200 to 3210).
class CliModbusShortMapTest : public CliModbusTest
{
protected:
    CliModbusShortMapTest() { m_holdingCount = 3200; }
};

TEST_F(CliModbusShortMapTest, WriteAllNamesTheRegistersOutsideTheServersMap)
{
    // libmodbus refuses the functional block (illegal data address), and
    // every one of its registers on its own; the other groups go in.
    const QString file = dir.file(QStringLiteral("PN.ini"));
    ASSERT_EQ(RunOnServer({QStringLiteral("read-all"), QStringLiteral("--out"), file}).Status, 0);
    TCliResult r = RunOnServer({QStringLiteral("write-all"), QStringLiteral("--full"),
                                QStringLiteral("--force"), QStringLiteral("--in"), file});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("SignalAccumulation (3200)"))) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("EmptyTraining (3210)"))) << r;
    EXPECT_FALSE(r.Err.contains(QStringLiteral("Hmax"))) << r;

    // Without --force the groups are read for the comparison first: a group
    // that cannot be read is named and nothing is written.
    r = RunOnServer(
        {QStringLiteral("write-all"), QStringLiteral("--full"), QStringLiteral("--in"), file});
    EXPECT_EQ(r.Status, 1) << r;
    EXPECT_TRUE(r.Err.contains(QStringLiteral("Считать функциональные регистры"))) << r;
    EXPECT_FALSE(r.Out.contains(QStringLiteral("Записать"))) << r;
}

TEST_F(CliModbusTest, PollReadsTheReadingsBlock)
{
    const TCliResult r =
        RunOnServer({QStringLiteral("poll"), QStringLiteral("--period"), QStringLiteral("5"),
                     QStringLiteral("--count"), QStringLiteral("2")});
    ASSERT_EQ(r.Status, 0) << r;
    const QStringList lines = r.Out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r;
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",3210.5,12789.5,3210.5,21,0"))) << r;
}
