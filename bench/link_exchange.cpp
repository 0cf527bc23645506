// Exchanges per second of ExecuteCommand(4) (the readings block) against the
// simulated transducer at an emulated 9600 and 115200 bit/s, with the read
// ending on the gap ("FrameEnd=Gap") and on the answer's length
// ("FrameEnd=Length"), beside the wire-time limit of the gap rule and beside
// libmodbus reading the same registers from the same simulator. The figures
// end as `key: value` lines.

#include "device/program_modes.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "link/transmitter.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <modbus.h>

#include <cstdio>

using namespace tals;

namespace {

constexpr int kRequestBytes = 8; // A 04 00 00 00 0F + CRC
constexpr int kAnswerBytes = 35; // A 04 1E, 15 registers, CRC

double OursPerSecond(TRequestDevices &link, int count, int &failures)
{
    failures = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        if (!link.ExecuteCommand(4).Ok())
            ++failures;
    return count * 1000.0 / std::max<qint64>(1, timer.elapsed());
}

double LibModbusPerSecond(const QString &port, int rate, int count, int &failures)
{
    failures = 0;
    modbus_t *ctx = modbus_new_rtu(port.toLocal8Bit().constData(), rate, 'E', 8, 1);
    if (!ctx || modbus_connect(ctx) != 0) {
        failures = count;
        if (ctx)
            modbus_free(ctx);
        return 0;
    }
    modbus_set_slave(ctx, 1);
    uint16_t regs[15];
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        if (modbus_read_input_registers(ctx, 0, 15, regs) != 15)
            ++failures;
    const double perSecond = count * 1000.0 / std::max<qint64>(1, timer.elapsed());
    modbus_close(ctx);
    modbus_free(ctx);
    return perSecond;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    SetStartDir(dir.path());
    SetProgramDir(dir.path());

    TSimTransducer sim;
    QString error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    sim.SetDistance(5000);

    QDir().mkpath(QStringLiteral("INI"));
    QFile ini(QStringLiteral("INI/ComPort.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Transmitter]\r\nPort=" + sim.PortPath().toUtf8() + "\r\n");
    ini.close();

    TProgramModes modes;
    Ttals352 model(modes);
    model.SetErrorMax(1);
    TTals352Link device(model);
    TRequestDevices link;
    link.StartLink(&device);
    link.SetJournalRadix(16);
    const int readInterval = link.Transmitter()->Timeouts().ReadInterval;

    std::printf("ExecuteCommand(4) against the simulated transducer (ReadInterval %d ms)\n",
                readInterval);
    std::printf("%8s %10s %12s %10s %12s %12s\n", "bit/s", "gap /s", "gap lim /s", "length /s",
                "libmodbus /s", "length/lib");
    QStringList keys;
    const int rates[] = {9600, 115200};
    for (int rate : rates) {
        sim.SetBitRate(rate);
        TTransmitter &port = *link.Transmitter();
        port.SetBaudRate(rate == 9600 ? TBaudRate::br9600 : TBaudRate::br115200);
        const int count = rate == 9600 ? 30 : 60;
        int gapFailed = 0, lengthFailed = 0, libFailed = 0;
        port.SetFrameEnd(TFrameEnd::feGap);
        link.ExecuteCommand(4); // warm-up
        const double gap = OursPerSecond(link, count, gapFailed);
        port.SetFrameEnd(TFrameEnd::feLength);
        link.ExecuteCommand(4);
        const double length = OursPerSecond(link, count, lengthFailed);
        // The wire time of both frames plus the gap the read rule waits for.
        const double wireMs = (kRequestBytes + kAnswerBytes) * 11.0 * 1000.0 / rate + readInterval;
        const double limit = 1000.0 / wireMs;
        // libmodbus needs the port for itself.
        port.Close();
        const double lib = LibModbusPerSecond(sim.PortPath(), rate, count, libFailed);
        port.Connect();
        std::printf("%8d %10.2f %12.2f %10.2f %12.2f %12.3f\n", rate, gap, limit, length, lib,
                    lib > 0 ? length / lib : 0.0);
        if (gapFailed || lengthFailed || libFailed)
            std::printf("         failures: gap %d, length %d, libmodbus %d of %d\n", gapFailed,
                        lengthFailed, libFailed, count);
        keys << QStringLiteral("exchange_%1_gap_per_s: %2").arg(rate).arg(gap, 0, 'f', 2)
             << QStringLiteral("exchange_%1_length_per_s: %2").arg(rate).arg(length, 0, 'f', 2)
             << QStringLiteral("libmodbus_%1_per_s: %2").arg(rate).arg(lib, 0, 'f', 2);
    }
    std::printf("(the gap rule waits ReadInterval after the last byte; the length rule and "
                "libmodbus end on the expected length)\n");
    for (const QString &line : keys)
        std::printf("%s\n", qPrintable(line));
    link.StopLink();
    QDir::setCurrent(oldDir);
    return 0;
}
