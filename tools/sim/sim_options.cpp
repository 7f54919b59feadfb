#include "sim_options.h"

#include <charconv>
#include <climits>
#include <string_view>

namespace vobisk::sim {

namespace {

constexpr int kMaxDelayMs = 600'000;

bool ParseInt(std::string_view text, int min, int max, int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty() && value >= min && value <= max;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
  if (text.empty() || text.size() % 2 != 0) return false;
  bytes.clear();
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return true;
}

bool ParseReject(std::string_view text, std::map<int, int>& rejects) {
  const std::size_t colon = text.find(':');
  int packet = 0;
  int times = 0;
  if (colon == std::string_view::npos || !ParseInt(text.substr(0, colon), 1, INT_MAX, packet) ||
      !ParseInt(text.substr(colon + 1), 1, INT_MAX, times))
    return false;
  rejects[packet] = times;
  return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, SimOptions& options, std::string& error) {
  options = SimOptions{};
  for (int i = 1; i < argc; ++i) {
    std::string_view name = argv[i];
    std::string_view value;
    bool has_value = false;
    // Both "--name VALUE" and "--name=VALUE".
    if (const std::size_t eq = name.find('='); name.starts_with("--") && eq != std::string_view::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_value = true;
    }
    const auto take_value = [&]() {
      if (has_value) return true;
      if (i + 1 >= argc) return false;
      value = argv[++i];
      return true;
    };
    const auto flag = [&](bool& target) {
      if (has_value) return false;
      target = true;
      return true;
    };

    bool ok = false;
    if (name == "--bootloader") {
      ok = flag(options.start_in_bootloader);
    } else if (name == "--reject-all") {
      ok = flag(options.reject_all);
    } else if (name == "--chatter") {
      ok = flag(options.chatter);
    } else if (name == "--throttle") {
      ok = flag(options.throttle);
    } else if (name == "--link") {
      ok = take_value() && !value.empty();
      if (ok) options.link_path = value;
    } else if (name == "--out") {
      ok = take_value() && !value.empty();
      if (ok) options.out_path = value;
    } else if (name == "--reject") {
      ok = take_value() && ParseReject(value, options.reject_times);
    } else if (name == "--silent-after") {
      ok = take_value() && ParseInt(value, 0, INT_MAX, options.silent_after);
    } else if (name == "--hangup-after") {
      ok = take_value() && ParseInt(value, 1, INT_MAX, options.hangup_after);
    } else if (name == "--hangup-inside") {
      ok = take_value() && ParseInt(value, 1, INT_MAX, options.hangup_inside);
    } else if (name == "--reply-delay") {
      ok = take_value() && ParseInt(value, 0, kMaxDelayMs, options.reply_delay_ms);
    } else if (name == "--stray") {
      ok = take_value() && ParseHexBytes(value, options.stray);
    } else {
      error = "unknown argument: " + std::string(argv[i]);
      return false;
    }
    if (!ok) {
      error = "bad or missing value for " + std::string(name);
      return false;
    }
  }
  return true;
}

std::string UsageText() {
  return "usage: vobisk-sim [options]\n"
         "A simulated device on a pseudo-terminal. Prints the terminal's path as its first line,\n"
         "then runs until interrupted or until it hangs up.\n"
         "\n"
         "  --bootloader        start in the bootloader (default: the running firmware, which\n"
         "                      waits for the three entry commands at 19200 baud)\n"
         "  --link PATH         make PATH a symbolic link to the terminal (removed at exit)\n"
         "  --out FILE          write the accepted image to FILE, packet by packet\n"
         "  --reject N:K        reject packet N (1-based) K times, then accept it (repeatable);\n"
         "                      the reject answer is 0x13, the accept answer 0x11\n"
         "  --reject-all        reject every packet\n"
         "  --silent-after K    answer packets 1..K, then never answer again\n"
         "  --hangup-after K    hang up right after answering packet K (once the host has read it)\n"
         "  --hangup-inside K   hang up once half of packet K has arrived\n"
         "  --reply-delay MS    wait MS milliseconds before each answer\n"
         "  --stray HEXBYTES    send these bytes (e.g. 11 or 1100) right after each answer\n"
         "  --chatter           in the bootloader, send 0x55 at least every 0.5 ms, answer nothing\n"
         "  --throttle          take and send bytes no faster than the line's baud allows\n"
         "  --help              this text\n";
}

}  // namespace vobisk::sim
