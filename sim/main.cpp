// tals35xi-sim: a simulated ТАЛС352И transducer (and the current meter of its
// current output) on a pseudo-terminal, or behind a simulated network gateway
// on 127.0.0.1. Prints the port name, then serves until SIGINT or SIGTERM,
// taking control commands (sim/sim_control.h) from its standard input.

#include "sim/line_layout.h"
#include "sim/sim_control.h"
#include "sim/sim_transducer.h"

#include <QString>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

void Usage(const char *program)
{
    std::printf("Usage: %s [options]\n"
                "  -a, --address N     Modbus address of the transducer (1-247, default 1)\n"
                "  -b, --baud N        emulate this bit rate by pacing the answers (0: off)\n"
                "  -p, --plant N       plant number (default 1234)\n"
                "  -n, --devices N     transducers on the line (1-247, default 1); device i\n"
                "                      answers at address + i with plant number + i\n"
                "  -d, --device A:P    a transducer at address A with plant number P\n"
                "                      (repeatable; one address may be given twice, their\n"
                "                      answers then collide); alone it replaces the first\n"
                "                      device, after --devices N it follows the N devices\n"
                "  -l, --link PATH     also make PATH a symbolic link to the port (made again\n"
                "                      on a restart, as a replugged adapter's name)\n"
                "      --echo-request  return every request before the answer, as a\n"
                "                      two-wire RS-485 adapter whose receiver stays on\n"
                "  -t, --tcp PORT      serve RTU over TCP on 127.0.0.1:PORT instead of a\n"
                "                      pseudo-terminal (0: a free port); prints tcp://...\n"
                "      --burst N       deliver answers in bursts of N bytes, as a USB\n"
                "                      adapter does (0: whole, the default)\n"
                "      --burst-gap MS  the silence between bursts (default 16)\n"
                "  -c, --confirm N     confirm an array request on the N-th read (default 2)\n"
                "      --fixed MM      hold the true distance at MM instead of moving it\n"
                "      --error-slope S   hidden conversion slope (default 1.004; 1 is ideal)\n"
                "      --error-offset MM hidden conversion offset (default -12; 0 is ideal)\n"
                "      --phase-slope K   true slope of the phase characteristic\n"
                "                        (default -0.00012; typical -0.00015)\n"
                "      --phase-offset R  true offset of the phase characteristic, rad\n"
                "                        (default -0.3; typical -2.75)\n"
                "      --echo MM:DB    a fixed obstacle at MM, DB relative to the surface\n"
                "                      (repeatable)\n"
                "      --noise MM      standard deviation of the measured distance (default 0)\n"
                "      --no-meter      no current meter on the line\n"
                "  -h, --help          this text\n",
                program);
}

bool ParseInt(const char *text, long min, long max, long &value)
{
    char *end = nullptr;
    value = std::strtol(text, &end, 10);
    return end && *end == '\0' && end != text && value >= min && value <= max;
}

} // namespace

