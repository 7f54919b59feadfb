#pragma once

#include <string>
#include <vector>

#include "com_port.h"

namespace vobisk {

// Probes COM0 to COM98 through the port object, each opened with the full line settings at
// 57600 baud and closed again at once, and returns the names ("COM3") of those that opened, in
// ascending order. Nothing is written or read, and nothing is reported. A port object that is
// already open refuses every probe, so the result is then empty.
std::vector<std::string> ListOpenablePorts(TComPort& port);

}  // namespace vobisk
