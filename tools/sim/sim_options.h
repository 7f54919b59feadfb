#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vobisk::sim {

// How the simulated device behaves: where it is reachable and which faults it shows.
struct SimOptions {
  bool start_in_bootloader = false;  // --bootloader: already in the bootloader
  std::string link_path;             // --link PATH: symlink to the slave, removed on Stop/exit
  std::string out_path;              // --out FILE: the accepted image, written through packet by packet
  std::map<int, int> reject_times;   // --reject N:K: reject packet N (1-based, by accepted packets) K times
  bool reject_all = false;           // --reject-all
  int silent_after = -1;             // --silent-after K: answer packets 1..K, then nothing (still reading)
  int hangup_after = -1;             // --hangup-after K: hang up once the host has read the first answer to packet K
  int hangup_inside = -1;            // --hangup-inside K: hang up once half of packet K has arrived
  int reply_delay_ms = 0;            // --reply-delay MS: wait this long before each answer
  std::vector<std::uint8_t> stray;   // --stray HEXBYTES: bytes sent right after each answer
  bool chatter = false;              // --chatter: in the bootloader, keeps sending bytes, answers nothing
  bool throttle = false;             // --throttle: takes and sends bytes no faster than the wire

  bool operator==(const SimOptions&) const = default;
};

// Parses the program's arguments (argv[0] is the program) into options; false with a message on
// a bad argument. --help is not an option here: the program looks for it first.
bool ParseOptions(int argc, char** argv, SimOptions& options, std::string& error);

// The text of --help.
std::string UsageText();

}  // namespace vobisk::sim
