#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Firmware images for the demo, the tests and the benchmark: packets of a 2-byte big-endian
// payload length and the payload, payload bytes from a small deterministic generator.
namespace vobisk::mkimage {

inline constexpr std::size_t kMaxPayloadBytes = 65535;

// Exactly `packets` packets of payload_bytes each (payload_bytes at most kMaxPayloadBytes).
std::vector<std::uint8_t> MakeImage(std::size_t payload_bytes, std::size_t packets, std::uint32_t seed);

// As many packets of payload_bytes as fit in limit_bytes in all (each packet is payload + 2
// bytes); where the limit cuts the last one, it is shorter, if it still carries a payload byte.
std::vector<std::uint8_t> MakeImageUpTo(std::size_t payload_bytes, std::size_t limit_bytes, std::uint32_t seed);

// The image file's text: upper-case two-digit hex bytes separated by blanks, bytes_per_line to
// a line, every line ended by CR LF.
std::string ToHexText(const std::vector<std::uint8_t>& image, std::size_t bytes_per_line = 32);

}  // namespace vobisk::mkimage
