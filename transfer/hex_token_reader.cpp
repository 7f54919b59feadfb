#include "hex_token_reader.h"

namespace vobisk {

namespace {

constexpr int kTokenWidth = 2;

bool IsWhiteSpace(int c) { return (c >= 0x09 && c <= 0x0D) || c == 0x20; }

int DigitValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::uint8_t> HexTokenReader::Next() {
  int c = std::getc(file_);
  while (IsWhiteSpace(c)) c = std::getc(file_);
  if (c == EOF) return std::nullopt;

  int used = 0;
  bool negative = false;
  const bool signed_token = c == '+' || c == '-';
  if (signed_token) {
    negative = c == '-';
    ++used;
    c = std::getc(file_);
  }
  int digits = 0;
  unsigned value = 0;
  while (used < kTokenWidth) {
    const int digit = DigitValue(c);
    if (digit < 0) {
      if (c != EOF) std::ungetc(c, file_);
      break;
    }
    value = value * 16 + static_cast<unsigned>(digit);
    ++digits;
    ++used;
    if (used == kTokenWidth) break;
    c = std::getc(file_);
    // "0x" is a prefix only without a sign; it takes the whole width and is worth 0.
    if (!signed_token && digits == 1 && value == 0 && (c == 'x' || c == 'X')) break;
  }
  if (digits == 0) return std::nullopt;
  if (negative) value = 0u - value;
  return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace vobisk
