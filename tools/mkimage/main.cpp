// vobisk-mkimage: writes a firmware image for the demo, the tests and the benchmark.
#include <charconv>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "mkimage.h"

namespace {

constexpr const char* kUsage =
    "usage: vobisk-mkimage --payload N (--packets K | --limit BYTES) [--seed S] --hex FILE [--bin FILE]\n"
    "  --payload N     payload bytes of each packet (0..65535)\n"
    "  --packets K     exactly K packets\n"
    "  --limit BYTES   as many packets as fit in BYTES (the last one cut short)\n"
    "  --seed S        seed of the payload bytes (default 1)\n"
    "  --hex FILE      the image as hex text\n"
    "  --bin FILE      the image's raw bytes as well\n";

std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t max) {
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > max) return std::nullopt;
  return value;
}

bool WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << contents;
  file.close();
  if (!file) std::cerr << "vobisk-mkimage: cannot write " << path << "\n";
  return static_cast<bool>(file);
}

int Fail(const std::string& message) {
  std::cerr << "vobisk-mkimage: " << message << "\n" << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::uint64_t> payload, packets, limit;
  std::uint64_t seed = 1;
  std::string hex_path, bin_path;
  constexpr auto kMaxSize = std::numeric_limits<std::uint32_t>::max();

  for (int i = 1; i < argc; ++i) {
    const std::string_view name = argv[i];
    if (name == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (i + 1 >= argc) return Fail("missing value for " + std::string(name));
    const std::string_view value = argv[++i];
    std::optional<std::uint64_t> number;
    if (name == "--payload") {
      payload = number = ParseNumber(value, vobisk::mkimage::kMaxPayloadBytes);
    } else if (name == "--packets") {
      packets = number = ParseNumber(value, kMaxSize);
    } else if (name == "--limit") {
      limit = number = ParseNumber(value, kMaxSize);
    } else if (name == "--seed") {
      number = ParseNumber(value, std::numeric_limits<std::uint32_t>::max());
      if (number) seed = *number;
    } else if (name == "--hex") {
      hex_path = value;
      number = 0;
    } else if (name == "--bin") {
      bin_path = value;
      number = 0;
    } else {
      return Fail("unknown argument: " + std::string(name));
    }
    if (!number) return Fail("bad value for " + std::string(name) + ": " + std::string(value));
  }
  if (!payload || packets.has_value() == limit.has_value() || hex_path.empty())
    return Fail("need --payload, one of --packets and --limit, and --hex");

  const auto image = packets ? vobisk::mkimage::MakeImage(*payload, *packets, static_cast<std::uint32_t>(seed))
                             : vobisk::mkimage::MakeImageUpTo(*payload, *limit, static_cast<std::uint32_t>(seed));
  if (!WriteFile(hex_path, vobisk::mkimage::ToHexText(image))) return 1;
  if (!bin_path.empty() && !WriteFile(bin_path, std::string(image.begin(), image.end()))) return 1;
  return 0;
}
