#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

namespace vobisk::sim {

// The settings a chunk of host bytes is judged by.
struct LineVerdict {
  std::uint32_t baud = 0;    // 0: a speed the sim does not know
  bool eight_n_one = false;  // 8 data bits, no parity, no hardware or software flow control

  bool Fits(std::uint32_t mode_baud) const { return eight_n_one && baud == mode_baud; }
  bool operator==(const LineVerdict&) const = default;
};

// Follows the terminal's settings, sampled once each pass of the device's loop just before it
// reads. Tells a host's settings from the idle ones the sim leaves the terminal at, and keeps the
// last ones a host had: a host puts the idle settings back when it closes, so bytes it wrote just
// before closing are judged by its session's settings.
class LineJudge {
 public:
  // Settings no host uses: raw, no echo, 300 baud, two stop bits, odd parity selected. (The
  // Linux pty driver forces CS8 and clears PARENB whatever is asked, so speed and stop bits
  // are what makes them recognisable.)
  static termios IdleSettings();
  static bool IsIdle(const termios& settings);
  static std::uint32_t BaudOf(const termios& settings);

  void Observe(const termios& current);
  // The settings in force now: the host's, or while the port is closed, the last host's.
  LineVerdict Current() const { return latest_.value_or(last_host_); }
  // A host's settings at the sample before, if they differ from the current ones: the bytes read
  // now may have been written before the host changed them.
  std::optional<LineVerdict> BeforeChange() const;
  // The speed a host last set; 0 before any host has configured the port.
  std::uint32_t HostBaud() const { return host_seen_ ? last_host_.baud : 0; }

 private:
  static LineVerdict Judge(const termios& settings);

  std::optional<LineVerdict> latest_;    // none: idle
  std::optional<LineVerdict> previous_;  // the sample before; none: idle
  LineVerdict last_host_ = Judge(IdleSettings());
  bool host_seen_ = false;
};

}  // namespace vobisk::sim
