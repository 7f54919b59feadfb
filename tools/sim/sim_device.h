#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim_answer_plan.h"
#include "sim_entry_matcher.h"
#include "sim_image_file.h"
#include "sim_line_judge.h"
#include "sim_options.h"
#include "sim_packet_reader.h"
#include "sim_received_chunk.h"
#include "sim_slave_link.h"
#include "sim_wire_clock.h"

namespace vobisk::sim {

// The device at the far end of a serial line, played on the master side of a pseudo-terminal by
// a thread of its own. The host under test opens the slave, as it would a real port.
class SimDevice {
 public:
  explicit SimDevice(SimOptions options);
  ~SimDevice();
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  // Opens the terminal, makes the link and the output file, starts the thread; false on failure
  // (Error() says why). A device starts once.
  bool Start();
  // Stops the thread, closes everything, removes the link. Idempotent.
  void Stop();
  const std::string& SlavePath() const { return slave_path_; }
  const std::string& Error() const { return error_; }

  // Observations, safe from any thread.
  bool InBootloader() const { return in_bootloader_; }
  // The accepted packets one after another, length bytes included.
  std::vector<std::uint8_t> AcceptedImage() const;
  // Everything received, in order.
  std::vector<ReceivedChunk> Chunks() const;
  // Complete packets received, repeats included.
  int PacketsReceived() const;
  // Answers given, accepting and rejecting. Counted together with the packet, when the answer is
  // decided, so an answer the host is still waiting for (a reply delay) is already counted.
  int Answers() const;
  std::size_t NoiseBytes() const;
  bool HungUp() const { return hung_up_; }
  // The speed a host last set on the port, as the device saw it; 0 before any host did.
  std::uint32_t HostBaud() const { return host_baud_; }
  // Waits, polling, until pred(*this) holds or the timeout has passed; whether it holds.
  bool WaitUntil(const std::function<bool(const SimDevice&)>& pred, std::chrono::milliseconds timeout) const;

 private:
  using Clock = std::chrono::steady_clock;

  void Run();
  void SampleSettings();
  LineVerdict VerdictFor(bool bootloader) const;
  void ReadChunk();
  // Feeds good bytes to the firmware; how many it used, up to and including a completed entry.
  std::size_t HearEntry(const std::uint8_t* bytes, std::size_t count, bool& entered);
  void HearPackets(const std::uint8_t* bytes, std::size_t count);
  void CompletePacket(int number);
  void SendAnswer(std::uint8_t answer);
  void WriteToHost(const std::vector<std::uint8_t>& bytes);
  void Record(Clock::time_point at, const std::uint8_t* bytes, std::size_t count, std::uint32_t baud, bool noise);
  std::uint32_t ModeBaud() const;
  bool Chattering() const;
  void ChatterIfDue();
  // Sleeps until `until` (still chattering); false if Stop() came first.
  bool Pause(Clock::time_point until);
  void WaitForWake(Clock::duration longest);
  void HangUpOnceRead();
  int UnreadByHost() const;
  void HangUp();
  void CloseAll();

  const SimOptions options_;
  std::string slave_path_;
  std::string error_;
  int master_ = -1;
  int slave_ = -1;  // ours, held open so that the host closing the port does not hang the line up
  int wake_ = -1;   // eventfd that Stop() uses to end the thread's waits
  std::thread thread_;
  bool started_ = false;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> in_bootloader_{false};
  std::atomic<bool> hung_up_{false};
  std::atomic<std::uint32_t> host_baud_{0};

  // The thread's own.
  LineJudge judge_;
  EntryMatcher matcher_;
  PacketReader reader_;
  AnswerPlan plan_;
  WireClock wire_;
  ImageFile out_;
  SlaveLink link_;
  int accepted_count_ = 0;
  Clock::time_point next_chatter_{};
  std::vector<std::uint8_t> read_buffer_;

  // What the observers see.
  mutable std::mutex mutex_;
  std::vector<std::uint8_t> accepted_;
  std::vector<ReceivedChunk> chunks_;
  int packets_ = 0;
  int answers_ = 0;
  std::size_t noise_bytes_ = 0;
};

}  // namespace vobisk::sim
