#include "device_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vobisk {
namespace {

struct Case {
  const char* device_path;
  bool with_com_dir;
  std::optional<std::string> file;
};

TEST(DevicePath, ResolvesPortTexts) {
  const Case cases[] = {
      {"\\\\.\\COM1", false, "/dev/ttyS0"},
      {"\\\\.\\COM32", false, "/dev/ttyS31"},
      {"\\\\.\\COM33", false, "/dev/ttyUSB0"},
      {"\\\\.\\COM64", false, "/dev/ttyUSB31"},
      {"\\\\.\\COM65", false, "/dev/ttyACM0"},
      {"\\\\.\\COM96", false, "/dev/ttyACM31"},
      {"\\\\.\\COM0", false, std::nullopt},
      {"\\\\.\\COM97", false, std::nullopt},
      {"\\\\.\\COM98", false, std::nullopt},
      {"\\\\.\\COM4294967297", false, std::nullopt},  // no wrap-around into the table
      {"\\\\.\\COM1", true, "/ports/COM1"},
      {"\\\\.\\COM0", true, "/ports/COM0"},
      {"\\\\.\\COM98", true, "/ports/COM98"},
      // Not of the form COMn: left to the device folder rule.
      {"\\\\.\\COM01", true, "/dev/COM01"},
      {"\\\\.\\com1", true, "/dev/com1"},
      {"\\\\.\\COM", true, "/dev/COM"},
      {"\\\\.\\COM1x", false, "/dev/COM1x"},
      {"\\\\.\\ttyUSB0", true, "/dev/ttyUSB0"},
      {"\\\\.\\/dev/serial/by-id/usb-FTDI_FT232R-if00-port0", false,
       "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"},
      {"\\\\.\\", false, std::nullopt},
      {"", false, std::nullopt},
      {"ttyACM3", false, "/dev/ttyACM3"},  // without the prefix: the text itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device_path);
    const auto com_dir = c.with_com_dir ? std::optional<std::string_view>("/ports") : std::nullopt;
    EXPECT_EQ(ResolveDevicePath(c.device_path, com_dir), c.file);
  }
}

TEST(DevicePath, ComDirComesFromTheEnvironment) {
  ::setenv(kComDirVariable, "/elsewhere", 1);
  EXPECT_EQ(ResolveDevicePath("\\\\.\\COM7"), "/elsewhere/COM7");
  ::setenv(kComDirVariable, "", 1);  // empty counts as unset
  EXPECT_EQ(ResolveDevicePath("\\\\.\\COM7"), "/dev/ttyS6");
}

TEST(DevicePath, DevicePathForKeepsLongTexts) {
  EXPECT_EQ(DevicePathFor("COM98"), "\\\\.\\COM98");
  const std::string long_text = "/dev/serial/by-id/usb-0403_6001-if00-port0";
  EXPECT_EQ(DevicePathFor(long_text), "\\\\.\\" + long_text);
}

}  // namespace
}  // namespace vobisk
