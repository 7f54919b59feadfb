#pragma once

#include <string>

#include "com_port.h"
#include "message_pump.h"
#include "upload_window.h"

namespace vobisk {

// Switches a device that runs its normal firmware into its bootloader: opens the port named by
// port_text at 19200 baud, sends the three entry commands with a 150 ms pause (window events
// processed) after the first and the second, and closes the port right after the last. The
// results of the writes are not looked at. Returns false, after a message box, when the port does
// not open; nothing is sent then.
bool EnterBootloader(UploadWindow& window, TComPort& port, const MessagePump& pump,
                     const std::string& port_text);

}  // namespace vobisk
