#include "device/sweep_scale.h"
#include "link/transmitter.h"
#include "protocol/frame.h"
#include "sim/line_layout.h"
#include "sim/sim_transducer.h"

#include <QElapsedTimer>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tals;

namespace {

QByteArray Frame(const char *hex)
{
    return QByteArray::fromHex(hex);
}

QByteArray WriteFrame(quint8 address, int start, const std::vector<quint16> &words)
{
    QByteArray f;
    f.append(static_cast<char>(address));
    f.append('\x10');
    AppendWord(f, static_cast<quint16>(start));
    AppendWord(f, static_cast<quint16>(words.size()));
    f.append(static_cast<char>(2 * words.size()));
    for (quint16 w : words)
        AppendWord(f, w);
    return f;
}

QByteArray ReadFrame(quint8 function, int start, int count)
{
    QByteArray f;
    f.append('\x01');
    f.append(static_cast<char>(function));
    AppendWord(f, static_cast<quint16>(start));
    AppendWord(f, static_cast<quint16>(count));
    return f;
}

std::vector<quint16> SingleWords(float v)
{
    const TFourBytes b = SingleToBytes(v);
    return {BytesToWord(b.b[0], b.b[1]), BytesToWord(b.b[2], b.b[3])};
}

QString Text(const QByteArray &answer, int first, int last)
{
    return QStringDecoder("windows-1251").decode(answer.mid(first, last - first + 1));
}

class SimTransducerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start());
        sim.SetDistance(6000);
        link.SetPort(sim.PortPath());
        TComTimeouts t = link.Timeouts();
        t.ReadInterval = 20;
        link.SetTimeouts(t);
        link.Connect();
    }
    QByteArray Ask(const QByteArray &request)
    {
        QByteArray answer;
        link.Exchange(request, answer);
        return answer;
    }
    // The exception code of an answer, 0 for a normal answer.
    int ExceptionOf(const QByteArray &answer)
    {
        EXPECT_TRUE(CheckCrc16Frame(answer));
        return answer.size() == 5 && (ByteAt(answer, 1) & 0x80) ? ByteAt(answer, 2) : 0;
    }
    TSimTransducer sim;
    TTransmitter link;
};

TEST_F(SimTransducerTest, ReadingsBlockCarriesTheLevelAndTemperature)
{
    sim.SetTemperature(31.25);
    const QByteArray a = Ask(ReadFrame(4, 0, 15));
    ASSERT_EQ(a.size(), 35);
    ASSERT_TRUE(CheckCrc16Frame(a));
    auto single = [&](int i) {
        return BytesToSingle(ByteAt(a, i), ByteAt(a, i + 1), ByteAt(a, i + 2), ByteAt(a, i + 3));
    };
    EXPECT_EQ(BytesToWord(ByteAt(a, 3), ByteAt(a, 4)), 0);
    EXPECT_FLOAT_EQ(single(5), 6000.0f);          // distance
    EXPECT_FLOAT_EQ(single(13), 30000.0f - 6000); // level = Hmax - distance
    EXPECT_FLOAT_EQ(single(9), 6000.0f);          // free space = Lmax - level
    EXPECT_FLOAT_EQ(single(29), 31.25f);
    // The information block ends with the two test distances.
    const QByteArray info = Ask(ReadFrame(4, 3000, 35));
    ASSERT_EQ(info.size(), 75);
    EXPECT_FLOAT_EQ(
        BytesToSingle(ByteAt(info, 69), ByteAt(info, 70), ByteAt(info, 71), ByteAt(info, 72)),
        6000.0f);
    EXPECT_EQ(Ask(ReadFrame(4, 3031, 4)).size(), 13);
}

TEST_F(SimTransducerTest, MovingLevelStaysPlausible)
{
    sim.SetLevelMotion(true);
    const double d = sim.Distance();
    EXPECT_GE(d, 4500.0 - 1);
    EXPECT_LE(d, 7500.0 + 1);
}

