#include "firmware_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace vobisk {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Loaded {
  FirmwareImage::LoadResult result;
  FirmwareImage image;
  const Bytes& bytes() const { return image.bytes(); }
};

Loaded LoadText(const std::string& text) {
  std::string copy = text;  // fmemopen wants a writable buffer even to read
  std::FILE* file = copy.empty() ? std::tmpfile() : ::fmemopen(copy.data(), copy.size(), "rb");
  Loaded loaded;
  loaded.result = loaded.image.Load(file);
  std::fclose(file);
  return loaded;
}

TEST(FirmwareImage, ReadsTokensByTheFileRules) {
  struct Case {
    const char* what;
    std::string text;
    Bytes bytes;
  };
  const Case cases[] = {
      {"separators and line ends", "0A 1B\r\n2C\t3d\n4e\v5f\f60  \n\n71", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71}},
      {"letter case", "ab AB aB Ab", {0xAB, 0xAB, 0xAB, 0xAB}},
      {"a run of digits is cut into pairs", "0A1B2C", {0x0A, 0x1B, 0x2C}},
      {"an odd run ends in a one-digit byte", "ABC DE", {0xAB, 0x0C, 0xDE}},
      {"single digits", "1 2 3", {0x01, 0x02, 0x03}},
      {"0x is a token of its own", "0x12", {0x00, 0x12}},
      {"0X too", "0X12", {0x00, 0x12}},
      {"0x at the end", "0x", {0x00}},
      {"a 0 then x after a full pair", "00x1", {0x00}},
      {"minus", "-1", {0xFF}},
      {"plus", "+5", {0x05}},
      {"minus zero", "-0", {0x00}},
      {"a sign uses a character of the width", "-FF", {0xF1, 0x0F}},
      {"after a sign, 0x is no prefix", "-0x5", {0x00}},
      {"a sign without a digit ends the image", "12 - 5", {0x12}},
      {"a lone sign at the end", "12 +", {0x12}},
      {"two signs", "+-1", {}},
      {"0x1A is no end-of-file mark but ends like any other character", "12\x1A" "34", {0x12}},
      {"text after the first unusable character is ignored", "12 34 ; 56 78", {0x12, 0x34}},
      {"a character that is no digit", "g1", {}},
      {"bytes from 0x80 are no white space", "\xA0" "12", {}},
      {"nor inside the image", "12\x85" "34", {0x12}},
      {"a NUL ends it", std::string("12\0" "34", 5), {0x12}},
      {"empty", "", {}},
      {"white space only", " \t\r\n\v\f ", {}},
      {"a digit run of three", "100", {0x10, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Loaded loaded = LoadText(c.text);
    EXPECT_EQ(loaded.result, FirmwareImage::LoadResult::kLoaded);
    EXPECT_EQ(loaded.bytes(), c.bytes);
  }
}

std::string Tokens(std::size_t count) {
  std::string text;
  text.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) text += (i % 32 == 31) ? "5A\n" : "5A ";
  return text;
}

TEST(FirmwareImage, FullCapacityLoadsAndOneTokenMoreIsRefused) {
  const Loaded full = LoadText(Tokens(FirmwareImage::kCapacity));
  EXPECT_EQ(full.result, FirmwareImage::LoadResult::kLoaded);
  EXPECT_EQ(full.bytes().size(), FirmwareImage::kCapacity);

  const Loaded over = LoadText(Tokens(FirmwareImage::kCapacity + 1));
  EXPECT_EQ(over.result, FirmwareImage::LoadResult::kTooLarge);
  EXPECT_TRUE(over.bytes().empty());
}

TEST(FirmwareImage, AReadErrorIsNoShorterImage) {
  test::TempDir dir;
  std::FILE* directory = std::fopen(dir.path().c_str(), "rb");  // opens on Linux, cannot be read
  ASSERT_NE(directory, nullptr);
  FirmwareImage image;
  EXPECT_EQ(image.Load(directory), FirmwareImage::LoadResult::kReadError);
  std::fclose(directory);
}

TEST(FirmwareImage, PacketsMustEndExactlyAtTheEnd) {
  struct Case {
    const char* what;
    std::string text;
    bool exact;
  };
  const Case cases[] = {
      {"no packet", "", true},
      {"N=0: the length bytes only", "00 00", true},
      {"two packets", "00 02 AA BB 00 01 CC", true},
      {"N=0 between others", "00 01 AA 00 00 00 01 BB", true},
      {"declared length runs past the end", "00 03 AA BB", false},
      {"last packet runs past the end", "00 01 AA 00 05 BB", false},
      {"a lone length byte", "00 01 AA 00", false},
      {"a single byte", "07", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LoadText(c.text).image.PacketsEndExactly(), c.exact);
  }
}

TEST(FirmwareImage, LargestPacket) {
  // N = 65535: 65537 bytes with its length, and the walk ends exactly at the end.
  std::string text = "FF FF";
  for (int i = 0; i < 65535; ++i) text += " 11";
  const Loaded loaded = LoadText(text);
  ASSERT_EQ(loaded.bytes().size(), 65537u);
  EXPECT_EQ(loaded.image.PacketSizeAt(0), 65537u);
  EXPECT_TRUE(loaded.image.PacketsEndExactly());
}

}  // namespace
}  // namespace vobisk
