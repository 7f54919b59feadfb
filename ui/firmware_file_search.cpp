#include "firmware_file_search.h"

#include <system_error>

namespace vobisk {

namespace {

constexpr std::string_view kFirmwareExtension = ".fmw";

bool MatchesFirmwarePattern(const std::string& name) {
  if (name.size() < kFirmwareExtension.size()) return false;
  const std::string_view tail = std::string_view(name).substr(name.size() - kFirmwareExtension.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
    if (c != kFirmwareExtension[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> FirstFirmwareEntry(const std::filesystem::path& dir) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (MatchesFirmwarePattern(name)) return name;
  }
  return std::nullopt;
}

}  // namespace vobisk