TEST_F(SimTransducerTest, HoldingRegistersFollowTheDeviceRanges)
{
    struct TCase
    {
        int reg;
        std::vector<quint16> words;
        int exception;
    };
    const TCase cases[] = {
        {1006, SingleWords(0.5f), 0},     // KKalman
        {1006, SingleWords(0.005f), 3},   // below 0.01
        {1000, SingleWords(40000.0f), 3}, // Hmax above 30000
        {1000, SingleWords(20000.0f), 0},
        {1002, SingleWords(25000.0f), 3}, // Lmax above Hmax
        {1002, SingleWords(15000.0f), 0},
        {3008, {2048}, 0}, // CountSteps, high-frequency limit
        {3008, {100}, 3},
        {3014, {0xFFFE}, 0}, // DSdelta -2
        {2001, {7}, 3},      // ControlCommand 0..6
        {1500, {1}, 2},      // no such register
        {1012, {1, 2}, 2},   // runs past the group into a hole
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.reg);
        EXPECT_EQ(ExceptionOf(Ask(WriteFrame(1, c.reg, c.words))), c.exception);
    }
    EXPECT_FLOAT_EQ(sim.HoldingSingle(1006), 0.5f);
    EXPECT_FLOAT_EQ(sim.HoldingSingle(1000), 20000.0f);
    EXPECT_FLOAT_EQ(sim.HoldingSingle(1002), 15000.0f);
    EXPECT_EQ(sim.HoldingRegister(3008), 2048);
    // A refused block write stores nothing of it.
    EXPECT_EQ(ExceptionOf(Ask(WriteFrame(1, 1010, {0, 9, 0}))), 3);
    EXPECT_EQ(sim.HoldingRegister(1010), 1);
    // Block reads of every group answer in full.
    const std::pair<int, int> groups[] = {{1000, 13}, {2000, 10}, {3000, 19},
                                          {3100, 28}, {3128, 41}, {3200, 11}};
    for (const auto &[start, count] : groups) {
        const QByteArray a = Ask(ReadFrame(3, start, count));
        EXPECT_EQ(a.size(), 5 + 2 * count) << start;
    }
    EXPECT_EQ(ExceptionOf(Ask(ReadFrame(3, 1013, 1))), 2);
    // The address register.
    const QByteArray address = Ask(ReadFrame(3, 2, 1));
    ASSERT_EQ(address.size(), 7);
    EXPECT_EQ(ByteAt(address, 4), 1);
}

TEST_F(SimTransducerTest, PasswordRuleGuardsTheServiceRegisters)
{
    sim.SetRequirePassword(true);
    EXPECT_EQ(ExceptionOf(Ask(WriteFrame(1, 3005, {10}))), 1);
    EXPECT_EQ(ExceptionOf(Ask(WriteFrame(1, 1006, SingleWords(0.25f)))), 0);
    EXPECT_EQ(ExceptionOf(Ask(WriteFrame(1, 2000, {24680}))), 0);
    EXPECT_TRUE(sim.FullAccess());
    EXPECT_EQ(ExceptionOf(Ask(WriteFrame(1, 3005, {10}))), 0);
    EXPECT_EQ(sim.HoldingRegister(3005), 10);
    Ask(WriteFrame(1, 2000, {0}));
    EXPECT_FALSE(sim.FullAccess());
}

TEST_F(SimTransducerTest, IdentificationTextsStandWhereTheProgramReadsThem)
{
    sim.SetPlantNumber(4711);
    sim.SetHardVersion(2);
    sim.SetSoftVersion(13);
    const QByteArray basic = Ask(Frame("012B0E0100"));
    ASSERT_EQ(basic.size(), 63);
    ASSERT_TRUE(CheckCrc16Frame(basic));
    EXPECT_EQ(Text(basic, 21, 25), "04711");
    EXPECT_EQ(Text(basic, 41, 43), "002");
    EXPECT_EQ(Text(basic, 58, 60), "013");
    EXPECT_EQ(Text(basic, 10, 18).trimmed(), "10.12.26");

    const QByteArray regular = Ask(Frame("012B0E0203"));
    ASSERT_EQ(regular.size(), 50);
    EXPECT_EQ(Text(regular, 10, 25).trimmed(), "Резервуар 1");
    EXPECT_EQ(Text(regular, 28, 37).trimmed(), "Уровнемер");
    EXPECT_EQ(Text(regular, 40, 47), "ТАЛС352И");

    const QByteArray extended = Ask(Frame("012B0E0380"));
    ASSERT_EQ(extended.size(), 45);
    EXPECT_EQ(Text(extended, 25, 26), "20");
    EXPECT_EQ(Text(extended, 37, 42).size(), 6);

    EXPECT_EQ(ExceptionOf(Ask(Frame("012B0E0700"))), 3);
}

