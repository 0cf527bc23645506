// Our frames against an independent Modbus RTU implementation: libmodbus
// serves a register map on one side of a pseudo-terminal; the write frames
// of every register group must land in its registers as libmodbus reads them,
// and libmodbus's answers to our read frames must decode to the same values.

#include "device/answer_parser.h"
#include "device/request_builder.h"
#include "tests/common/register_samples.h"
#include "tests/device/qstring_printer.h"

#include <gtest/gtest.h>

#include <modbus/modbus.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

namespace tals {
namespace {

using test::SampleValue;

constexpr int kHoldingCount = 3212;
constexpr int kInputCount = 12100;

class ModbusRoundTripTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(openpty(&m_master, &slave, name, nullptr, nullptr), 0);
        termios raw{};
        for (int fd : {m_master, slave}) {
            ASSERT_EQ(tcgetattr(fd, &raw), 0);
            cfmakeraw(&raw);
            ASSERT_EQ(tcsetattr(fd, TCSANOW, &raw), 0);
        }
        m_ctx = modbus_new_rtu(name, 19200, 'E', 8, 1);
        ASSERT_NE(m_ctx, nullptr);
        ASSERT_EQ(modbus_set_slave(m_ctx, 1), 0);
        ASSERT_EQ(modbus_connect(m_ctx), 0) << modbus_strerror(errno);
        close(slave); // libmodbus keeps its own descriptor open
        m_map = modbus_mapping_new_start_address(0, 0, 0, 0, 0, kHoldingCount, 0, kInputCount);
        ASSERT_NE(m_map, nullptr);
    }
    void TearDown() override
    {
        if (m_map)
            modbus_mapping_free(m_map);
        if (m_ctx) {
            modbus_close(m_ctx);
            modbus_free(m_ctx);
        }
        if (m_master >= 0)
            close(m_master);
    }

    // Sends a request (CRC appended here) and returns libmodbus's answer
    // (empty for a broadcast).
    TBuffer Exchange(const QByteArray &request, bool expectAnswer = true)
    {
        const QByteArray frame = AppendCrc16(request);
        EXPECT_EQ(write(m_master, frame.constData(), size_t(frame.size())), frame.size());
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        const int rc = modbus_receive(m_ctx, query);
        EXPECT_GT(rc, 0) << FrameToHex(request).toStdString();
        if (rc <= 0)
            return {};
        EXPECT_GE(modbus_reply(m_ctx, query, rc, m_map), 0);
        TBuffer answer;
        pollfd p{m_master, POLLIN, 0};
        while (answer.size() < ExpectedLength(answer) &&
               poll(&p, 1, expectAnswer ? 2000 : 50) > 0) {
            quint8 buf[512];
            const ssize_t n = read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            answer.insert(answer.end(), buf, buf + n);
        }
        return answer;
    }

    // Length of a Modbus RTU answer as far as its first bytes tell.
    static size_t ExpectedLength(const TBuffer &a)
    {
        if (a.size() < 2)
            return 3;
        if (a[1] & 0x80)
            return 5;
        if (a[1] == 0x10)
            return 8;
        return a.size() < 3 ? 3 : 5u + a[2];
    }

    TBuffer Execute(Ttals352 &model, int code)
    {
        const Ttals352::TRequest r = BuildRequest(model, code);
        EXPECT_TRUE(r.Ok);
        return Exchange(r.Frame);
    }

    void ClearMap()
    {
        std::memset(m_map->tab_registers, 0, sizeof(uint16_t) * kHoldingCount);
        std::memset(m_map->tab_input_registers, 0, sizeof(uint16_t) * kInputCount);
    }

    // Puts a float in two map registers, high half first. libmodbus 3.1.6's
    // modbus_set_float_abcd swaps the bytes of each register (it is not the
    // inverse of modbus_get_float_abcd), so the registers are filled here and
    // checked with libmodbus's reader.
    static void SetFloat(float f, uint16_t *dest)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        dest[0] = uint16_t(bits >> 16);
        dest[1] = uint16_t(bits & 0xFFFF);
        EXPECT_EQ(modbus_get_float_abcd(dest), f);
    }

    uint16_t *Holding(int address) { return m_map->tab_registers + address; }
    uint16_t *Input(int address) { return m_map->tab_input_registers + address; }

    // The value stored at a property's registers, as libmodbus's map holds it.
    static double MapValue(const uint16_t *r, TEncoding encoding)
    {
        switch (encoding) {
        case TEncoding::Word:
            return r[0];
        case TEncoding::SignedWord:
            return static_cast<int16_t>(r[0]);
        case TEncoding::Single:
            return modbus_get_float_abcd(r);
        case TEncoding::LongWord:
            return double((uint32_t(r[0]) << 16) | r[1]);
        case TEncoding::Int64: {
            uint64_t v = 0;
            for (int k = 0; k < 4; ++k)
                v = (v << 16) | r[k];
            return double(int64_t(v));
        }
        case TEncoding::None:
            break;
        }
        return NAN;
    }

    static double Narrowed(const TPropertyInfo &p, double v)
    {
        return p.Encoding == TEncoding::Single ? double(float(v)) : v;
    }

    static void FillSource(Ttals352 &model)
    {
        for (const TPropertyInfo &p : PropertyTable()) {
            if (p.Space == TRegisterSpace::Holding) {
                ASSERT_TRUE(model.SetPropertyFromDouble(p.Id, SampleValue(p))) << p.Name;
            }
        }
        for (int z = 1; z <= kBadZoneCount; ++z)
            for (int k = 0; k < 4; ++k)
                model.BadZone(z).Value(TBadZoneValue(k)).SetValue(TVariant(z * 100.0 + k + 0.1));
    }

    TProgramModes modes;
    int m_master = -1;
    modbus_t *m_ctx = nullptr;
    modbus_mapping_t *m_map = nullptr;
};

