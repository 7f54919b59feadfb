#include "sim_device.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device_protocol.h"

namespace vobisk::sim {

namespace {

using namespace std::chrono_literals;

// Settings are sampled this often while the line is quiet, so that a host session that writes
// and closes at once is still seen with its own settings.
constexpr auto kSettingsTick = 2ms;
// Half the longest gap allowed between chatter bytes, for scheduling slack.
constexpr auto kChatterPeriod = 250us;
constexpr std::uint8_t kChatterByte = 0x55;
constexpr std::size_t kReadBytes = 65536;
constexpr auto kWaitPoll = 1ms;
// Closing the master throws away whatever the host has not read yet. After an answer the host
// gets this long to read it before the line goes, so "hang up after packet K" has answered K.
constexpr auto kHostReadGrace = 500ms;

timespec ToTimespec(std::chrono::steady_clock::duration d) {
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::max(d, d.zero())).count();
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

SimDevice::SimDevice(SimOptions options)
    : options_(std::move(options)), plan_(options_), read_buffer_(kReadBytes) {}

SimDevice::~SimDevice() { Stop(); }

bool SimDevice::Start() {
  if (started_) {
    error_ = "already started";
    return false;
  }
  started_ = true;
  char name[128] = {};
  const termios idle = LineJudge::IdleSettings();
  if (::openpty(&master_, &slave_, name, &idle, nullptr) != 0) {
    error_ = std::string("openpty: ") + std::strerror(errno);
    return false;
  }
  slave_path_ = name;
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  // The thread must never block on the master: it waits in poll only.
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) {
    error_ = std::string("eventfd: ") + std::strerror(errno);
    CloseAll();
    return false;
  }
  if ((!options_.link_path.empty() && !link_.Create(options_.link_path, slave_path_, error_)) ||
      (!options_.out_path.empty() && !out_.Open(options_.out_path, error_))) {
    CloseAll();
    return false;
  }
  in_bootloader_ = options_.start_in_bootloader;
  thread_ = std::thread(&SimDevice::Run, this);
  return true;
}

void SimDevice::Stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(wake_, &one, sizeof one);
    thread_.join();
  }
  CloseAll();
}

void SimDevice::CloseAll() {
  CloseFd(master_);
  CloseFd(slave_);
  CloseFd(wake_);
  link_.Remove();
  out_.Close();
}

std::vector<std::uint8_t> SimDevice::AcceptedImage() const {
  std::lock_guard lock(mutex_);
  return accepted_;
}

std::vector<ReceivedChunk> SimDevice::Chunks() const {
  std::lock_guard lock(mutex_);
  return chunks_;
}

int SimDevice::PacketsReceived() const {
  std::lock_guard lock(mutex_);
  return packets_;
}

int SimDevice::Answers() const {
  std::lock_guard lock(mutex_);
  return answers_;
}

std::size_t SimDevice::NoiseBytes() const {
  std::lock_guard lock(mutex_);
  return noise_bytes_;
}

bool SimDevice::WaitUntil(const std::function<bool(const SimDevice&)>& pred,
                          std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  while (!pred(*this)) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kWaitPoll);
  }
  return true;
}

void SimDevice::Run() {
  next_chatter_ = Clock::now();
  while (!stopping_ && !hung_up_) {
    ChatterIfDue();
    Clock::duration wait = kSettingsTick;
    if (Chattering()) wait = std::min(wait, next_chatter_ - Clock::now());
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_, POLLIN, 0}};
    const timespec timeout = ToTimespec(wait);
    if (::ppoll(fds, 2, &timeout, nullptr) < 0 && errno != EINTR) return;
    if (stopping_) return;
    // Every sample is followed by a read, even when poll saw nothing yet: bytes present when the
    // host's new settings are first seen are then always judged with the settings before them
    // in view (see VerdictFor).
    SampleSettings();
    ReadChunk();
  }
}

void SimDevice::SampleSettings() {
  termios current{};
  if (::tcgetattr(master_, &current) != 0) return;
  judge_.Observe(current);
  host_baud_ = judge_.HostBaud();
}

LineVerdict SimDevice::VerdictFor(bool bootloader) const {
  const LineVerdict now = judge_.Current();
  // A host switches to the upload speed right after its last command, and on a pty tcdrain does
  // not wait for the device to have read it. So in the firmware, bytes that were waiting when
  // the host changed its settings may have been sent with the settings before. (In the
  // bootloader a host waits for each answer before it writes again.)
  const std::optional<LineVerdict> before = judge_.BeforeChange();
  if (!bootloader && !now.Fits(protocol::kEntryBaud) && before && before->Fits(protocol::kEntryBaud))
    return *before;
  return now;
}

