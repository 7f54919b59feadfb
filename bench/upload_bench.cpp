// upload_bench: how long a firmware upload takes against the simulated device, and how far that
// is above what the protocol itself costs: the drain before each packet, the bytes on the wire
// and the device's reply delay. Prints Markdown tables; asserts nothing.
//
//   upload_bench            256 KiB image (a few minutes, most of it on the throttled lines)
//   upload_bench --quick    a small image, for a smoke run
#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_path.h"
#include "device_protocol.h"
#include "mkimage.h"
#include "packet_upload.h"
#include "sim_device.h"
#include "upload_window.h"

namespace {

using vobisk::protocol::kPacketHeaderBytes;
using vobisk::protocol::kUploadBaud;

constexpr std::size_t kImageBytes = 262144;
constexpr std::size_t kQuickImageBytes = 16384;
constexpr std::size_t kPayloadSizes[] = {1024, 64};
constexpr std::uint32_t kImageSeed = 2026;

// What the protocol costs per packet, whatever the code: the drain's one-byte read gives up
// after T*1+T ms with T = 1 ms, and every byte is 10 bits on the wire.
constexpr double kDrainSeconds = 0.002;
constexpr double kBitsPerByte = 10.0;
constexpr std::size_t kReplyBytes = 1;
// An FTDI adapter's default latency timer: a lone reply byte can wait that long.
constexpr int kAdapterLatencyMs = 16;
// A send-and-answer cycle this far over its floor is counted as a stall (the machine, not the
// protocol: a descheduled thread, a late timer).
constexpr double kStallMs = 10.0;

using Clock = std::chrono::steady_clock;

struct LineCondition {
  const char* name;
  bool throttle;
  int reply_delay_ms;
};

constexpr LineCondition kConditions[] = {
    {"unthrottled", false, 0},
    {"57600 baud", true, 0},
    {"57600 baud + 16 ms reply delay", true, kAdapterLatencyMs},
};

// The upload reports through a window; here nobody looks, but a failure's text is kept.
class SilentWindow final : public vobisk::UploadWindow {
 public:
  void SetProgressPosition(int) override {}
  void SetProgressVisible(bool) override {}
  void SetStatusText(const std::string& text) override { last_text = text; }
  void ShowMessage(const std::string& text) override { last_text = text; }
  std::string PortText() const override { return {}; }
  std::string FirmwareFileText() const override { return {}; }

  std::string last_text;
};

// The upload's trace lines go to /dev/null while it runs, so the table stays readable.
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ < 0 || null_fd < 0 || ::dup2(null_fd, STDOUT_FILENO) < 0) std::abort();
    ::close(null_fd);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
  }
  QuietStdout(const QuietStdout&) = delete;
  QuietStdout& operator=(const QuietStdout&) = delete;

 private:
  int saved_ = -1;
};

// The uploading thread's own CPU time; the device's thread does not count.
double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double WireSeconds(std::size_t bytes) { return static_cast<double>(bytes) * kBitsPerByte / kUploadBaud; }

// The packets of an image: where each begins and how long it is, length bytes included.
struct PacketSpan {
  std::size_t offset;
  std::size_t bytes;
};

std::vector<PacketSpan> PacketsOf(const std::vector<std::uint8_t>& image) {
  std::vector<PacketSpan> packets;
  for (std::size_t at = 0; at + kPacketHeaderBytes <= image.size();) {
    const std::size_t bytes = kPacketHeaderBytes + (std::size_t{image[at]} << 8 | image[at + 1]);
    packets.push_back({at, bytes});
    at += bytes;
  }
  return packets;
}

// The least a packet can cost on the line: the drain before it (kDrainSeconds), then on a paced
// line the packet and its answer on the wire, and the device's reply delay. The drain comes
// before the packet reaches the device, the rest after.
double AfterArrivalFloor(const PacketSpan& packet, const LineCondition& line) {
  const double wire = line.throttle ? WireSeconds(packet.bytes + kReplyBytes) : 0.0;
  return wire + line.reply_delay_ms / 1000.0;
}

double FloorSeconds(const std::vector<PacketSpan>& packets, const LineCondition& line) {
  double floor = 0;
  for (const PacketSpan& packet : packets) floor += kDrainSeconds + AfterArrivalFloor(packet, line);
  return floor;
}

