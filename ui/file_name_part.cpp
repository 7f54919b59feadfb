#include "file_name_part.h"

namespace vobisk {

std::string FileNamePart(std::string_view path) {
  const std::size_t last = path.find_last_of("\\:/");
  return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

}  // namespace vobisk