void SimDevice::ReadChunk() {
  const ssize_t n = ::read(master_, read_buffer_.data(), read_buffer_.size());
  if (n <= 0) {
    // EIO: no slave is open (cannot happen while we hold ours); wait rather than spin.
    if (n < 0 && errno == EIO) Pause(Clock::now() + kSettingsTick);
    return;
  }
  const auto arrived = Clock::now();
  const auto count = static_cast<std::size_t>(n);
  if (options_.throttle && !Pause(wire_.Receive(arrived, count, VerdictFor(in_bootloader_).baud))) return;

  const std::uint8_t* bytes = read_buffer_.data();
  std::size_t used = 0;
  while (used < count && !hung_up_ && !stopping_) {
    const std::uint8_t* rest = bytes + used;
    const std::size_t left = count - used;
    const LineVerdict verdict = VerdictFor(in_bootloader_);
    if (!verdict.Fits(ModeBaud())) {
      Record(arrived, rest, left, verdict.baud, true);
      matcher_.Reset();
      used = count;
    } else if (!in_bootloader_) {
      bool entered = false;
      const std::size_t heard = HearEntry(rest, left, entered);
      Record(arrived, rest, heard, verdict.baud, false);
      if (entered) {
        in_bootloader_ = true;
        next_chatter_ = Clock::now();
      }
      used += heard;  // what follows the entry is judged by the bootloader
    } else {
      Record(arrived, rest, left, verdict.baud, false);
      HearPackets(rest, left);
      used = count;
    }
  }
}

std::size_t SimDevice::HearEntry(const std::uint8_t* bytes, std::size_t count, bool& entered) {
  for (std::size_t i = 0; i < count; ++i) {
    if (matcher_.Feed(bytes[i])) {
      entered = true;
      return i + 1;
    }
  }
  return count;
}

void SimDevice::HearPackets(const std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count && !hung_up_ && !stopping_; ++i) {
    const bool complete = reader_.Feed(bytes[i]);
    const int number = accepted_count_ + 1;
    const std::size_t expected = reader_.ExpectedBytes();
    if (number == options_.hangup_inside && expected != 0 && 2 * reader_.Packet().size() >= expected) {
      HangUp();
      return;
    }
    if (complete) CompletePacket(number);
  }
}

void SimDevice::CompletePacket(int number) {
  const std::optional<std::uint8_t> answer = plan_.Answer(number);
  const bool accept = answer == protocol::kAcknowledge;
  const std::vector<std::uint8_t>& packet = reader_.Packet();
  {
    std::lock_guard lock(mutex_);
    ++packets_;
    if (answer) ++answers_;
    if (accept) accepted_.insert(accepted_.end(), packet.begin(), packet.end());
  }
  if (accept) {
    ++accepted_count_;
    out_.Append(packet);  // before the answer: once the host has it, so has the file
  }
  if (!answer) return;
  SendAnswer(*answer);
  if (number == options_.hangup_after) HangUpOnceRead();
}

void SimDevice::SendAnswer(std::uint8_t answer) {
  std::vector<std::uint8_t> reply{answer};
  reply.insert(reply.end(), options_.stray.begin(), options_.stray.end());
  auto at = Clock::now() + std::chrono::milliseconds(options_.reply_delay_ms);
  if (options_.throttle) at += WireClock::Duration(reply.size(), judge_.Current().baud);
  if (Pause(at)) WriteToHost(reply);
}

void SimDevice::WriteToHost(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    // A full buffer means nobody has read for kilobytes: the bytes are lost, as on a real line.
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void SimDevice::Record(Clock::time_point at, const std::uint8_t* bytes, std::size_t count,
                       std::uint32_t baud, bool noise) {
  if (count == 0) return;
  std::lock_guard lock(mutex_);
  chunks_.push_back({at, std::vector<std::uint8_t>(bytes, bytes + count), baud, noise});
  if (noise) noise_bytes_ += count;
}

std::uint32_t SimDevice::ModeBaud() const {
  return in_bootloader_ ? protocol::kUploadBaud : protocol::kEntryBaud;
}

bool SimDevice::Chattering() const { return options_.chatter && in_bootloader_ && !hung_up_; }

void SimDevice::ChatterIfDue() {
  if (!Chattering()) return;
  const auto now = Clock::now();
  if (now < next_chatter_) return;
  [[maybe_unused]] const ssize_t ignored = ::write(master_, &kChatterByte, 1);  // full buffer: dropped
  next_chatter_ = now + kChatterPeriod;
}

bool SimDevice::Pause(Clock::time_point until) {
  for (;;) {
    if (stopping_) return false;
    ChatterIfDue();
    const auto now = Clock::now();
    if (now >= until) return true;
    Clock::duration wait = until - now;
    if (Chattering()) wait = std::min(wait, next_chatter_ - now);
    WaitForWake(wait);
  }
}

void SimDevice::WaitForWake(Clock::duration longest) {
  pollfd wake{wake_, POLLIN, 0};
  const timespec timeout = ToTimespec(longest);
  ::ppoll(&wake, 1, &timeout, nullptr);
}

void SimDevice::HangUpOnceRead() {
  const auto give_up = Clock::now() + kHostReadGrace;
  while (UnreadByHost() > 0 && Clock::now() < give_up)
    if (!Pause(Clock::now() + kWaitPoll)) return;
  HangUp();
}

int SimDevice::UnreadByHost() const {
  // Bytes written to the master reach the slave's input through a kernel work queue; polling
  // the slave first makes the kernel finish that, so the count that follows is current.
  pollfd own_slave{slave_, POLLIN, 0};
  ::poll(&own_slave, 1, 0);
  int unread = 0;
  return ::ioctl(slave_, FIONREAD, &unread) == 0 ? unread : 0;
}

void SimDevice::HangUp() {
  // Like an unplugged adapter: the host's reads see POLLHUP and end of file, the node goes away.
  CloseFd(master_);
  CloseFd(slave_);
  link_.Remove();
  hung_up_ = true;
}

}  // namespace vobisk::sim
