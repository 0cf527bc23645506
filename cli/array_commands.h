#pragma once

// The tool's array commands: signal and spectrum, read as the program reads
// them and written in the program's own dump format.

#include <QTextStream>

namespace tals::cli {

class TCliSession;
struct TCliOptions;

int Signal(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);
int Spectrum(TCliSession &session, const TCliOptions &options, QTextStream &out, QTextStream &err);

} // namespace tals::cli
