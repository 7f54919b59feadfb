#include "packet_upload.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "device_path.h"
#include "device_protocol.h"
#include "firmware_image.h"

namespace vobisk {

namespace {

constexpr std::uint32_t kOpenTimeoutMs = 2000;
// A one-byte read gives up after T*1+T ms: 2 ms while draining, 8000 ms for the answer.
constexpr std::uint32_t kDrainTimeoutMs = 1;
constexpr std::uint32_t kReplyTimeoutMs = 4000;
constexpr int kSendsPerPacket = 4;
// A line that never goes quiet for 2 ms would keep the drain going for ever; after as long as a
// silent device gets, the device counts as not answering.
constexpr std::chrono::milliseconds kLongestDrain{8000};

constexpr const char* kFileNotFound = "Файл не найден";
constexpr const char* kPortNotAvailable = "COM порт не доступен";
constexpr const char* kImageDamaged = "Файл прошивки повреждён";
constexpr const char* kDeviceNotAnswering = "Устройство не отвечает";
constexpr const char* kUpdateFinished = "Обновление завершено";

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Trace lines go to standard output; a calling program reads them as they come.
template <typename... Args>
void Trace(const char* format, Args... args) {
  std::printf(format, args...);
  std::fflush(stdout);
}

// The file is opened as a file only: on Linux a directory would open and read as empty.
File OpenImageFile(const char* path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return nullptr;
  return File(std::fopen(path, "rb"));
}

// Reads and throws away what the device sent since the last answer; false if the line does not
// go quiet.
bool DrainLine(TComPort& port) {
  port.SetTimeouts(kDrainTimeoutMs);
  const auto give_up = std::chrono::steady_clock::now() + kLongestDrain;
  std::uint8_t stale = 0;
  while (port.Read(&stale, 1)) {
    if (std::chrono::steady_clock::now() >= give_up) return false;
  }
  return true;
}

int NotResponding(UploadWindow& window, TComPort& port, File& file) {
  Trace("\nFailed: Target is not responding.\n");
  window.SetProgressPosition(0);
  window.SetProgressVisible(false);
  window.SetStatusText(kDeviceNotAnswering);
  port.Close();
  file.reset();
  return -1;
}

}  // namespace

int UploadFirmware(UploadWindow& window, TComPort& port, const char* image_path,
                   const char* device_path, std::uint32_t baud) {
  File file = OpenImageFile(image_path);
  if (!file) {
    Trace("Error: File '%s' not found.\n", image_path);
    window.ShowMessage(kFileNotFound);
    port.Close();
    return -1;
  }
  if (!port.Open(device_path, baud, kOpenTimeoutMs)) {
    Trace("Error: %s in use or does not exist.\n", device_path);
    window.ShowMessage(kPortNotAvailable);
    return -1;
  }
  Trace("%s opened.\n", device_path);

  // An image cut short or with a garbage tail could leave the device without a working
  // program: it is refused before a byte goes on the line.
  FirmwareImage image;
  if (image.Load(file.get()) != FirmwareImage::LoadResult::kLoaded || !image.PacketsEndExactly()) {
    Trace("Error: File '%s' is not a valid firmware image.\n", image_path);
    port.Close();
    file.reset();
    window.ShowMessage(kImageDamaged);
    return -1;
  }

  const int image_size = static_cast<int>(image.size());
  int offset = 0;
  int acknowledged = 0;
  std::uint8_t rejections = 0;
  while (offset < image_size) {
    const int packet_size = static_cast<int>(image.PacketSizeAt(static_cast<std::size_t>(offset)));
    if (!DrainLine(port)) return NotResponding(window, port, file);
    port.SetTimeouts(kReplyTimeoutMs);
    window.SetProgressPosition(acknowledged * 100 / image_size);
    std::fflush(stdout);
    // A failed write shows up as a missing answer.
    port.Write(image.bytes().data() + offset, static_cast<std::uint32_t>(packet_size));
    std::uint8_t reply = 0;
    if (!port.Read(&reply, 1)) return NotResponding(window, port, file);
    if (reply == protocol::kAcknowledge) {
      acknowledged += packet_size;
      rejections = 0;
      offset += packet_size;
    } else if (++rejections >= kSendsPerPacket) {
      Trace("\nCRC error. File damaged.\n");
      port.Close();
      file.reset();
      return -1;
    }
  }

  Trace("\rTransferring.. 100%% done.  \n");
  window.SetProgressPosition(0);
  window.SetProgressVisible(false);
  window.SetStatusText(kUpdateFinished);
  file.reset();
  port.Close();
  Trace("Target updated successfully.\n");
  return 0;
}

int StartDirectUpload(UploadWindow& window, TComPort& port) {
  window.SetProgressVisible(true);
  const std::string device_path = DevicePathFor(window.PortText());
  const std::string image_path = window.FirmwareFileText();
  return UploadFirmware(window, port, image_path.c_str(), device_path.c_str(), protocol::kUploadBaud);
}

}  // namespace vobisk