TEST_F(ModbusRoundTripTest, SinglePropertyWritesAndReads)
{
    Ttals352 source(modes);
    FillSource(source);
    for (const TPropertyInfo &p : PropertyTable()) {
        if (p.WriteCode < 0)
            continue;
        ClearMap();
        const TBuffer ack = Execute(source, p.WriteCode);
        ASSERT_GE(ack.size(), 8u) << p.Name;
        EXPECT_EQ(ack[1], 0x10) << p.Name;
        EXPECT_EQ(MapValue(Holding(p.Address), p.Encoding),
                  Narrowed(p, source.PropertyAsDouble(p.Id)))
            << p.Name;
        if (p.HasFlag(pfNotDecoded))
            continue;
        Ttals352 target(modes);
        target.SetHmax(source.Hmax());
        target.SetLmax(source.Lmax());
        target.SetErrorMax(1);
        ParseAnswer(target, Execute(target, p.ReadCode), quint8(p.ReadCode));
        EXPECT_EQ(target.ErrorCode(), 0) << p.Name;
        EXPECT_EQ(target.PropertyAsDouble(p.Id), Narrowed(p, source.PropertyAsDouble(p.Id)))
            << p.Name;
    }
}

TEST_F(ModbusRoundTripTest, AliasWrites)
{
    Ttals352 source(modes);
    FillSource(source);
    source.SetPlantNumberNew(4660);
    ClearMap();
    Execute(source, 88);
    EXPECT_EQ(modbus_get_float_abcd(Holding(1160)), float(source.Speed()));
    EXPECT_EQ(*Holding(1008), 0);
    Execute(source, 96);
    EXPECT_EQ(*Holding(2002), 4660);
    source.SetSystemAddressNew(9);
    const Ttals352::TRequest broadcast = BuildRequest(source, 80);
    EXPECT_TRUE(Exchange(broadcast.Frame, false).empty()); // broadcasts get no answer
    EXPECT_EQ(*Holding(0), 0x14);
    EXPECT_EQ(*Holding(1), 54321);
    EXPECT_EQ(*Holding(2), 9);
}

TEST_F(ModbusRoundTripTest, BlockWritesAndBlockReads)
{
    Ttals352 source(modes);
    FillSource(source);
    for (const TBlockInfo &block : BlockTable()) {
        if (block.WriteCode < 0)
            continue;
        ClearMap();
        *Holding(2000) = 24680; // not part of block 93: must survive it
        const TBuffer ack = Execute(source, block.WriteCode);
        ASSERT_GE(ack.size(), 8u) << block.WriteCode;
        EXPECT_EQ(ack[1], 0x10);
        for (const TPropertyInfo &p : PropertyTable()) {
            if (p.Space != TRegisterSpace::Holding || p.Address < block.WriteStart ||
                p.Address >= block.WriteStart + block.WriteCount)
                continue;
            const double expected =
                p.Id == TProp::LevelKalibr ? 0.0 : Narrowed(p, source.PropertyAsDouble(p.Id));
            EXPECT_EQ(MapValue(Holding(p.Address), p.Encoding), expected) << p.Name;
        }
        if (block.WriteCode == 93) {
            EXPECT_EQ(*Holding(2000), 24680);
            EXPECT_EQ(*Holding(2001), 0);
        }

        Ttals352 target(modes);
        target.SetErrorMax(1);
        ParseAnswer(target, Execute(target, block.ReadCode), quint8(block.ReadCode));
        EXPECT_EQ(target.ErrorCode(), 0) << block.ReadCode;
        EXPECT_EQ(target.LinkState().Value().ToInteger(), 1);
        for (const TPropertyInfo &p : PropertyTable()) {
            if (p.Space != TRegisterSpace::Holding || p.Address < block.WriteStart ||
                p.Address >= block.WriteStart + block.WriteCount)
                continue;
            const double expected =
                p.Id == TProp::LevelKalibr ? 0.0 : Narrowed(p, source.PropertyAsDouble(p.Id));
            EXPECT_EQ(target.PropertyAsDouble(p.Id), expected) << p.Name;
        }
        if (block.WriteCode == 93) {
            EXPECT_EQ(target.Password(), 24680);
            EXPECT_TRUE(target.IsFullAccess());
        }
        if (block.WriteCode == 152) {
            for (int z = 1; z <= kBadZoneCount; ++z)
                for (int k = 0; k < 4; ++k) {
                    const auto which = TBadZoneValue(k);
                    EXPECT_EQ(MapValue(Holding(BadZoneAddress(which, z)), TEncoding::Single),
                              double(float(z * 100.0 + k + 0.1)));
                    EXPECT_EQ(target.BadZone(z).Value(which).Output().ToDouble(),
                              double(float(z * 100.0 + k + 0.1)));
                }
        }
    }
}

