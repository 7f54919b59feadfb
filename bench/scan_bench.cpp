// scan_bench: what the port list costs. One scan probes COM0 to COM98; it is timed with no port
// present and with three simulated devices present, and one open+configure+close of a
// pseudo-terminal port on its own.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "com_port.h"
#include "device_path.h"
#include "port_scan.h"
#include "sim_device.h"

namespace {

constexpr double kProbesPerScan = 99;  // COM0 to COM98
constexpr int kPresentPorts[] = {3, 7, 42};
constexpr const char* kOpenedPort = "\\\\.\\COM3";
constexpr std::uint32_t kBaud = 57600;
constexpr std::uint32_t kTimeoutMs = 2000;

// Both COM folders are fresh and ours: every COMn resolves into one of them, never to a real port.
std::filesystem::path empty_com_dir;
std::filesystem::path populated_com_dir;

void UseComDir(const std::filesystem::path& dir) { ::setenv(vobisk::kComDirVariable, dir.c_str(), 1); }

void ReportPerProbe(benchmark::State& state) {
  // Iteration-invariant rate, inverted: seconds per probe.
  state.counters["per_probe"] = benchmark::Counter(
      kProbesPerScan, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ScanNoPorts(benchmark::State& state) {
  UseComDir(empty_com_dir);
  vobisk::TComPort port;
  for (auto _ : state) {
    const std::vector<std::string> found = vobisk::ListOpenablePorts(port);
    if (!found.empty()) {
      state.SkipWithError("the empty COM folder yielded ports");
      break;
    }
  }
  ReportPerProbe(state);
}

void BM_ScanThreePtys(benchmark::State& state) {
  UseComDir(populated_com_dir);
  const std::vector<std::string> expected = {"COM3", "COM7", "COM42"};
  vobisk::TComPort port;
  for (auto _ : state) {
    const std::vector<std::string> found = vobisk::ListOpenablePorts(port);
    if (found != expected) {
      state.SkipWithError("the scan did not find exactly COM3, COM7 and COM42");
      break;
    }
  }
  ReportPerProbe(state);
}

void BM_OpenCloseOnePty(benchmark::State& state) {
  UseComDir(populated_com_dir);
  vobisk::TComPort port;
  for (auto _ : state) {
    if (!port.Open(kOpenedPort, kBaud, kTimeoutMs)) {
      state.SkipWithError("COM3 did not open");
      break;
    }
    port.Close();
  }
}

BENCHMARK(BM_ScanNoPorts)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_ScanThreePtys)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_OpenCloseOnePty)->Unit(benchmark::kMicrosecond)->UseRealTime();

std::filesystem::path MakeTempDir(const char* pattern) {
  std::string name = pattern;
  if (!::mkdtemp(name.data())) {
    std::perror("scan_bench: mkdtemp");
    std::exit(1);
  }
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything can resolve a port name: without a COM folder COM1 is the system console.
  empty_com_dir = MakeTempDir("/tmp/vobisk-scan-empty-XXXXXX");
  UseComDir(empty_com_dir);
  populated_com_dir = MakeTempDir("/tmp/vobisk-scan-ports-XXXXXX");

  // Devices that only listen: nothing but the benchmarks opens their slaves.
  std::vector<std::unique_ptr<vobisk::sim::SimDevice>> devices;
  for (const int n : kPresentPorts) {
    vobisk::sim::SimOptions options;
    options.link_path = (populated_com_dir / ("COM" + std::to_string(n))).string();
    auto device = std::make_unique<vobisk::sim::SimDevice>(options);
    if (!device->Start()) {
      std::fprintf(stderr, "scan_bench: simulated device COM%d: %s\n", n, device->Error().c_str());
      return 1;
    }
    devices.push_back(std::move(device));
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  devices.clear();  // stops them and removes their links
  std::error_code ignored;
  std::filesystem::remove_all(empty_com_dir, ignored);
  std::filesystem::remove_all(populated_com_dir, ignored);
  return 0;
}
