#include <windows.h>

#include "command_line.h"

namespace vobisk {

// Windows hands a program one line of text; callers rely on it being split by the rules above,
// not by the C runtime's.
std::vector<std::string> ProgramParameters(int, const char* const*) {
  return SplitCommandLine(::GetCommandLineA());
}

}  // namespace vobisk
