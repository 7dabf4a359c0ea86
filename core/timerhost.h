// Numbered window timers, as every program's windows offer them to their window-free logic.
// One small interface, inherited virtually, so a view that serves several logic classes (the main
// window serving its controller and its viewer) has one SetTimer and one KillTimer.
#pragma once

namespace tavo {

class TimerHost {
 public:
  virtual ~TimerHost() = default;
  // Starts timer `id` with a period of `milliseconds`, or restarts it when it runs.
  virtual void SetTimer(int id, int milliseconds) = 0;
  // Stops timer `id`; nothing when it does not run.
  virtual void KillTimer(int id) = 0;
};

}  // namespace tavo
