#pragma once

// How a simulated line is laid out from the command line: "--devices N"
// transducers counted from the first one's address and plant number, and
// "--device ADDRESS:PLANT" transducers named one by one (duplicates allowed,
// so that two devices can share an address).

#include "sim/device_physics.h"

#include <QString>

#include <optional>
#include <vector>

namespace tals {

class TSimTransducer;

struct TSimDeviceSpec
{
    quint8 Address = 1;      // 1 to 247
    quint16 PlantNumber = 0; // 0 to 65535
};

// "ADDRESS:PLANT", for example "5:1234"; nothing for anything else.
std::optional<TSimDeviceSpec> ParseSimDeviceSpec(const QString &text);

// "MM:DB", an obstacle at MM (0 to 100000) with an amplitude of DB
// (-120 to 20) relative to the surface, for example "4000:-20".
std::optional<TSimEcho> ParseSimEcho(const QString &text);

// Puts the devices on the line of sim. Without named devices the line holds
// `count` counted ones. With named devices and a count of 1 the first named
// one takes the simulator's own place and the others follow; with a larger
// count the named ones follow the counted ones.
void LayOutSimLine(TSimTransducer &sim, int count, const std::vector<TSimDeviceSpec> &named);

} // namespace tals