// When the device began to read each packet, from its record of what arrived. The host waits
// for every answer before it sends again, so a packet never starts inside an earlier read.
std::vector<Clock::time_point> ArrivalTimes(const std::vector<vobisk::sim::ReceivedChunk>& chunks,
                                            const std::vector<PacketSpan>& packets) {
  std::vector<Clock::time_point> arrivals;
  std::size_t received = 0;
  for (const auto& chunk : chunks) {
    received += chunk.bytes.size();
    while (arrivals.size() < packets.size() && packets[arrivals.size()].offset < received)
      arrivals.push_back(chunk.at);
  }
  return arrivals;
}

// Where the time over the floor went: before the first packet (open, loading the file), in the
// steady send-and-answer cycle (typical and worst), and after the last answer (close).
struct OverheadSplit {
  double startup_ms = 0;
  double cycle_median_ms = 0;
  double cycle_p99_ms = 0;
  double cycle_max_ms = 0;
  int stalls = 0;
  double finish_ms = 0;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

OverheadSplit SplitOverhead(const std::vector<Clock::time_point>& arrivals,
                            const std::vector<PacketSpan>& packets, const LineCondition& line,
                            Clock::time_point start, Clock::time_point end) {
  OverheadSplit split;
  split.startup_ms = Ms(arrivals.front() - start) - kDrainSeconds * 1000;
  split.finish_ms = Ms(end - arrivals.back()) - AfterArrivalFloor(packets.back(), line) * 1000;
  std::vector<double> cycles;
  for (std::size_t i = 0; i + 1 < arrivals.size(); ++i) {
    const double floor_ms = (AfterArrivalFloor(packets[i], line) + kDrainSeconds) * 1000;
    cycles.push_back(Ms(arrivals[i + 1] - arrivals[i]) - floor_ms);
  }
  if (cycles.empty()) return split;
  std::sort(cycles.begin(), cycles.end());
  split.cycle_median_ms = cycles[cycles.size() / 2];
  split.cycle_p99_ms = cycles[cycles.size() * 99 / 100];
  split.cycle_max_ms = cycles.back();
  split.stalls = static_cast<int>(
      std::count_if(cycles.begin(), cycles.end(), [](double c) { return c > kStallMs; }));
  return split;
}

struct Measurement {
  std::size_t payload = 0;
  const LineCondition* line = nullptr;
  int packets = 0;
  bool image_intact = false;
  double wall_seconds = 0;
  double cpu_seconds = 0;
  double floor_seconds = 0;
  std::optional<OverheadSplit> split;  // only when every packet went once and arrived whole
};

Measurement UploadOnce(const std::filesystem::path& dir, std::size_t image_bytes,
                       std::size_t payload, const LineCondition& line) {
  const std::vector<std::uint8_t> image =
      vobisk::mkimage::MakeImageUpTo(payload, image_bytes, kImageSeed);
  const std::filesystem::path image_path = dir / ("image-" + std::to_string(payload) + ".fmw");
  std::ofstream(image_path, std::ios::binary) << vobisk::mkimage::ToHexText(image);

  vobisk::sim::SimOptions options;
  options.start_in_bootloader = true;
  options.throttle = line.throttle;
  options.reply_delay_ms = line.reply_delay_ms;
  vobisk::sim::SimDevice device(options);
  if (!device.Start()) {
    std::fprintf(stderr, "upload_bench: simulated device: %s\n", device.Error().c_str());
    std::exit(1);
  }
  const std::string device_path = vobisk::DevicePathFor(device.SlavePath());

  SilentWindow window;
  vobisk::TComPort port;
  Measurement m;
  m.payload = payload;
  m.line = &line;
  int result = -1;
  Clock::time_point start;
  Clock::time_point end;
  {
    QuietStdout quiet;
    const double cpu_start = ThreadCpuSeconds();
    start = Clock::now();
    result = vobisk::UploadFirmware(window, port, image_path.c_str(), device_path.c_str(), kUploadBaud);
    end = Clock::now();
    m.cpu_seconds = ThreadCpuSeconds() - cpu_start;
  }
  m.wall_seconds = std::chrono::duration<double>(end - start).count();
  if (result != 0)
    std::fprintf(stderr, "upload_bench: %zu-byte payloads, %s: upload failed (%s)\n", payload, line.name,
                 window.last_text.c_str());
  m.packets = device.PacketsReceived();
  m.image_intact = result == 0 && device.AcceptedImage() == image;
  const std::vector<PacketSpan> packets = PacketsOf(image);
  m.floor_seconds = FloorSeconds(packets, line);
  const std::vector<Clock::time_point> arrivals = ArrivalTimes(device.Chunks(), packets);
  if (m.image_intact && m.packets == static_cast<int>(packets.size()) && arrivals.size() == packets.size())
    m.split = SplitOverhead(arrivals, packets, line, start, end);
  device.Stop();
  return m;
}

std::string MachineLine() {
  std::string cpu = "unknown CPU";
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string row; std::getline(cpuinfo, row);) {
    if (row.rfind("model name", 0) == 0) {
      if (const auto colon = row.find(": "); colon != std::string::npos) cpu = row.substr(colon + 2);
      break;
    }
  }
  utsname host{};
  ::uname(&host);
  return "Machine: " + std::to_string(::sysconf(_SC_NPROCESSORS_ONLN)) + " cores (" + cpu + "), " +
         host.sysname + " " + host.release;
}

