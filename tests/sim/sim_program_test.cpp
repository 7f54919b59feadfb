// The vobisk-sim program, as the demo and the benchmarks start it.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "host_port.h"
#include "sim_process.h"
#include "sim_test_bytes.h"
#include "temp_dir.h"

namespace vobisk::sim::test {
namespace {

namespace fs = std::filesystem;

TEST(SimProgram, ServesUntilTerminatedAndCleansUp) {
  vobisk::test::TempDir dir;
  const fs::path link = dir / "port";
  const fs::path out = dir / "image.bin";
  SimProcess sim({VOBISK_SIM_PROGRAM, "--bootloader", "--link", link.string(), "--out", out.string()});
  ASSERT_TRUE(sim.running());
  const std::string slave = sim.ReadLine();
  ASSERT_FALSE(slave.empty());
  EXPECT_EQ(fs::read_symlink(link), slave);

  Bytes image;
  {
    HostPort host(link.string(), {B57600});
    ASSERT_TRUE(host.is_open());
    for (const Bytes& packet : {Packet(8), Packet(0), Packet(20)}) {
      ASSERT_TRUE(host.Write(packet));
      EXPECT_EQ(host.Read(1), Bytes{protocol::kAcknowledge});
      image.insert(image.end(), packet.begin(), packet.end());
    }
  }
  std::ifstream file(out, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), std::string(image.begin(), image.end()));

  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
  EXPECT_FALSE(fs::exists(slave));
}

TEST(SimProgram, ExitsOnItsOwnAfterHangingUp) {
  SimProcess sim({VOBISK_SIM_PROGRAM, "--bootloader", "--hangup-after", "1"});
  const std::string slave = sim.ReadLine();
  ASSERT_FALSE(slave.empty());
  HostPort host(slave, {B57600});
  ASSERT_TRUE(host.Write(Packet(1)));
  EXPECT_EQ(host.Read(1), Bytes{protocol::kAcknowledge});
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_TRUE(sim.ReadLine().empty());  // nothing else on its output
}

TEST(SimProgram, RefusesBadArguments) {
  SimProcess sim({VOBISK_SIM_PROGRAM, "--reject", "x"});
  EXPECT_TRUE(sim.ReadLine().empty());
  EXPECT_EQ(sim.Wait(), 2);
}

}  // namespace
}  // namespace vobisk::sim::test
