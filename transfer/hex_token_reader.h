#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

namespace vobisk {

// Reads the tokens of a firmware file: each a hexadecimal field of at most two characters,
// in front of which any white space (0x09-0x0D, 0x20) is skipped. A token is an optional sign
// and hex digits in either case; "0x" without a sign is a prefix that makes up the whole token
// (worth 0). The value is taken modulo 256, negated after '-'. A token ends after its second
// character or in front of the first character that is no digit; that character is left for the
// next token. A token without a digit (end of file, any other character, a sign without a
// digit after it) yields nothing: the sign is consumed, any other character is left unread.
class HexTokenReader {
 public:
  explicit HexTokenReader(std::FILE* file) : file_(file) {}

  std::optional<std::uint8_t> Next();

 private:
  std::FILE* file_;
};

}  // namespace vobisk
