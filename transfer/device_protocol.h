#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// What the device understands on its serial line. Shared by the upload, the bootloader entry and
// the simulated device.
namespace vobisk::protocol {

// Running firmware: three commands at 19200 baud switch it to its bootloader. The two zero bytes
// that end the second and the third go on the line.
inline constexpr std::uint32_t kEntryBaud = 19200;
inline constexpr std::array<std::uint8_t, 1> kEntryStep1 = {0x0D};
inline constexpr std::array<std::uint8_t, 10> kEntryStep2 = {'c', 'o', 'm', 'm', 'a', 'n', 'd', 0x0D, 0x00, 0x00};
inline constexpr std::array<std::uint8_t, 9> kEntryStep3 = {'u', 'p', 'd', 'a', 't', 'e', 0x0D, 0x00, 0x00};

// Bootloader: packets of a 2-byte big-endian payload length and the payload, at 57600 baud; the
// device answers each with one byte, kAcknowledge for accepted, anything else for rejected.
inline constexpr std::uint32_t kUploadBaud = 57600;
inline constexpr std::uint8_t kAcknowledge = 0x11;
inline constexpr std::size_t kPacketHeaderBytes = 2;

}  // namespace vobisk::protocol
