#include "command_line.h"

namespace vobisk {

namespace {
bool IsSeparator(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}
}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> parameters;
  std::size_t i = 0;
  const auto at = [&](std::size_t k) { return k < line.size() ? line[k] : '\0'; };
  for (;;) {
    for (;;) {
      while (at(i) != '\0' && IsSeparator(at(i))) ++i;
      if (at(i) == '"' && at(i + 1) == '"') {
        i += 2;
      } else {
        break;
      }
    }
    if (at(i) == '\0') break;
    std::string parameter;
    while (at(i) != '\0' && !IsSeparator(at(i))) {
      if (at(i) == '"') {
        ++i;
        while (at(i) != '\0' && at(i) != '"') parameter += line[i++];
        if (at(i) == '"') ++i;
      } else {
        parameter += line[i++];
      }
    }
    parameters.push_back(std::move(parameter));
  }
  return parameters;
}

std::vector<std::string> ParametersFromArguments(int argc, const char* const* argv) {
  std::vector<std::string> parameters;
  for (int i = 0; i < argc; ++i) {
    if (i == 0 || (argv[i] != nullptr && argv[i][0] != '\0')) parameters.emplace_back(argv[i] ? argv[i] : "");
  }
  return parameters;
}

std::string ParamStr(const std::vector<std::string>& parameters, std::size_t n) {
  return n < parameters.size() ? parameters[n] : std::string();
}

}  // namespace vobisk
