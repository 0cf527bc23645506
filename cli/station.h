#pragma once

// The unattended measuring station of tals35xi-cli: polls the transducers of
// one line in turn (and the current meter), archives every reading in the
// program's archive, publishes it to the plant's MQTT broker through an
// on-disk queue, opens the port again when it is lost, and stops cleanly on
// SIGTERM or SIGINT. No display is needed.

#include <QStringList>

class QTextStream;

namespace tals::cli {

struct TCliOptions;

// The problems of the station's options found before anything is sent (the
// broker address, the credentials and CA files), or none.
QStringList CheckStationOptions(const TCliOptions &options);

// Runs until stopped (or --count cycles); the exit status.
int Station(const TCliOptions &options, QTextStream &out, QTextStream &err);

} // namespace tals::cli
