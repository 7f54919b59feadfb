#pragma once

#include <termios.h>

#include <cstdint>

namespace vobisk::sim {

// The settings a chunk of host bytes is judged by.
struct LineVerdict {
  std::uint32_t baud = 0;  // 0: a speed the sim does not know
  bool eight_n_one = false;  // 8 data bits, no parity, no hardware or software flow control
};

// Tells the settings a host configured apart from the idle settings the sim leaves the terminal
// at, and keeps the last ones a host had: a host puts the idle settings back when it closes, so
// bytes it wrote just before closing must still be judged by its session's settings.
class LineJudge {
 public:
  // Settings no host uses: raw, no echo, 300 baud, two stop bits, odd parity selected. (The
  // Linux pty driver forces CS8 and clears PARENB whatever is asked, so speed and stop bits
  // are what makes them recognisable.)
  static termios IdleSettings();
  static bool IsIdle(const termios& settings);
  static std::uint32_t BaudOf(const termios& settings);

  // Takes the terminal's current settings into account.
  void Observe(const termios& current);
  // What bytes read now are judged by.
  LineVerdict Verdict() const { return verdict_; }

 private:
  LineVerdict verdict_ = Judge(IdleSettings());
  static LineVerdict Judge(const termios& settings);
};

}  // namespace vobisk::sim
