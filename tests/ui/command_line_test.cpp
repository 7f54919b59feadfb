#include "command_line.h"

#include <gtest/gtest.h>

namespace vobisk {
namespace {

using Params = std::vector<std::string>;

TEST(CommandLine, SplitsAWindowsCommandLine) {
  struct Case {
    const char* line;
    Params parameters;
  };
  const Case cases[] = {
      {"update.exe /run /close", {"update.exe", "/run", "/close"}},
      {"\"C:\\Program Files\\Vobisk\\update.exe\" /run", {"C:\\Program Files\\Vobisk\\update.exe", "/run"}},
      {"update.exe \"/run\" \"/close\"", {"update.exe", "/run", "/close"}},
      {"update.exe /r\"u\"n", {"update.exe", "/run"}},            // quotes inside
      {"update.exe \"/ru\"n\" x\"", {"update.exe", "/run x"}},     // touching pieces form one
      {"update.exe \"\" /run", {"update.exe", "/run"}},            // an empty pair is no parameter
      {"update.exe \"\"\"\" /run", {"update.exe", "/run"}},
      {"update.exe \"\"/run", {"update.exe", "/run"}},
      {"update.exe /run\"\"", {"update.exe", "/run"}},
      {"update.exe\t/run\x01/close\x1f", {"update.exe", "/run", "/close"}},  // codes 1 to 32 separate
      {"  update.exe   /run  ", {"update.exe", "/run"}},
      {"update.exe \"unterminated quote", {"update.exe", "unterminated quote"}},
      {"update.exe /RUN /Close", {"update.exe", "/RUN", "/Close"}},
      {"update.exe /run\x7f", {"update.exe", "/run\x7f"}},  // 127 is no separator
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SplitCommandLine(c.line), c.parameters);
  }
}

TEST(CommandLine, TakesShellArgumentsAsTheyCome) {
  const char* argv[] = {"vobisk-update", "", "/run", "", "/close"};
  EXPECT_EQ(ParametersFromArguments(5, argv), (Params{"vobisk-update", "/run", "/close"}));
}

TEST(CommandLine, SwitchesMatchOnlyExactlyAtTheirPositions) {
  struct Case {
    Params parameters;
    bool run;
    bool close;
  };
  const Case cases[] = {
      {{"p"}, false, false},
      {{"p", "/run"}, true, false},
      {{"p", "/run", "/close"}, true, true},
      {{"p", "anything", "/close"}, false, true},
      {{"p", "/close"}, false, false},
      {{"p", "/close", "/run"}, false, false},
      {{"p", "/RUN", "/CLOSE"}, false, false},
      {{"p", "/run ", "/closex"}, false, false},
      {{"p", "/run", "/close", "more"}, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParamStr(c.parameters, 1) == kRunSwitch, c.run);
    EXPECT_EQ(ParamStr(c.parameters, 2) == kCloseSwitch, c.close);
  }
  EXPECT_EQ(ParamStr({}, 0), "");
}

}  // namespace
}  // namespace vobisk
