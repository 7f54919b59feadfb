// vobisk-port-check PORT [BAUD [TIMEOUT_MS [SEND_HEX [READ_COUNT]]]]
// vobisk-port-check PORT --upload FILE
// Opens a port the way the update tool does, sends the given bytes, reads up to READ_COUNT
// bytes, and tells what happened; or uploads a firmware file to a bootloader through it, telling
// on standard error what the window would show. For trying a port by hand, on Linux and on
// Windows (where the window is not built).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "com_port.h"
#include "device_path.h"
#include "packet_upload.h"

namespace {

// The window's part of an upload, told on standard error.
class ConsoleWindow : public vobisk::UploadWindow {
 public:
  ConsoleWindow(std::string port, std::string file) : port_(std::move(port)), file_(std::move(file)) {}
  void SetProgressPosition(int position) override {
    if (position != position_) std::fprintf(stderr, "progress %d%%\n", position_ = position);
  }
  void SetProgressVisible(bool) override {}
  void SetStatusText(const std::string& text) override { std::fprintf(stderr, "status: %s\n", text.c_str()); }
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
  std::string PortText() const override { return port_; }
  std::string FirmwareFileText() const override { return file_; }

 private:
  std::string port_, file_;
  int position_ = -1;
};

const char* KindName(vobisk::PortError kind) {
  switch (kind) {
    case vobisk::PortError::kNone: return "no error";
    case vobisk::PortError::kMissing: return "no such port";
    case vobisk::PortError::kBusy: return "in use by another program";
    case vobisk::PortError::kAccessDenied: return "permission denied";
    case vobisk::PortError::kNotSerial: return "not a serial port";
    case vobisk::PortError::kUnsupported: return "setting not supported";
    case vobisk::PortError::kGone: return "device went away";
    case vobisk::PortError::kTimedOut: return "timed out";
    case vobisk::PortError::kNotOpen: return "port not open";
    case vobisk::PortError::kOther: break;
  }
  return "other error";
}

void Report(const char* what) {
  const vobisk::PortFailure failure = vobisk::TComPort::LastFailure();
  std::printf("%s: %s (code %d)\n", what, KindName(failure.kind), failure.code);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PORT [BAUD [TIMEOUT_MS [SEND_HEX [READ_COUNT]]]]\n"
                         "       %s PORT --upload FILE\n", argv[0], argv[0]);
    return 2;
  }
  if (argc == 4 && std::strcmp(argv[2], "--upload") == 0) {
    ConsoleWindow window(argv[1], argv[3]);
    vobisk::TComPort port;
    return vobisk::StartDirectUpload(window, port) == 0 ? 0 : 1;
  }
  const std::string path = vobisk::DevicePathFor(argv[1]);
  const auto baud = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 57600);
  const auto timeout = static_cast<std::uint32_t>(argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 2000);
  std::vector<std::uint8_t> send;
  if (argc > 4) {
    const std::string hex = argv[4];
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
      send.push_back(static_cast<std::uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  const auto read_count = static_cast<std::uint32_t>(argc > 5 ? std::strtoul(argv[5], nullptr, 10) : 0);

  vobisk::TComPort port;
  if (!port.Open(path.c_str(), baud, timeout)) {
    Report(path.c_str());
    return 1;
  }
  std::printf("%s opened at %u baud\n", path.c_str(), static_cast<unsigned>(baud));
  if (!send.empty() && !port.Write(send.data(), static_cast<std::uint32_t>(send.size()))) Report("write");
  std::vector<std::uint8_t> received(read_count);
  if (read_count > 0) {
    const bool complete = port.Read(received.data(), read_count);
    if (!complete) Report("read");
    else {
      std::printf("received:");
      for (std::uint8_t b : received) std::printf(" %02X", b);
      std::printf("\n");
    }
  }
  port.Close();
  return 0;
}