TEST_F(ModbusRoundTripTest, InputRegisterReads)
{
    ClearMap();
    // Readings block: status 0, distance, free space, level, temperature.
    SetFloat(1500.5f, Input(1));
    SetFloat(2500.25f, Input(3));
    SetFloat(3500.125f, Input(5));
    SetFloat(-21.5f, Input(13));
    // Information registers.
    for (int i = 0; i < 14; ++i)
        *Input(3000 + i) = uint16_t(0xF000 + i);
    *Input(3014) = 0xFEDC;
    *Input(3015) = 0xBA98;
    for (int i = 3016; i <= 3019; ++i)
        *Input(i) = uint16_t(i);
    *Input(3020) = 200;
    SetFloat(98765.5f, Input(3021));
    const uint16_t stamp[4] = {0x7FFF, 0xEEEE, 0x0001, 0x8001};
    const uint16_t used[4] = {0x0000, 0x0000, 0x8000, 0x0001};
    std::memcpy(Input(3023), stamp, sizeof stamp);
    std::memcpy(Input(3027), used, sizeof used);
    SetFloat(11.75f, Input(3031));
    SetFloat(-0.5f, Input(3033));
    // Array state and the last signal and spectrum blocks.
    *Input(10000) = 2;
    *Input(10001) = 2;
    for (int k = 0; k < 32; ++k)
        *Input(10004 + 102 * 20 + k) = uint16_t(60000 + k);
    for (int k = 0; k < 16; ++k)
        SetFloat(float(k) * 1.5f + 0.25f, Input(10004 + 31 * 32 + 2 * k));

    Ttals352 model(modes);
    model.SetErrorMax(1);
    ParseAnswer(model, Execute(model, 4), 4);
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(model.Distance().Output().ToDouble(), 1500.5);
    EXPECT_EQ(model.LevelFree().Output().ToDouble(), 2500.25);
    EXPECT_EQ(model.LevelBusy().Output().ToDouble(), 3500.125);
    EXPECT_EQ(model.TmpOfSensor().Output().ToDouble(), -21.5);

    ParseAnswer(model, Execute(model, 24), 24);
    EXPECT_EQ(model.ErrorCode(), 0);
    EXPECT_EQ(model.HoldSettingsStart(), 0xF000);
    EXPECT_EQ(model.FreqsLength(), 0xF00D);
    EXPECT_EQ(model.SCLK(), 0xFEDCBA98u);
    EXPECT_EQ(model.TCLKDIV(), 3016);
    EXPECT_EQ(model.Nfft(), 3019);
    EXPECT_EQ(model.Ampl(), 200);
    EXPECT_EQ(model.FreqRating(), 98765.5);
    EXPECT_EQ(model.TimeStamp(), 0x7FFFEEEE00018001LL);
    EXPECT_EQ(model.TimeUsed(), 0x0000000080000001LL);
    EXPECT_EQ(model.TestDistance().Output().ToDouble(), 11.75);
    EXPECT_EQ(model.TestDistanceFlt().Output().ToDouble(), -0.5);

    SetFloat(7.0f, Input(3031));
    ParseAnswer(model, Execute(model, 25), 25);
    EXPECT_EQ(model.TestDistance().Output().ToDouble(), 7.0);

    ParseAnswer(model, Execute(model, 77), 77);
    EXPECT_EQ(model.ControlCommandRequest(), 2);
    EXPECT_EQ(model.ControlCommandAnswer(), 2);
    EXPECT_TRUE(model.IsArrayReady());
    model.ArrayBlockIndex = 32;
    ParseAnswer(model, Execute(model, 78), 78);
    EXPECT_EQ(model.ErrorCode(), 0);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(model.SpectrumArray[size_t(31 * 16 + k)], double(float(k) * 1.5f + 0.25f));

    model.SetControlCommandAnswer(1);
    model.ArrayBlockIndex = 103;
    ParseAnswer(model, Execute(model, 78), 78);
    for (int k = 0; k < 20; ++k)
        EXPECT_EQ(model.SignalArray[size_t(2040 + k)], 60000 + k);
}

TEST_F(ModbusRoundTripTest, ExceptionAnswerOfLibmodbus)
{
    Ttals352 model(modes);
    model.SetErrorMax(1);
    // Register 3212 and on are outside the served map: exception 2.
    ParseAnswer(model, Exchange(QByteArray::fromHex("010313880002")), 6);
    EXPECT_EQ(model.ErrorCode(), -7);
    EXPECT_EQ(model.ErrorText(), QStringLiteral("Код 2 - Недопустимый адрес запроса"));
}

} // namespace
} // namespace tals
