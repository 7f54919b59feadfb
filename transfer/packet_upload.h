#pragma once

#include <cstdint>

#include "com_port.h"
#include "upload_window.h"

namespace vobisk {

// Uploads the firmware file at image_path (used as given; a relative name is taken against the
// current directory) to the bootloader on device_path, packet by packet: before each send the
// line is drained, then the packet goes out whole and the device answers with one byte, 0x11
// for accepted; a rejected packet is sent again, four sends in all. Reports through the window
// (progress bar, status line, message boxes) and trace lines on standard output.
// Returns 0 after a successful upload, -1 after any failure; the port and the file are closed
// on every way out.
int UploadFirmware(UploadWindow& window, TComPort& port, const char* image_path,
                   const char* device_path, std::uint32_t baud);

// Shows the progress bar and uploads the file named in the window's file field to the port
// named in its port box, at 57600 baud; returns UploadFirmware's result.
int StartDirectUpload(UploadWindow& window, TComPort& port);

}  // namespace vobisk
