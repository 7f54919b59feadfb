#pragma once

#include <cstdint>

#include "port_failure.h"

// The operating-system services the port object is built on: one set of free functions, with a
// POSIX implementation (termios and poll) and a Win32 one (the communications API); CMake picks
// the file. Each function reports failure as false (or kInvalidHandle) and records why.
namespace vobisk::platform {

// An open device as the backend knows it: a HANDLE on Windows, the backend's own record on POSIX.
using Handle = std::uintptr_t;
inline constexpr Handle kInvalidHandle = ~Handle{0};

// Opens the device for reading and writing, shared with nobody, only if it exists.
Handle OpenExclusive(const char* device_path);

// Asks for receive and transmit queues of the given sizes.
bool SetupQueues(Handle handle, std::uint32_t receive_bytes, std::uint32_t transmit_bytes);

// The fixed line: the given rate, 8 data bits, no parity, one stop bit, no flow control of any
// kind, DTR and RTS off, every byte value passed unchanged.
bool ApplyLineSettings(Handle handle, std::uint32_t baud);

// Read time-outs with T in every field: a read of n bytes ends early after T*n+T ms, or once a
// byte has arrived after more than T ms without the next; T = 0 waits without limit.
// Writes have no time-out.
bool ApplyReadTimeouts(Handle handle, std::uint32_t timeout_ms);

// One blocking write of count bytes; false on an error. written tells how many went out.
bool WriteBytes(Handle handle, const std::uint8_t* data, std::uint32_t count,
                std::uint32_t& written);

// One blocking read of up to count bytes within the time-outs; a time-out is no error (received
// tells what came), a device that went away is.
bool ReadBytes(Handle handle, std::uint8_t* buffer, std::uint32_t count, std::uint32_t& received);

// Releases the device. Cannot fail in a way the caller could act on.
void CloseDevice(Handle handle);

// What the last failing call of this layer recorded.
PortFailure LastFailure();
void RecordFailure(int code);
void RecordNotOpen();

}  // namespace vobisk::platform
