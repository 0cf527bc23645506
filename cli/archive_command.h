#pragma once

// The tool's archive command: the archived readings of one quantity over a
// range, raw or per step with minimum, maximum, mean and count, as CSV or
// one JSON object per line. Needs no device.

class QTextStream;

namespace tals::cli {

struct TCliOptions;

// Exit status 2 for a name that is not archived or a bad range; 0 otherwise,
// also when the range holds no readings.
int PrintArchive(const TCliOptions &options, QTextStream &out, QTextStream &err);

} // namespace tals::cli
