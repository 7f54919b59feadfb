// Firmware images from vobisk-mkimage's library.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "mkimage.h"

namespace vobisk::mkimage {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The payload sizes of the packets, walking the length prefixes; fails unless they end exactly
// at the image's end.
std::vector<std::size_t> WalkPackets(const Bytes& image) {
  std::vector<std::size_t> payloads;
  std::size_t at = 0;
  while (at < image.size()) {
    EXPECT_LE(at + 2, image.size());
    if (at + 2 > image.size()) break;
    payloads.push_back(std::size_t{image[at]} << 8 | image[at + 1]);
    at += 2 + payloads.back();
  }
  EXPECT_EQ(at, image.size());
  return payloads;
}

struct LimitCase {
  std::size_t payload;
  std::size_t limit;
  std::size_t full_packets;
  std::size_t last_payload;  // of a cut packet after the full ones; 0: none
};

TEST(MkImage, UpToLimitFillsWholePacketsThenACutOne) {
  const std::vector<LimitCase> cases = {
      {100, 1000, 9, 80},  {100, 918, 9, 0}, {100, 920, 9, 0},   {100, 921, 9, 1},
      {100, 50, 0, 48},    {100, 2, 0, 0},   {0, 7, 3, 0},       {65535, 200'000, 3, 3387},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "payload " << c.payload << " limit " << c.limit);
    const Bytes image = MakeImageUpTo(c.payload, c.limit, 7);
    EXPECT_LE(image.size(), c.limit);
    std::vector<std::size_t> expected(c.full_packets, c.payload);
    if (c.last_payload != 0) expected.push_back(c.last_payload);
    EXPECT_EQ(WalkPackets(image), expected);
  }
}

TEST(MkImage, ExactPacketsAreDeterministicAndCarryTrickyBytes) {
  const Bytes image = MakeImage(64, 5, 42);
  EXPECT_EQ(WalkPackets(image), std::vector<std::size_t>(5, 64));
  EXPECT_EQ(image, MakeImage(64, 5, 42));
  EXPECT_NE(image, MakeImage(64, 5, 43));
  for (const std::uint32_t seed : {0u, 0xFFFFFFFFu}) {  // no seed gets the generator stuck
    const Bytes image_of_seed = MakeImage(64, 1, seed);
    EXPECT_LT(std::count(image_of_seed.begin() + 6, image_of_seed.end(), 0), 8) << seed;
  }
  const Bytes payload(image.begin() + 2, image.begin() + 66);
  for (const std::uint8_t tricky : {0x00, 0x11, 0x13, 0x1A})
    EXPECT_NE(std::find(payload.begin(), payload.end(), tricky), payload.end()) << int{tricky};
  // Not a constant pattern.
  EXPECT_GT(std::count_if(payload.begin(), payload.end(), [&](std::uint8_t b) { return b != payload[10]; }), 32);
}

// Parses the hex text strictly: two upper-case digits per byte, one blank between bytes, at
// most bytes_per_line to a line, CR LF after every line.
bool ParseHexText(const std::string& text, std::size_t bytes_per_line, Bytes& out) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return false;
    const std::string line = text.substr(at, end - at);
    if ((line.size() + 1) % 3 != 0 || (line.size() + 1) / 3 > bytes_per_line) return false;
    for (std::size_t i = 0; i < line.size(); i += 3) {
      const std::string token = line.substr(i, 2);
      if (!std::all_of(token.begin(), token.end(), [](char ch) { return std::isdigit(ch) || (ch >= 'A' && ch <= 'F'); }))
        return false;
      if (i + 2 < line.size() && line[i + 2] != ' ') return false;
      unsigned char byte = 0;
      if (std::sscanf(token.c_str(), "%2hhX", &byte) != 1) return false;
      out.push_back(byte);
    }
    at = end + 2;
  }
  return true;
}

TEST(MkImage, HexTextRoundTrips) {
  const Bytes image = MakeImage(1000, 1, 3);
  for (const std::size_t per_line : {1u, 16u, 32u}) {
    for (const std::size_t size : {0u, 1u, 31u, 32u, 33u, 1002u}) {
      const Bytes part(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size));
      const std::string text = ToHexText(part, per_line);
      Bytes parsed;
      EXPECT_TRUE(ParseHexText(text, per_line, parsed)) << per_line << "/" << size;
      EXPECT_EQ(parsed, part) << per_line << "/" << size;
      EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
                static_cast<std::ptrdiff_t>((size + per_line - 1) / per_line));
    }
  }
}

}  // namespace
}  // namespace vobisk::mkimage
