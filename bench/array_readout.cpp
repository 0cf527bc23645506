// A whole signal readout (control command, one confirmation, 103 blocks, reset:
// 106 exchanges) by the program's array readout against the simulated
// transducer at an emulated 9600 and 115200 bit/s, beside the wire-time limit
// under the read rule (the bytes of every request and answer on the wire plus
// the silent gap after each answer that ends a read). Then at 115200 bit/s
// with answers that end on their length (FrameEnd=Length), the signal and the
// spectrum (35 exchanges), beside the wire time of their bytes alone.

#include "ui/procedures/array_readout.h"
#include "device/tals352.h"
#include "link/request_devices.h"
#include "link/transmitter.h"
#include "platform/paths.h"
#include "sim/sim_transducer.h"
#include "ui/application/application.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace tals;

namespace {

// Bytes on the wire, request + answer, CRC included.
constexpr int kControlWrite = 11 + 8;      // write one holding register (function 16)
constexpr int kConfirmRead = 8 + 9;        // read input registers 10000-10001
constexpr int kBlockRead = 8 + 45;         // read 20 input registers
constexpr int kSpectrumBlockRead = 8 + 69; // read 32 input registers
constexpr int kBlocks = TArrayReader::kSignalBlocks;
constexpr int kExchanges = 2 + 1 + kBlocks;
constexpr int kSpectrumExchanges = 2 + 1 + TArrayReader::kSpectrumBlocks;

// Seconds of one readout of the array named by the control command.
double TimedReadout(TDeviceArrayReadout &readout, Ttals352 &model, int array, int &status)
{
    model.SetControlCommand(quint16(array));
    QElapsedTimer timer;
    timer.start();
    status = readout.ReadDeviceArray().Status;
    return timer.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qapp(argc, argv);
    QTemporaryDir dir;
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());

    int result = 0;
    {
        TApplication app({QStringLiteral("tals35xi"), QStringLiteral("--start-dir"), dir.path(),
                          QStringLiteral("--program-dir"), dir.path(), QStringLiteral("--simulate"),
                          QStringLiteral("/full")});
        app.Start();
        TSimTransducer *sim = app.Simulator();
        auto *readout = dynamic_cast<TDeviceArrayReadout *>(app.ArrayReadout());
        TTransmitter *transmitter = app.Scheduler() ? app.Scheduler()->Transmitter() : nullptr;
        if (!sim || !readout || !transmitter) {
            std::fprintf(stderr, "the simulated transducer did not start\n");
            return 1;
        }
        sim->SetDistance(5000);
        sim->SetConfirmAfterReads(1);
        const int readInterval = transmitter->Timeouts().ReadInterval;

        for (int rate : {9600, 115200}) {
            sim->SetBitRate(rate);
            transmitter->SetBaudRate(rate == 9600 ? TBaudRate::br9600 : TBaudRate::br115200);
            sim->ClearRequests();
            app.Model()->SetControlCommand(1);
            QElapsedTimer timer;
            timer.start();
            const TArrayReadResult r = readout->ReadDeviceArray();
            const double seconds = timer.nsecsElapsed() / 1e9;
            const double wireBytes = 2.0 * kControlWrite + kConfirmRead + kBlocks * kBlockRead;
            const double limit = wireBytes * 11.0 / rate + kExchanges * readInterval / 1000.0;
            std::printf("signal_readout_%d_s: %.3f\n", rate, seconds);
            std::printf("signal_readout_%d_limit_s: %.3f\n", rate, limit);
            if (r.Status != 0 || sim->RequestCount() != kExchanges) {
                std::fprintf(stderr, "readout at %d bit/s: status %d, %d exchanges\n", rate,
                             r.Status, sim->RequestCount());
                result = 1;
            }
        }
        // Answers that end on their length: no gap after each one.
        transmitter->SetFrameEnd(TFrameEnd::feLength);
        transmitter->SetBaudRate(TBaudRate::br115200);
        sim->SetBitRate(115200);
        int status = 0;
        sim->ClearRequests();
        const double signal = TimedReadout(*readout, *app.Model(), 1, status);
        const double signalWire =
            (2.0 * kControlWrite + kConfirmRead + kBlocks * kBlockRead) * 11.0 / 115200;
        std::printf("signal_readout_115200_length_s: %.3f\n", signal);
        std::printf("signal_readout_115200_length_limit_s: %.3f\n", signalWire);
        if (status != 0 || sim->RequestCount() != kExchanges) {
            std::fprintf(stderr, "length readout: status %d, %d exchanges\n", status,
                         sim->RequestCount());
            result = 1;
        }
        sim->ClearRequests();
        const double spectrum = TimedReadout(*readout, *app.Model(), 2, status);
        const double spectrumWire = (2.0 * kControlWrite + kConfirmRead +
                                     TArrayReader::kSpectrumBlocks * kSpectrumBlockRead) *
                                    11.0 / 115200;
        std::printf("spectrum_readout_115200_length_s: %.3f\n", spectrum);
        std::printf("spectrum_readout_115200_length_limit_s: %.3f\n", spectrumWire);
        if (status != 0 || sim->RequestCount() != kSpectrumExchanges) {
            std::fprintf(stderr, "spectrum readout: status %d, %d exchanges\n", status,
                         sim->RequestCount());
            result = 1;
        }
        // The simulator paces only its answers (the request leaves at once over the
        // pseudo-terminal), so a readout may come in under a limit that counts both
        // directions, as a real line does.
        std::printf("signal_readout_exchanges: %d\n", kExchanges);
        std::printf("read_interval_ms: %d\n", readInterval);
    }
    QDir::setCurrent(oldDir);
    SetStartDir(QString());
    SetProgramDir(QString());
    return result;
}
