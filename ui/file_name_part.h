#pragma once

#include <string>
#include <string_view>

namespace vobisk {

// The file-name part of a path as the window caption shows it: what follows the last '\' or ':'
// (Windows paths) or '/' (Linux paths); the whole text if it holds none; empty if it ends in one.
std::string FileNamePart(std::string_view path);

}  // namespace vobisk