int main(int argc, char **argv)
{
    long address = 1, baud = 0, plant = 1234, confirm = 2, devices = 1;
    long tcpPort = -1, burst = 0, burstGap = 16;
    double fixed = -1;
    bool meter = true;
    bool echo = false;
    std::string link;
    std::vector<tals::TSimDeviceSpec> named;
    std::vector<tals::TSimEcho> echoes;
    tals::TSimHiddenErrors errors = tals::kVisibleErrors;
    double noise = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&](const char *what) -> const char * {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs %s\n", arg.c_str(), what);
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&](long min, long max, long &value) {
            if (!ParseInt(next("a number"), min, max, value)) {
                std::fprintf(stderr, "%s: a number from %ld to %ld is expected\n", arg.c_str(), min,
                             max);
                std::exit(2);
            }
        };
        if (arg == "-a" || arg == "--address")
            number(1, 247, address);
        else if (arg == "-b" || arg == "--baud")
            number(0, 4000000, baud);
        else if (arg == "-p" || arg == "--plant")
            number(0, 65535, plant);
        else if (arg == "-n" || arg == "--devices")
            number(1, 247, devices);
        else if (arg == "-d" || arg == "--device") {
            const auto spec =
                tals::ParseSimDeviceSpec(QString::fromLocal8Bit(next("ADDRESS:PLANT")));
            if (!spec) {
                std::fprintf(stderr,
                             "%s: ADDRESS:PLANT is expected, address 1-247, plant 0-65535\n",
                             arg.c_str());
                std::exit(2);
            }
            named.push_back(*spec);
        } else if (arg == "-c" || arg == "--confirm")
            number(1, 1000, confirm);
        else if (arg == "-t" || arg == "--tcp")
            number(0, 65535, tcpPort);
        else if (arg == "--burst")
            number(0, 256, burst);
        else if (arg == "--burst-gap")
            number(0, 1000, burstGap);
        else if (arg == "-l" || arg == "--link")
            link = next("a path");
        else if (arg == "--error-slope" || arg == "--error-offset" || arg == "--phase-slope" ||
                 arg == "--phase-offset" || arg == "--noise") {
            const char *text = next("a number");
            char *end = nullptr;
            const double v = std::strtod(text, &end);
            if (!end || *end != '\0' || end == text || !std::isfinite(v) ||
                (arg == "--error-slope" && v <= 0) || (arg == "--noise" && v < 0)) {
                std::fprintf(stderr, "%s: a number is expected\n", arg.c_str());
                std::exit(2);
            }
            (arg == "--error-slope"    ? errors.Slope
             : arg == "--error-offset" ? errors.Offset
             : arg == "--phase-slope"  ? errors.PhaseSlope
             : arg == "--phase-offset" ? errors.PhaseOffset
                                       : noise) = v;
        } else if (arg == "--echo") {
            const auto echo = tals::ParseSimEcho(QString::fromLocal8Bit(next("MM:DB")));
            if (!echo) {
                std::fprintf(stderr, "--echo: MM:DB is expected, for example 4000:-20\n");
                std::exit(2);
            }
            echoes.push_back(*echo);
        } else if (arg == "--fixed")
            fixed = std::atof(next("a distance"));
        else if (arg == "--no-meter")
            meter = false;
        else if (arg == "--echo-request")
            echo = true;
        else if (arg == "-h" || arg == "--help") {
            Usage(argv[0]);
            return 0;
        } else {
            std::fprintf(stderr, "unknown option %s\n", arg.c_str());
            Usage(argv[0]);
            return 2;
        }
    }

    if (!link.empty() && tcpPort >= 0) {
        std::fprintf(stderr, "--link names a pseudo-terminal; it does not go with --tcp\n");
        return 2;
    }

    // The stopSignals are taken by sigwait below; block them before the server
    // thread starts so that it inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    tals::TSimTransducer sim;
    sim.SetAddress(static_cast<quint8>(address));
    sim.SetBitRate(static_cast<int>(baud));
    sim.SetPlantNumber(static_cast<quint16>(plant));
    sim.SetConfirmAfterReads(static_cast<int>(confirm));
    sim.SetMeterPresent(meter);
    tals::LayOutSimLine(sim, static_cast<int>(devices), named);
    sim.SetBursts(static_cast<int>(burst), static_cast<int>(burstGap));
    sim.SetEchoRequest(echo);
    if (!link.empty())
        sim.SetLinkPath(QString::fromLocal8Bit(link.c_str()));
    for (int i = 0; i < sim.DeviceCount(); ++i) {
        tals::TSimTransducer &device = sim.Device(i);
        device.SetErrors(errors);
        device.SetNoise(noise);
        for (const tals::TSimEcho &e : echoes)
            device.AddEcho(e);
        if (fixed >= 0)
            device.SetDistance(fixed);
    }
    QString error;
    const bool started =
        tcpPort >= 0 ? sim.StartTcp(static_cast<quint16>(tcpPort), &error) : sim.Start(&error);
    if (!started) {
        std::fprintf(stderr, "tals35xi-sim: %s\n", qPrintable(error));
        return 1;
    }
    const QByteArray path = sim.PortPath().toLocal8Bit();
    std::printf("%s\n", path.constData());
    std::fflush(stdout);

    // Control commands, one per line; the answers go after the port name.
    std::thread([&sim] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString reply = tals::ExecuteSimCommand(sim, QString::fromLocal8Bit(line));
            std::printf("%s\n", reply.toLocal8Bit().constData());
            std::fflush(stdout);
        }
    }).detach();

    int received = 0;
    sigwait(&stopSignals, &received);
    sim.Stop(); // removes the link as well
    // The command reader may still wait on standard input: leave without
    // destroying what it uses.
    std::fflush(stdout);
    std::_Exit(0);
}
