// The real program, unattended, against the real simulator program: what a calling program sees.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "mkimage.h"
#include "temp_dir.h"

namespace vobisk {
namespace {

using namespace std::chrono_literals;

// Starts a program in `dir` with its standard output going to `out` (or /dev/null).
pid_t Start(const std::vector<std::string>& args, const std::filesystem::path& dir, const std::string& out = "/dev/null") {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  if (::chdir(dir.c_str()) != 0) ::_exit(126);
  const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(fd, STDOUT_FILENO);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

// The exit code, or -1 if it did not end by itself in time (it is killed then).
int WaitFor(pid_t pid, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(20ms);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Contents(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(EndToEnd, RunAndCloseUpdatesTheDeviceAndExitsWithZero) {
  test::TempDir ports, folder;
  const auto image = mkimage::MakeImage(512, 6, 42);
  folder.Write("device.fmw", mkimage::ToHexText(image));
  const std::filesystem::path received = ports / "received.bin";

  const pid_t sim = Start({VOBISK_SIM_PROGRAM, "--link", (ports / "COM1").string(), "--out", received.string()},
                          ports.path());
  for (int i = 0; i < 100 && !std::filesystem::exists(ports / "COM1"); ++i) std::this_thread::sleep_for(20ms);
  ASSERT_TRUE(std::filesystem::exists(ports / "COM1"));

  test::ScopedEnv com_dir("VOBISK_COM_DIR", ports.path().string());
  test::ScopedEnv offscreen("QT_QPA_PLATFORM", "offscreen");
  const std::filesystem::path trace = folder / "trace.txt";
  const pid_t update = Start({VOBISK_UPDATE_PROGRAM, "/run", "/close"}, folder.path(), trace.string());
  EXPECT_EQ(WaitFor(update, 30s), 0);
  ::kill(sim, SIGTERM);
  EXPECT_EQ(WaitFor(sim, 5s), 0);

  EXPECT_EQ(Contents(received), std::string(image.begin(), image.end()));
  EXPECT_EQ(Contents(trace), "\\\\.\\COM1 opened.\n\rTransferring.. 100% done.  \nTarget updated successfully.\n");
}

}  // namespace
}  // namespace vobisk
