#include "command_line.h"

namespace vobisk {

std::vector<std::string> ProgramParameters(int argc, const char* const* argv) {
  return ParametersFromArguments(argc, argv);
}

}  // namespace vobisk
