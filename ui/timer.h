#pragma once

#include <QObject>
#include <QTimer>

namespace vobisk {

// A repeating timer with an on/off switch. Unlike QTimer::start, switching it on while it is on,
// or setting the interval it already has, leaves the running countdown alone: a second Start
// during a pending delay must not move the delay's deadline.
class TTimer : public QObject {
  Q_OBJECT

 public:
  // Created on, with an interval of 1000 ms; the window switches it off before anything runs.
  explicit TTimer(QObject* parent = nullptr);

  bool Enabled() const { return timer_.isActive(); }
  void SetEnabled(bool enabled);
  int Interval() const { return timer_.interval(); }
  void SetInterval(int milliseconds);

 signals:
  void OnTimer();

 private:
  QTimer timer_;
};

}  // namespace vobisk
