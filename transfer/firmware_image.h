#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace vobisk {

// A firmware image: the bytes of a firmware file's tokens, in file order, cut into packets of a
// 2-byte big-endian payload length N followed by N payload bytes.
class FirmwareImage {
 public:
  static constexpr std::size_t kCapacity = 262144;

  enum class LoadResult {
    kLoaded,     // every token up to the first unusable character (or the end) is in
    kTooLarge,   // more than kCapacity tokens: refused whole rather than cut
    kReadError,  // the file could not be read to its end
  };

  // Reads tokens until one cannot be read. Whatever follows the first unusable character is
  // ignored, as the file format has always done.
  LoadResult Load(std::FILE* file);

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }

  // Size of the packet at `offset`, length bytes included; offset must leave room for them.
  std::size_t PacketSizeAt(std::size_t offset) const;

  // Whether the packets end exactly at the end of the image: no declared length runs past it and
  // no lone length byte is left over. An image of 0 bytes holds no packet and passes.
  bool PacketsEndExactly() const;

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace vobisk