TEST_F(SimTransducerTest, BroadcastAddressChangeByPlantNumber)
{
    sim.SetPlantNumber(555);
    // Another plant number: ignored; no answer to a broadcast in any case.
    EXPECT_TRUE(Ask(WriteFrame(0, 0, {0x14, 556, 7})).isEmpty());
    EXPECT_EQ(sim.Address(), 1);
    EXPECT_TRUE(Ask(WriteFrame(0, 0, {0x14, 555, 7})).isEmpty());
    EXPECT_EQ(sim.Address(), 7);
    // The old address is silent now, the new one answers.
    EXPECT_TRUE(Ask(ReadFrame(3, 2, 1)).isEmpty());
    QByteArray request = ReadFrame(3, 2, 1);
    request[0] = 7;
    const QByteArray a = Ask(request);
    ASSERT_EQ(a.size(), 7);
    EXPECT_EQ(ByteAt(a, 4), 7);
    // Program update start: family, plant number, confirmation word.
    request = WriteFrame(7, 3, {0x14, 555, 0x3C3C});
    EXPECT_EQ(Ask(request).size(), 8);
    EXPECT_TRUE(sim.UpdateRequested());
}

// Three transducers on one line: each answers only at its own address with
// its own identity; a broadcast reaches all and renumbers the one addressed.
TEST_F(SimTransducerTest, SeveralDevicesShareTheLine)
{
    sim.SetAddress(5);
    sim.SetPlantNumber(900);
    sim.SetDeviceCount(3);
    ASSERT_EQ(sim.DeviceCount(), 3);
    EXPECT_EQ(&sim.Device(0), &sim);
    auto identify = [&](quint8 address) {
        QByteArray request = Frame("002B0E0100");
        request[0] = static_cast<char>(address);
        return Ask(request);
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sim.Device(i).Address(), 5 + i);
        const QByteArray a = identify(static_cast<quint8>(5 + i));
        ASSERT_EQ(a.size(), 63);
        EXPECT_EQ(ByteAt(a, 0), 5 + i);
        EXPECT_EQ(Text(a, 21, 25), QString::number(900 + i).rightJustified(5, '0'));
        EXPECT_EQ(Text(a, 41, 43), QString::number(2 + i).rightJustified(3, '0'));
        EXPECT_EQ(Text(a, 58, 60), QString::number(3 + i).rightJustified(3, '0'));
    }
    EXPECT_TRUE(identify(4).isEmpty());
    EXPECT_TRUE(identify(8).isEmpty());

    // Only the device with plant number 901 takes address 20.
    EXPECT_TRUE(Ask(WriteFrame(0, 0, {0x14, 901, 20})).isEmpty());
    EXPECT_EQ(sim.Device(0).Address(), 5);
    EXPECT_EQ(sim.Device(1).Address(), 20);
    EXPECT_EQ(sim.Device(2).Address(), 7);
    EXPECT_TRUE(identify(6).isEmpty());
    EXPECT_EQ(Text(identify(20), 21, 25), QStringLiteral("00901"));
    // Each device counts what reached it; the line's first device saw every frame.
    EXPECT_EQ(sim.Device(1).RequestCount(), 3); // its read, the broadcast, the read at 20
    EXPECT_EQ(sim.Requests().size(), 8);

    // Faults are the addressed device's own.
    sim.Device(2).InjectFault({TSimFaultKind::Silence, 0});
    EXPECT_TRUE(identify(7).isEmpty());
    EXPECT_EQ(identify(5).size(), 63);
    EXPECT_EQ(identify(7).size(), 63);

    sim.SetDeviceCount(1);
    EXPECT_EQ(sim.DeviceCount(), 1);
    EXPECT_TRUE(identify(7).isEmpty());
}

