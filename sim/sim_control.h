#pragma once

// The simulator's control commands, one per line, as tals35xi-sim reads
// them from its standard input; tests call the same through Execute.
//   target MM [ADDRESS]   hold the true distance (of every device, or of those at ADDRESS)
//   move [ADDRESS]        back to the moving level
//   error-slope S, error-offset MM, phase-slope K, phase-offset RAD [ADDRESS]
//   echo MM:DB [ADDRESS]  add a fixed obstacle; "echo off" removes them
//   noise MM [ADDRESS]    standard deviation of the measured distance
//   fault KIND [VALUE [TIMES]] [@ADDRESS]  inject a fault (silence, truncate,
//                         bad-crc, exception, status, gaps, overlong, error-answer)
//   status WORD [ADDRESS] the status word of the readings block
// The answer is "ok" or "ошибка: " and the reason; a bad command changes nothing.

#include <QString>

namespace tals {

class TSimTransducer;

QString ExecuteSimCommand(TSimTransducer &line, const QString &command);

} // namespace tals
