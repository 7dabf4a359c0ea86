// A window's numbered timers, as a skinned window keeps them: each id names one repeating timer,
// started again with a new period by Set and stopped by Kill. The window answers the ticks in one
// handler that gets the id, or gives a timer its own callback.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>

namespace tavo {

class WindowTimers {
 public:
  // Timers created on first use as children of `owner` (they go with it); a tick of timer `id`
  // calls `tick(id)` unless that timer has its own callback.
  explicit WindowTimers(QObject* owner, std::function<void(int id)> tick = {});
  // Stops and deletes the timers, so that no tick reaches a handler that is gone.
  ~WindowTimers();
  WindowTimers(const WindowTimers&) = delete;
  WindowTimers& operator=(const WindowTimers&) = delete;

  // Starts timer `id` with a period of `milliseconds`; a running one starts over with the new
  // period.
  void Set(int id, int milliseconds);
  // As Set, and from now on the timer's ticks call `callback` instead of the shared handler.
  void Set(int id, int milliseconds, std::function<void()> callback);
  // Stops timer `id`; nothing happens for a timer that does not run or was never set.
  void Kill(int id);

  // Whether timer `id` runs; false for one never set.
  bool active(int id) const;
  // The last period set for timer `id`; 0 for one never set.
  int interval(int id) const;

 private:
  struct Entry {
    QPointer<QTimer> timer;  // the owner may delete it first
    std::function<void()> callback;
  };
  QTimer* Timer(int id);
  void Tick(int id);

  QPointer<QObject> owner_;
  std::function<void(int)> tick_;
  std::map<int, Entry> timers_;
};

}  // namespace tavo
