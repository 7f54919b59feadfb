#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vobisk {

// The device path of a port: "\\.\" followed by the port text ("COM3" gives \\.\COM3).
// Port texts of any length are passed on whole.
inline constexpr std::string_view kDevicePathPrefix = "\\\\.\\";
inline std::string DevicePathFor(std::string_view port_text) {
  return std::string(kDevicePathPrefix) + std::string(port_text);
}

// The environment variable that maps port names COMn to files of the user's choosing.
inline constexpr const char* kComDirVariable = "VOBISK_COM_DIR";

// The file behind a device path as the program forms it ("\\.\" and the port text). For a
// port text X:
//   COMn (n decimal, no leading zeros): with a COM directory, exactly <dir>/COMn; without one
//     COM1-32 are /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31, and other
//     numbers name no device;
//   X beginning with '/': that path;
//   any other X: /dev/X.
// A path without the "\\.\" prefix is taken as the port text itself. No value: names no device.
std::optional<std::string> ResolveDevicePath(std::string_view device_path,
                                             std::optional<std::string_view> com_dir);

// The same with the COM directory taken from VOBISK_COM_DIR (unset or empty: none).
std::optional<std::string> ResolveDevicePath(std::string_view device_path);

}  // namespace vobisk
