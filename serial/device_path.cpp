#include "device_path.h"

#include <cstdlib>

namespace vobisk {

namespace {

struct TableRange {
  unsigned first_com;
  unsigned last_com;
  std::string_view device_stem;
};
constexpr TableRange kComTable[] = {
    {1, 32, "/dev/ttyS"},
    {33, 64, "/dev/ttyUSB"},
    {65, 96, "/dev/ttyACM"},
};

// n of a text "COMn", n decimal without leading zeros (saturated: a huge n is still a COM
// name, just not one in the table); no value for any other text.
std::optional<unsigned> ComNumber(std::string_view text) {
  if (text.size() < 4 || text.substr(0, 3) != "COM") return std::nullopt;
  const std::string_view digits = text.substr(3);
  if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
  unsigned n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n > 100000 ? n : n * 10 + static_cast<unsigned>(c - '0');
  }
  return n;
}

}  // namespace

std::optional<std::string> ResolveDevicePath(std::string_view device_path,
                                             std::optional<std::string_view> com_dir) {
  std::string_view text = device_path;
  if (text.substr(0, kDevicePathPrefix.size()) == kDevicePathPrefix) text.remove_prefix(kDevicePathPrefix.size());
  if (text.empty()) return std::nullopt;

  if (const auto n = ComNumber(text)) {
    if (com_dir) return std::string(*com_dir) + "/" + std::string(text);
    for (const TableRange& range : kComTable) {
      if (*n >= range.first_com && *n <= range.last_com)
        return std::string(range.device_stem) + std::to_string(*n - range.first_com);
    }
    return std::nullopt;
  }
  if (text.front() == '/') return std::string(text);
  return "/dev/" + std::string(text);
}

std::optional<std::string> ResolveDevicePath(std::string_view device_path) {
  const char* dir = std::getenv(kComDirVariable);
  if (dir == nullptr || *dir == '\0') return ResolveDevicePath(device_path, std::nullopt);
  return ResolveDevicePath(device_path, std::string_view(dir));
}

}  // namespace vobisk
