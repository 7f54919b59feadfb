#include "sim_line_judge.h"

#include <array>
#include <utility>

namespace vobisk::sim {

namespace {

constexpr speed_t kIdleSpeed = B300;

constexpr std::array<std::pair<speed_t, std::uint32_t>, 31> kSpeeds = {{
    {B50, 50},         {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B200, 200},       {B300, 300},       {B600, 600},       {B1200, 1200},     {B1800, 1800},
    {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600},   {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B500000, 500000},
    {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000}, {B1152000, 1152000},
    {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000},
    {B3500000, 3500000}, {B4000000, 4000000}, {B0, 0},
}};

}  // namespace

termios LineJudge::IdleSettings() {
  termios settings{};
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~(CSIZE | CRTSCTS);
  settings.c_cflag |= CS7 | PARENB | PARODD | CSTOPB | CREAD | CLOCAL;
  ::cfsetispeed(&settings, kIdleSpeed);
  ::cfsetospeed(&settings, kIdleSpeed);
  return settings;
}

bool LineJudge::IsIdle(const termios& settings) {
  return ::cfgetospeed(&settings) == kIdleSpeed && (settings.c_cflag & CSTOPB) &&
         (settings.c_cflag & PARODD);
}

std::uint32_t LineJudge::BaudOf(const termios& settings) {
  const speed_t speed = ::cfgetospeed(&settings);
  for (const auto& [code, baud] : kSpeeds)
    if (code == speed) return baud;
  return 0;
}

void LineJudge::Observe(const termios& current) {
  previous_ = latest_;
  latest_.reset();
  if (IsIdle(current)) return;
  latest_ = Judge(current);
  last_host_ = *latest_;
  host_seen_ = true;
}

std::optional<LineVerdict> LineJudge::BeforeChange() const {
  const LineVerdict now = Current();
  if (previous_ && *previous_ != now) return previous_;
  return std::nullopt;
}

LineVerdict LineJudge::Judge(const termios& settings) {
  const bool framing = (settings.c_cflag & CSIZE) == CS8 && !(settings.c_cflag & PARENB);
  const bool no_flow_control =
      !(settings.c_cflag & CRTSCTS) && !(settings.c_iflag & (IXON | IXOFF | IXANY));
  return {BaudOf(settings), framing && no_flow_control};
}

}  // namespace vobisk::sim
