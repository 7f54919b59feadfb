#include "timer.h"

namespace vobisk {

namespace {
constexpr int kDefaultIntervalMs = 1000;
}  // namespace

TTimer::TTimer(QObject* parent) : QObject(parent) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kDefaultIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &TTimer::OnTimer);
  timer_.start();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled && !timer_.isActive()) timer_.start();
  if (!enabled) timer_.stop();
}

void TTimer::SetInterval(int milliseconds) {
  // A new interval restarts a running countdown; the same one does not.
  if (milliseconds != timer_.interval()) timer_.setInterval(milliseconds);
}

}  // namespace vobisk
