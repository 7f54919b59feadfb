#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vobisk {

// The switches a calling program passes: "/run" as parameter 1 starts an update at every
// activation of the window, "/close" as parameter 2 ends the program after an upload started by
// the delay timer succeeded. They match only exactly (same length, same bytes, same case).
inline constexpr std::string_view kRunSwitch = "/run";
inline constexpr std::string_view kCloseSwitch = "/close";

// Splits a Windows command line into parameters; parameter 0 is the program. Parameters are
// separated by runs of characters 1 to 32; text in double quotes may hold such characters, the
// quotes are dropped, and quoted and unquoted pieces that touch form one parameter; an empty
// pair of quotes where a parameter would begin is skipped and is no parameter.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// The parameters from the arguments the shell has split already: an empty argument is no
// parameter, as an empty pair of quotes is none on Windows.
std::vector<std::string> ParametersFromArguments(int argc, const char* const* argv);

// The program's own parameters, as its platform hands them over.
std::vector<std::string> ProgramParameters(int argc, const char* const* argv);

// Parameter n, or empty text if there is none.
std::string ParamStr(const std::vector<std::string>& parameters, std::size_t n);

}  // namespace vobisk
