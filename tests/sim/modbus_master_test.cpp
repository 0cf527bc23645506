// Independent Modbus masters (libmodbus and mbpoll) against the simulated
// transducer, in-process and as the tals35xi-sim program.

#include "link/transmitter.h"
#include "protocol/frame.h"
#include "sim/sim_transducer.h"

#include "tests/common/test_support.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <modbus.h>

#include <cerrno>
#include <csignal>

using namespace tals;

namespace {

class LibModbusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        sim.SetDistance(7250);
        ctx = modbus_new_rtu(sim.PortPath().toLocal8Bit().constData(), 9600, 'E', 8, 1);
        ASSERT_NE(ctx, nullptr);
        modbus_set_slave(ctx, 1);
        modbus_set_response_timeout(ctx, 1, 0);
        ASSERT_EQ(modbus_connect(ctx), 0) << modbus_strerror(errno);
    }
    void TearDown() override
    {
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
    }
    TSimTransducer sim;
    modbus_t *ctx = nullptr;
};

TEST_F(LibModbusTest, ReadsTheReadingsAndWritesRegisters)
{
    uint16_t regs[64] = {};
    ASSERT_EQ(modbus_read_input_registers(ctx, 0, 15, regs), 15) << modbus_strerror(errno);
    EXPECT_EQ(regs[0], 0);
    EXPECT_FLOAT_EQ(modbus_get_float_abcd(&regs[1]), 7250.0f);
    EXPECT_FLOAT_EQ(modbus_get_float_abcd(&regs[5]), 30000.0f - 7250.0f);

    // 0.5 as a single, the high half in the lower register.
    uint16_t kalman[2] = {0x3F00, 0x0000};
    ASSERT_EQ(modbus_write_registers(ctx, 1006, 2, kalman), 2) << modbus_strerror(errno);
    EXPECT_FLOAT_EQ(sim.HoldingSingle(1006), 0.5f);

    ASSERT_EQ(modbus_write_register(ctx, 2003, 7), 1) << modbus_strerror(errno);
    ASSERT_EQ(modbus_read_registers(ctx, 2000, 10, regs), 10);
    EXPECT_EQ(regs[3], 7);
    EXPECT_EQ(regs[2], sim.PlantNumber());

    // Out of range and unknown registers are refused with the exceptions.
    EXPECT_EQ(modbus_write_register(ctx, 2003, 70), -1);
    EXPECT_EQ(errno, EMBXILVAL);
    EXPECT_EQ(modbus_read_registers(ctx, 1500, 1, regs), -1);
    EXPECT_EQ(errno, EMBXILADD);
    EXPECT_EQ(sim.HoldingRegister(2003), 7);
}

QString Mbpoll()
{
    return QStandardPaths::findExecutable(QStringLiteral("mbpoll"));
}

