#pragma once

#include <QString>
#include <QStringList>

namespace tals {

struct TProgramModes;

// The program's own options besides the mode switches.
struct TCommandLineOptions
{
    bool Simulate = false;    // talk to the simulated transducer instead of a port
    QString Port;             // serial device given with --port, empty for ComPort.ini's
    int simulatedDevices = 1; // transducers on the simulated line (--devices N, 1 to 247)
    QStringList Errors;       // options given without their value
};

// Sets the mode flags from the switches "/full", "/zelvin" and "/HiHertz". Every
// argument, the program path included, is compared whole and case-sensitively.
void ApplyModeSwitches(const QStringList &arguments, TProgramModes &modes);

// The mode switches and the options "--simulate", "--port DEV" (or --port=DEV)
// and "--devices N" (or --devices=N).
// Other arguments are ignored (the folder options belong to ApplyPathOptions).
TCommandLineOptions ParseCommandLine(const QStringList &arguments, TProgramModes &modes);

} // namespace tals
