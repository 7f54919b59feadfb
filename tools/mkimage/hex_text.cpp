#include "mkimage.h"

namespace vobisk::mkimage {

std::string ToHexText(const std::vector<std::uint8_t>& image, std::size_t bytes_per_line) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (bytes_per_line == 0) bytes_per_line = 1;
  std::string text;
  text.reserve(image.size() * 3 + image.size() / bytes_per_line * 2 + 2);
  for (std::size_t i = 0; i < image.size(); ++i) {
    text += kDigits[image[i] >> 4];
    text += kDigits[image[i] & 0x0F];
    const bool line_end = (i + 1) % bytes_per_line == 0 || i + 1 == image.size();
    text += line_end ? "\r\n" : " ";
  }
  return text;
}

}  // namespace vobisk::mkimage