TEST_F(SimTransducerTest, TwoDevicesAtOneAddressCollideOnTheLine)
{
    sim.SetPlantNumber(900);
    TSimTransducer &twin = sim.AddDevice(1, 901);
    ASSERT_EQ(sim.DeviceCount(), 2);
    EXPECT_EQ(twin.PlantNumber(), 901);
    // Both answer the read of the readings block: one garbled frame arrives.
    for (const QByteArray &request : {ReadFrame(4, 0, 15), ReadFrame(3, 2002, 1)}) {
        const QByteArray a = Ask(request);
        ASSERT_FALSE(a.isEmpty());
        EXPECT_FALSE(CheckCrc16Frame(a)) << a.toHex().toStdString();
    }
    EXPECT_EQ(twin.RequestCount(), 2);
    // Silenced, the twin leaves the line to the first device.
    twin.InjectFault({TSimFaultKind::Silence, 0});
    EXPECT_TRUE(CheckCrc16Frame(Ask(ReadFrame(3, 2002, 1))));
    // Moved away by its plant number, the twin answers alone at its address.
    EXPECT_TRUE(Ask(WriteFrame(0, 0, {0x14, 901, 9})).isEmpty());
    QByteArray read = ReadFrame(3, 2002, 1);
    read[0] = 9;
    const QByteArray a = Ask(read);
    ASSERT_TRUE(CheckCrc16Frame(a));
    EXPECT_EQ(BytesToWord(ByteAt(a, 3), ByteAt(a, 4)), 901);
    EXPECT_TRUE(CheckCrc16Frame(Ask(ReadFrame(3, 2002, 1))));
}

TEST(SimLine, CollidedFramesNeverPassTheCheck)
{
    const QByteArray a = AppendCrc16(QByteArray::fromHex("010302162e"));
    const QByteArray b = AppendCrc16(QByteArray::fromHex("010302162f"));
    const QByteArray longer = AppendCrc16(QByteArray::fromHex("0103040000162f"));
    for (const auto &frames : std::vector<std::vector<QByteArray>>{{a, a}, {a, b}, {a, longer}}) {
        const QByteArray line = CollidedFrame(frames);
        EXPECT_FALSE(CheckCrc16Frame(line)) << line.toHex().toStdString();
        EXPECT_EQ(line.size(), std::max(frames[0].size(), frames[1].size()));
    }
}

TEST(SimLine, DevicesLaidOutFromTheCommandLine)
{
    struct TCase
    {
        int Count;
        std::vector<TSimDeviceSpec> Named;
        std::vector<std::pair<int, int>> Expected; // address, plant number
    };
    const TCase cases[] = {
        {3, {}, {{1, 1234}, {2, 1235}, {3, 1236}}},
        {1, {{5, 100}, {5, 101}}, {{5, 100}, {5, 101}}},
        {2, {{1, 77}}, {{1, 1234}, {2, 1235}, {1, 77}}},
    };
    for (const TCase &c : cases) {
        TSimTransducer sim;
        LayOutSimLine(sim, c.Count, c.Named);
        ASSERT_EQ(sim.DeviceCount(), int(c.Expected.size()));
        for (int i = 0; i < sim.DeviceCount(); ++i) {
            EXPECT_EQ(sim.Device(i).Address(), c.Expected[std::size_t(i)].first);
            EXPECT_EQ(sim.Device(i).PlantNumber(), c.Expected[std::size_t(i)].second);
        }
    }
    EXPECT_EQ(ParseSimDeviceSpec(QStringLiteral("7:65535"))->Address, 7);
    for (const char *bad : {"0:1", "248:1", "5", "5:70000", "a:b", "5:1:2", ""})
        EXPECT_FALSE(ParseSimDeviceSpec(QLatin1String(bad))) << bad;
}

