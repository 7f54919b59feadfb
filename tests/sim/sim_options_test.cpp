// The program's arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim_options.h"

namespace vobisk::sim::test {
namespace {

bool Parse(std::vector<std::string> args, SimOptions& options, std::string& error) {
  args.insert(args.begin(), "vobisk-sim");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  return ParseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

SimOptions Expected(void (*edit)(SimOptions&)) {
  SimOptions options;
  edit(options);
  return options;
}

struct GoodCase {
  std::vector<std::string> args;
  SimOptions expected;
};

TEST(SimOptionsParse, GoodArguments) {
  const std::vector<GoodCase> cases = {
      {{}, {}},
      {{"--bootloader", "--chatter", "--throttle", "--reject-all"},
       Expected([](SimOptions& o) { o.start_in_bootloader = o.chatter = o.throttle = o.reject_all = true; })},
      {{"--link", "/tmp/x/COM5", "--out=/tmp/x/image.bin"}, Expected([](SimOptions& o) {
         o.link_path = "/tmp/x/COM5";
         o.out_path = "/tmp/x/image.bin";
       })},
      {{"--reject", "2:3", "--reject=7:1", "--reject", "2:1"},
       Expected([](SimOptions& o) { o.reject_times = {{2, 1}, {7, 1}}; })},
      {{"--silent-after", "0", "--hangup-after", "4", "--hangup-inside=9", "--reply-delay", "16"},
       Expected([](SimOptions& o) {
         o.silent_after = 0;
         o.hangup_after = 4;
         o.hangup_inside = 9;
         o.reply_delay_ms = 16;
       })},
      {{"--stray", "11"}, Expected([](SimOptions& o) { o.stray = {0x11}; })},
      {{"--stray", "1100aF"}, Expected([](SimOptions& o) { o.stray = {0x11, 0x00, 0xAF}; })},
  };
  for (const GoodCase& c : cases) {
    SimOptions options;
    options.chatter = true;  // must be reset by the parse
    std::string error;
    EXPECT_TRUE(Parse(c.args, options, error)) << error;
    EXPECT_TRUE(options == c.expected) << (c.args.empty() ? "(none)" : c.args[0]);
  }
}

TEST(SimOptionsParse, BadArguments) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},        {"bootloader"},          {"--link"},           {"--link="},
      {"--reject", "3"},  {"--reject", "0:1"},     {"--reject", "2:0"},  {"--reject", "a:b"},
      {"--reject", "2:"}, {"--silent-after", "-1"}, {"--hangup-after", "0"}, {"--hangup-inside", "x"},
      {"--reply-delay", "-5"}, {"--reply-delay", "10ms"}, {"--stray", "1"}, {"--stray", "zz"},
      {"--stray", ""},    {"--bootloader=1"},      {"--throttle", "--silent-after"},
  };
  for (const auto& args : cases) {
    SimOptions options;
    std::string error;
    EXPECT_FALSE(Parse(args, options, error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

}  // namespace
}  // namespace vobisk::sim::test
