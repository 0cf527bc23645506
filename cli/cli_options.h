#pragma once

// The command line of tals35xi-cli: the connection options, one command and
// the command's own options and arguments.

#include <QList>
#include <QString>
#include <QStringList>

namespace tals::cli {

// Exit statuses of the tool.
enum TExitCode : int {
    kExitOk = 0,
    kExitDeviceFailure = 1, // the device did not answer, refused, or the port failed
    kExitUsage = 2,         // bad command line or input file; nothing was sent
};

enum class TCommand {
    None,
    Identify,
    ReadAll,
    WriteAll,
    Get,
    Set,
    Poll,
    Scan,
    Assign,
    Signal,
    Spectrum,
    Paths,
    Archive,
    Station,
};

struct TCliOptions
{
    TCommand Command = TCommand::None;
    QStringList Arguments; // the NAME or NAME=VALUE arguments of get and set

    // Connection
    QString Port;
    bool Simulate = false;
    int Address = 1; // the device's system address
    int Baud = 0;    // bit/s; 0 keeps ComPort.ini's rate
    bool Full = false;
    bool Json = false;
    bool Force = false; // write-all: write without reading and comparing first

    // Command options
    QString In;
    QString Out;
    int Period = 1000; // ms between polls
    int Count = -1;    // polls (0: until stopped) or devices to assign; -1 not given
    int From = 1;
    int To = 247;
    int FirstAddress = -1;
    int FirstPlant = -1;

    // archive: the quantity, the range as text, the step in seconds (0: raw),
    // CSV output and the archive root (empty: dbPath of INI/bde.ini)
    QString Name;
    QString FromText;
    QString ToText;
    int Step = 0;
    bool Csv = false;
    QString ArchiveDir;

    // Station
    QList<int> Addresses; // the system addresses polled in turn (Address first)
    bool PeriodGiven = false;
    bool Meter = false; // also the current meter of the current output
    QString Mqtt;       // mqtt://HOST:PORT or mqtts://HOST:PORT, empty: no broker
    QString MqttCa;
    QString MqttCredentials;
    int MqttQueueMB = 64; // bound of each transducer's message queue
    QString StateDir;     // exchange journal and message queues (the start directory)

    bool ShowHelp = false;
    bool ShowVersion = false;
    QString Error; // the usage error, empty when the command line is sound
};

// Parses the arguments (the first one is the program path) and checks each
// command's options and ranges.
TCliOptions ParseCliArguments(const QStringList &arguments);
QString CliHelpText();
QString CliVersionText();

} // namespace tals::cli
