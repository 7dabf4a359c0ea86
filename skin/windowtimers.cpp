#include "windowtimers.h"

namespace tavo {

WindowTimers::WindowTimers(QObject* owner, std::function<void(int)> tick)
    : owner_(owner), tick_(std::move(tick)) {}

WindowTimers::~WindowTimers() {
  for (auto& [id, entry] : timers_) delete entry.timer;
}

QTimer* WindowTimers::Timer(int id) {
  Entry& entry = timers_[id];
  if (entry.timer == nullptr) {
    entry.timer = new QTimer(owner_);
    // Window timers pace visible steps (a slide, a blink); coarse timers would make them uneven.
    entry.timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(entry.timer, &QTimer::timeout, entry.timer, [this, id] { Tick(id); });
  }
  return entry.timer;
}

void WindowTimers::Set(int id, int milliseconds) { Timer(id)->start(milliseconds); }

void WindowTimers::Set(int id, int milliseconds, std::function<void()> callback) {
  QTimer* timer = Timer(id);
  timers_[id].callback = std::move(callback);
  timer->start(milliseconds);
}

void WindowTimers::Kill(int id) {
  auto it = timers_.find(id);
  if (it != timers_.end() && it->second.timer != nullptr) it->second.timer->stop();
}

bool WindowTimers::active(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second.timer != nullptr && it->second.timer->isActive();
}

int WindowTimers::interval(int id) const {
  auto it = timers_.find(id);
  return it == timers_.end() || it->second.timer == nullptr ? 0 : it->second.timer->interval();
}

void WindowTimers::Tick(int id) {
  auto it = timers_.find(id);
  if (it != timers_.end() && it->second.callback) {
    // A copy: the callback may set this timer's callback anew.
    const std::function<void()> callback = it->second.callback;
    callback();
  } else if (tick_) {
    tick_(id);
  }
}

}  // namespace tavo