TEST_F(SimTransducerTest, ArrayReadoutConfirmsAfterTheSetReadsAndServesBlocks)
{
    sim.SetConfirmAfterReads(3);
    ASSERT_EQ(ExceptionOf(Ask(WriteFrame(1, 2001, {1}))), 0);
    auto state = [&] {
        const QByteArray a = Ask(ReadFrame(4, 10000, 2));
        return std::make_pair(BytesToWord(ByteAt(a, 3), ByteAt(a, 4)),
                              BytesToWord(ByteAt(a, 5), ByteAt(a, 6)));
    };
    EXPECT_EQ(state(), std::make_pair(quint16(1), quint16(0)));
    EXPECT_EQ(state(), std::make_pair(quint16(1), quint16(0)));
    EXPECT_EQ(state(), std::make_pair(quint16(1), quint16(1)));
    std::vector<quint16> signal;
    for (int block = 1; block <= 103; ++block) {
        const QByteArray a = Ask(ReadFrame(4, 10004 + 20 * (block - 1), 20));
        ASSERT_EQ(a.size(), 45) << block;
        for (int k = 0; k < 20; ++k)
            signal.push_back(BytesToWord(ByteAt(a, 3 + 2 * k), ByteAt(a, 4 + 2 * k)));
    }
    EXPECT_EQ(signal, sim.SignalArray());
    const auto [lo, hi] = std::minmax_element(signal.begin(), signal.end());
    EXPECT_GT(*hi - *lo, 1000); // a real beat, not a flat line

    sim.SetConfirmAfterReads(1);
    Ask(WriteFrame(1, 2001, {2}));
    EXPECT_EQ(state().second, 2);
    std::vector<float> spectrum;
    for (int block = 1; block <= 32; ++block) {
        const QByteArray a = Ask(ReadFrame(4, 10004 + 32 * (block - 1), 32));
        ASSERT_EQ(a.size(), 69);
        for (int k = 0; k < 16; ++k)
            spectrum.push_back(BytesToSingle(ByteAt(a, 3 + 4 * k), ByteAt(a, 4 + 4 * k),
                                             ByteAt(a, 5 + 4 * k), ByteAt(a, 6 + 4 * k)));
    }
    const int peak =
        static_cast<int>(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
    // 6000 mm on the scale of the device's sweep deviation and gas permittivity.
    const TSweepScale scale{sim.HoldingSingle(2006), sim.HoldingSingle(3113),
                            sim.HoldingSingle(3126)};
    EXPECT_NEAR(peak, scale.MmToBin(6000), 0.5);
    // Past the end of the array: illegal address.
    EXPECT_EQ(ExceptionOf(Ask(ReadFrame(4, 10004 + 32 * 32, 32))), 2);
}

// The beat signal's period and the spectrum's peak follow the simulated
// distance over the device's range: the peak stays inside the 512 points and
// the number of zero crossings of the signal grows with the distance.
TEST_F(SimTransducerTest, ArraysFollowTheDistance)
{
    sim.SetConfirmAfterReads(1);
    auto snapshot = [&](quint16 kind) {
        Ask(WriteFrame(1, 2001, {kind}));
        Ask(ReadFrame(4, 10000, 2));
    };
    int lastPeak = -1;
    int lastCrossings = -1;
    for (double distance : {1000.0, 6000.0, 15000.0, 29000.0}) {
        SCOPED_TRACE(distance);
        sim.SetDistance(distance);
        snapshot(2);
        const std::vector<float> spectrum = sim.SpectrumArray();
        const int peak = int(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
        EXPECT_GT(peak, lastPeak);
        EXPECT_LT(peak, 512 - 3);
        // A clear peak over the noise floor.
        EXPECT_GT(spectrum[std::size_t(peak)], 100 * spectrum[std::size_t((peak + 256) % 512)]);
        lastPeak = peak;

        snapshot(1);
        const std::vector<quint16> signal = sim.SignalArray();
        int crossings = 0;
        for (std::size_t n = 1; n < signal.size(); ++n)
            crossings += (signal[n - 1] < 2048) != (signal[n] < 2048);
        EXPECT_GT(crossings, lastCrossings);
        lastCrossings = crossings;
    }
}

TEST_F(SimTransducerTest, ServiceProtocolAnswers)
{
    EXPECT_EQ(Ask(Frame("011003AA55")), AppendCrc16(Frame("011003AA55")));
    // Write ODPM 3.0 (id 65), read it back.
    QByteArray odpm = Frame("01B306");
    odpm.append('\x41');
    AppendSingle(odpm, 3.0f);
    EXPECT_EQ(Ask(odpm), AppendCrc16(odpm));
    EXPECT_FLOAT_EQ(sim.HoldingSingle(3115), 3.0f);
    const QByteArray read = Ask(Frame("01B60241"));
    ASSERT_EQ(read.size(), 10);
    EXPECT_FLOAT_EQ(
        BytesToSingle(ByteAt(read, 4), ByteAt(read, 5), ByteAt(read, 6), ByteAt(read, 7)), 3.0f);
    // Out of range: the device's six-byte error answer.
    QByteArray bad = Frame("01B306");
    bad.append('\x41');
    AppendSingle(bad, 500.0f);
    const QByteArray error = Ask(bad);
    ASSERT_EQ(error.size(), 6);
    EXPECT_EQ(ByteAt(error, 1), 0xFA);
    // Mode start, single values, all values.
    EXPECT_EQ(Ask(Frame("01B1031414")), AppendCrc16(Frame("01B1031414")));
    EXPECT_EQ(Ask(Frame("01010200")).size(), 10);
    EXPECT_EQ(Ask(Frame("010201")).size(), 5 + 24);
}

TEST_F(SimTransducerTest, InjectedFaultsShapeTheNextAnswers)
{
    const QByteArray request = ReadFrame(4, 0, 15);
    for (int code = 1; code <= 4; ++code) {
        sim.InjectFault({TSimFaultKind::Exception, code});
        const QByteArray a = Ask(request);
        EXPECT_EQ(a, AppendCrc16(QByteArray("\x01\x84", 2) + char(code)));
    }
    sim.InjectFault({TSimFaultKind::BadCrc});
    EXPECT_FALSE(CheckCrc16Frame(Ask(request)));
    sim.InjectFault({TSimFaultKind::StatusWord, 0x0105});
    const QByteArray status = Ask(request);
    EXPECT_EQ(BytesToWord(ByteAt(status, 3), ByteAt(status, 4)), 0x0105);
    sim.SetStatusWord(0x0002);
    EXPECT_EQ(ByteAt(Ask(request), 4), 0x02);
    sim.SetStatusWord(0);
    sim.InjectFault({TSimFaultKind::Silence});
    EXPECT_TRUE(Ask(request).isEmpty());
    sim.InjectFault({TSimFaultKind::Truncate, 7});
    EXPECT_EQ(Ask(request).size(), 7);
    EXPECT_EQ(sim.PendingFaults(), 0);
    // Another address on the line is not answered.
    QByteArray other = request;
    other[0] = 2;
    EXPECT_TRUE(Ask(other).isEmpty());
    EXPECT_EQ(Ask(request).size(), 35);
}

TEST_F(SimTransducerTest, BitRateEmulationPacesTheAnswer)
{
    sim.SetBitRate(9600); // about 1.15 ms per byte
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(Ask(ReadFrame(4, 0, 15)).size(), 35);
    EXPECT_GE(timer.elapsed(), 35);
}

TEST_F(SimTransducerTest, MeterCurrentFollowsTheLevelAndTheRange)
{
    sim.SetMeterError(0, 0); // an exact meter
    sim.SetDistance(15000);  // level 15000 of Hmax 30000
    auto current = [&] {
        QByteArray a;
        link.ExchangeZelvin(Frame("01000100"), a);
        EXPECT_EQ(a.size(), 8);
        EXPECT_TRUE(CheckCrc8Frame(a));
        return static_cast<qint16>(BytesToWord(ByteAt(a, 6), ByteAt(a, 5))) / 100.0;
    };
    EXPECT_DOUBLE_EQ(current(), 12.0); // 4-20 mA
    Ask(WriteFrame(1, 1011, {1}));
    EXPECT_DOUBLE_EQ(current(), 10.0); // 0-20 mA
    EXPECT_DOUBLE_EQ(sim.LoopCurrent(), 10.0);
    sim.SetMeterPresent(false);
    QByteArray a;
    EXPECT_FALSE(link.ExchangeZelvin(Frame("01000100"), a));
    EXPECT_EQ(sim.MeterRequestCount(), 3);
}

TEST_F(SimTransducerTest, MeterReadsTheLoopCurrentWithItsKnownError)
{
    sim.SetDistance(15000); // 12 mA in 4-20 mA
    QByteArray a;
    ASSERT_TRUE(link.ExchangeZelvin(Frame("01000100"), a));
    ASSERT_EQ(a.size(), 8);
    // 12 × (1 - 0.003) + 0.015 = 11.979, in hundredths.
    EXPECT_EQ(static_cast<qint16>(BytesToWord(ByteAt(a, 6), ByteAt(a, 5))), 1198);
    EXPECT_DOUBLE_EQ(sim.MeterCurrent(), 11.98);
    EXPECT_DOUBLE_EQ(sim.LoopCurrent(), 12.0);
}

} // namespace
