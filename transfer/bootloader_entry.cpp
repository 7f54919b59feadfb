#include "bootloader_entry.h"

#include "device_path.h"
#include "device_protocol.h"
#include "wait_processing_messages.h"

namespace vobisk {

namespace {
constexpr std::uint32_t kOpenTimeoutMs = 2000;
constexpr std::uint32_t kPauseMs = 150;
constexpr const char* kPortMissing = "И где же наш COM портик?";

template <typename Command>
void Send(TComPort& port, const Command& command) {
  port.Write(command.data(), static_cast<std::uint32_t>(command.size()));
}
}  // namespace

bool EnterBootloader(UploadWindow& window, TComPort& port, const MessagePump& pump,
                     const std::string& port_text) {
  port.Close();
  const std::string device_path = DevicePathFor(port_text);
  if (!port.Open(device_path.c_str(), protocol::kEntryBaud, kOpenTimeoutMs)) {
    window.ShowMessage(kPortMissing);
    return false;
  }
  // Handlers that run nested in a pause may close the port; the remaining writes then fail
  // unnoticed, as they should.
  Send(port, protocol::kEntryStep1);
  WaitProcessingMessages(kPauseMs, pump);
  Send(port, protocol::kEntryStep2);
  WaitProcessingMessages(kPauseMs, pump);
  Send(port, protocol::kEntryStep3);
  port.Close();
  return true;
}

}  // namespace vobisk
