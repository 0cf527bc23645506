#pragma once

#include "sim/line_layout.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tals {

struct TProgramModes;

// The program's own options besides the mode switches.
struct TCommandLineOptions
{
    bool Simulate = false;    // talk to the simulated transducer instead of a port
    int simulatedDevices = 1; // transducers on the simulated line (--devices N)
    std::vector<TSimDeviceSpec> simulatedNamed; // further ones (--device ADDRESS:PLANT)
    QString Port;             // serial device given with --port, empty for ComPort.ini's
    bool Poll = false;        // start polling right after start-up (--poll)
    bool ShowHelp = false;    // --help: print HelpText() and exit
    bool ShowVersion = false; // --version: print VersionText() and exit
    QStringList Errors;       // options given without their value, or with a wrong one
};

// Sets the mode flags from the switches "/full", "/zelvin" and "/HiHertz". Every
// argument, the program path included, is compared whole and case-sensitively.
void ApplyModeSwitches(const QStringList &arguments, TProgramModes &modes);

// The mode switches and the options "--simulate", "--devices N",
// "--device ADDRESS:PLANT" (repeatable), "--port DEV"
// (or --port=DEV), "--poll", "--help" and "--version". Unknown arguments are
// ignored; the folder options are only named here (ApplyPathOptions takes them).
TCommandLineOptions ParseCommandLine(const QStringList &arguments, TProgramModes &modes);

// The text "--help" prints: usage, every option and the three switches.
QString HelpText();
// The text "--version" prints: program name and version.
QString VersionText();

} // namespace tals
