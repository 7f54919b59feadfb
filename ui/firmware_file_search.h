#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vobisk {

// The name of the first entry of `dir`, in the order the file system lists them (nothing is
// sorted), whose name matches *.fmw: files, directories and hidden entries alike. The extension
// is matched without regard to letter case, as on the systems the firmware files come from.
// No value when there is none or the folder cannot be read.
std::optional<std::string> FirstFirmwareEntry(const std::filesystem::path& dir);

}  // namespace vobisk
