// Time of a bus scan of the 247 system addresses with one simulated
// transducer on the line, beside the limit the read rule allows: every
// request's wire time plus its whole read time-out. The time-outs are this
// program's own short ones, printed with the figures.

#include "device/bus_scan.h"
#include "device/program_modes.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/tals352_link.h"
#include "platform/paths.h"
#include "protocol/frame.h"
#include "sim/sim_transducer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

using namespace tals;

namespace {

constexpr int kFirst = 1;
constexpr int kLast = 247;
constexpr int kDeviceAddress = 100;
constexpr int kBitRate = 115200;
constexpr int kRequestBytes = 7; // A 2B 0E 01 00 + CRC
// The read time-outs of this benchmark (ms).
constexpr int kReadInterval = 5;
constexpr int kReadTotalConstant = 20;
constexpr int kReadTotalMultiplier = 0;

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
    sim.SetAddress(kDeviceAddress);
    sim.SetBitRate(kBitRate);
    QString error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }

    QDir().mkpath(QStringLiteral("INI"));
    QFile ini(QStringLiteral("INI/ComPort.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Transmitter]\r\nPort=" + sim.PortPath().toUtf8() +
                  "\r\nBaudRate=115200\r\nReadInterval=" + QByteArray::number(kReadInterval) +
                  "\r\nReadTotalConstant=" + QByteArray::number(kReadTotalConstant) +
                  "\r\nReadTotalMultiplier=" + QByteArray::number(kReadTotalMultiplier) + "\r\n");
    ini.close();

    TProgramModes modes;
    Ttals352 model(modes);
    model.SetErrorMax(1);
    TTals352Link device(model);
    TRequestDevices link;
    link.StartLink(&device);

    TBusScan scan(model, [&link](quint8 code) { return link.ExecuteCommand(code).Result; });
    int found = 0;
    scan.OnFound = [&found](const TFoundDevice &) { ++found; };
    scan.ProcessEvents = [] { QCoreApplication::processEvents(); };
    QElapsedTimer timer;
    timer.start();
    scan.Scan(kFirst, kLast);
    const double seconds = timer.nsecsElapsed() / 1e9;

    const int requests = kLast - kFirst + 1;
    const double wireMs = kRequestBytes * 11.0 * 1000.0 / kBitRate;
    const double readMs = kReadTotalConstant + kReadTotalMultiplier * kAnswerLimit;
    const double limit = requests * (wireMs + readMs) / 1000.0;

    std::printf("Bus scan of addresses %d to %d, one device at %d, %d bit/s, ReadInterval %d ms, "
                "ReadTotalConstant %d ms, ReadTotalMultiplier %d ms\n",
                kFirst, kLast, kDeviceAddress, kBitRate, kReadInterval, kReadTotalConstant,
                kReadTotalMultiplier);
    std::printf("scan_247_s: %.3f\n", seconds);
    std::printf("scan_247_limit_s: %.3f\n", limit);
    std::printf("scan_247_ratio: %.3f\n", seconds / limit);
    std::printf("scan_247_found: %d\n", found);
    std::printf("scan_247_requests_seen: %d\n", static_cast<int>(sim.Requests().size()));

    link.StopLink();
    QDir::setCurrent(oldDir);
    return found == 1 ? 0 : 1;
}