// A fresh folder for the image files and an empty COM folder, so that no port name can reach a
// real device.
std::filesystem::path MakeWorkDir() {
  char name[] = "/tmp/vobisk-upload-bench-XXXXXX";
  if (!::mkdtemp(name)) {
    std::perror("upload_bench: mkdtemp");
    std::exit(1);
  }
  const std::filesystem::path dir = name;
  std::filesystem::create_directory(dir / "ports");
  ::setenv(vobisk::kComDirVariable, (dir / "ports").c_str(), 1);
  return dir;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t image_bytes = kImageBytes;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--quick") {
      image_bytes = kQuickImageBytes;
    } else {
      std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
      return 2;
    }
  }
  const std::filesystem::path dir = MakeWorkDir();

  std::printf("Upload of a %zu-byte image to the simulated device (bootloader mode) at %u baud.\n",
              image_bytes, kUploadBaud);
  std::printf("Floor per packet: %.0f ms drain; on a paced line also the packet and the answer on the "
              "wire (%.0f bits a byte); plus the reply delay.\n",
              kDrainSeconds * 1000, kBitsPerByte);
  std::printf("%s\n\n", MachineLine().c_str());
  std::printf("| payload | line | packets | image received | total s | floor s | over floor s "
              "| over floor / packet ms | CPU ms | CPU / packet ms |\n");
  std::printf("|--:|---|--:|---|--:|--:|--:|--:|--:|--:|\n");
  std::fflush(stdout);

  std::vector<Measurement> runs;
  for (const LineCondition& line : kConditions) {
    for (const std::size_t payload : kPayloadSizes) {
      const Measurement& m = runs.emplace_back(UploadOnce(dir, image_bytes, payload, line));
      const double over = m.wall_seconds - m.floor_seconds;
      const double packets = m.packets > 0 ? m.packets : 1;
      std::printf("| %zu B | %s | %d | %s | %.3f | %.3f | %.3f | %.3f | %.1f | %.3f |\n", payload, line.name,
                  m.packets, m.image_intact ? "intact" : "NO", m.wall_seconds, m.floor_seconds, over,
                  over * 1000 / packets, m.cpu_seconds * 1000, m.cpu_seconds * 1000 / packets);
      std::fflush(stdout);
    }
  }

  // The same time over the floor, taken apart by the device's arrival times.
  std::printf("\nWhere the time over the floor went (ms; a cycle is one packet's send, answer and drain; "
              "stall: a cycle more than %.0f ms over its floor):\n\n", kStallMs);
  std::printf("| payload | line | before first packet | cycle median | cycle p99 | cycle max | stalls "
              "| after last answer |\n");
  std::printf("|--:|---|--:|--:|--:|--:|--:|--:|\n");
  for (const Measurement& m : runs) {
    if (!m.split) {
      std::printf("| %zu B | %s | n/a | n/a | n/a | n/a | n/a | n/a |\n", m.payload, m.line->name);
      continue;
    }
    const OverheadSplit& s = *m.split;
    std::printf("| %zu B | %s | %.3f | %.3f | %.3f | %.3f | %d | %.3f |\n", m.payload, m.line->name,
                s.startup_ms, s.cycle_median_ms, s.cycle_p99_ms, s.cycle_max_ms, s.stalls, s.finish_ms);
  }

  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
