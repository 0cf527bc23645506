#pragma once

// The tool's commands over the readings and the bus: poll, scan and assign.
// Each returns the exit status; results go to out, failures to err.

class QTextStream;

namespace tals::cli {

class TCliSession;
struct TCliOptions;

// Reads the readings block every period, count times (0: until stopped):
// CSV "time,distance,level,free_space,temperature,status", or one JSON
// object per line with --json.
int Poll(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);
// Reads the signature at every address from..to and lists who answered.
int Scan(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);
// Gives the devices with plant numbers first-plant.. the addresses
// first-address.. by broadcast, then reads each back at its new address.
int Assign(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);

} // namespace tals::cli