// Runs mbpoll over RTU at 9600 bit/s, even parity; returns its output.
QString RunMbpoll(const QString &port, const QStringList &args, int *exitCode = nullptr)
{
    QProcess p;
    QStringList all{"-m", "rtu", "-b", "9600", "-P", "even", "-o", "1"};
    all << args;
    all << port;
    p.start(Mbpoll(), all);
    p.waitForFinished(20000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

TEST(MbpollTest, ReadsAndWritesTheInProcessSimulator)
{
    if (Mbpoll().isEmpty())
        GTEST_SKIP() << "mbpoll is not installed";
    TSimTransducer sim;
    ASSERT_TRUE(sim.Start());
    sim.SetPlantNumber(2468);
    const QString read =
        RunMbpoll(sim.PortPath(), {"-a", "1", "-0", "-r", "2001", "-c", "3", "-t", "4", "-1"});
    EXPECT_TRUE(read.contains("[2002]: \t2468")) << read.toStdString();
    EXPECT_TRUE(read.contains("[2003]: \t6")) << read.toStdString();

    int code = -1;
    // Values to write follow the port on mbpoll's command line.
    QProcess p;
    p.start(Mbpoll(), {"-m", "rtu", "-b", "9600", "-P", "even", "-a", "1", "-0", "-r", "3005", "-t",
                       "4", sim.PortPath(), "17"});
    ASSERT_TRUE(p.waitForFinished(20000));
    code = p.exitCode();
    EXPECT_EQ(code, 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(sim.HoldingRegister(3005), 17);

    const QString floats = RunMbpoll(
        sim.PortPath(), {"-a", "1", "-0", "-B", "-r", "1006", "-c", "1", "-t", "4:float", "-1"});
    EXPECT_TRUE(floats.contains("[1006]: \t1")) << floats.toStdString();
}

TEST(MbpollTest, ServesThroughTheStandaloneProgramAndItsLink)
{
    if (Mbpoll().isEmpty())
        GTEST_SKIP() << "mbpoll is not installed";
    const QString program = QStringLiteral(TALS_BINARY_DIR "/tals35xi-sim");
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "tals35xi-sim is not built";
    test::ScratchDir dir;
    const QString linkPath = dir.file("ttyTALS");
    QProcess sim;
    sim.start(program, {"--address", "7", "--plant", "4321", "--baud", "9600", "--link", linkPath});
    ASSERT_TRUE(sim.waitForStarted(10000));
    ASSERT_TRUE(sim.waitForReadyRead(10000));
    const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
    EXPECT_TRUE(port.startsWith("/dev/pts/")) << port.toStdString();
    EXPECT_EQ(QFileInfo(linkPath).symLinkTarget(), port);

    const QString read =
        RunMbpoll(linkPath, {"-a", "7", "-0", "-r", "2002", "-c", "1", "-t", "4", "-1"});
    EXPECT_TRUE(read.contains("[2002]: \t4321")) << read.toStdString();
    // Another address gets no answer.
    int code = 0;
    RunMbpoll(linkPath, {"-a", "1", "-0", "-r", "2002", "-t", "4", "-1"}, &code);
    EXPECT_NE(code, 0);

    sim.terminate(); // SIGTERM
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(linkPath));
}

// The program as a two-wire adapter that echoes: each request comes back
// whole before the answer, which a link with its local echo on reads past.
TEST(SimProgram, EchoRequestReturnsEachRequestBeforeTheAnswer)
{
    const QString program = QStringLiteral(TALS_BINARY_DIR "/tals35xi-sim");
    if (!QFileInfo(program).isExecutable())
        GTEST_SKIP() << "tals35xi-sim is not built";
    test::ScratchDir dir;
    const QString linkPath = dir.file("ttyTALS");
    QProcess sim;
    sim.start(program, {"--echo-request", "--link", linkPath});
    ASSERT_TRUE(sim.waitForStarted(10000));
    ASSERT_TRUE(sim.waitForReadyRead(10000));

    TTransmitter port;
    port.SetPort(linkPath);
    port.SetTimeouts({20, 150, 2, 100, 2});
    port.Connect();
    const QByteArray request = QByteArray::fromHex("01040000000F"); // the readings block
    QByteArray answer;
    ASSERT_TRUE(port.Exchange(request, answer));
    EXPECT_TRUE(answer.startsWith(AppendCrc16(request))) << answer.toHex().toStdString();
    EXPECT_GT(answer.size(), 8);

    port.SetLocalEcho(true);
    TEchoFault echo = TEchoFault::InAnswer;
    ASSERT_TRUE(port.Exchange(request, answer, 250, true, &echo));
    EXPECT_EQ(echo, TEchoFault::None);
    EXPECT_TRUE(CheckCrc16Frame(answer)) << answer.toHex().toStdString();
    EXPECT_EQ(ByteAt(answer, 1), 0x04);
    port.Disconnect();

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_FALSE(QFileInfo::exists(linkPath));
}

} // namespace
