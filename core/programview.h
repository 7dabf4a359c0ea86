// What every program's main window offers its controller, whatever else the program draws: the
// timers, the objects that receive frames and show the video, a repaint, and the window commands
// of the small buttons (pin, minimise, exit).
#pragma once

#include "timerhost.h"

class QObject;

namespace tavo {

class ProgramView : public virtual TimerHost {
 public:
  // Where WM_FRAME_READY and WM_CAMERA_LOST are posted, and the control that shows the video.
  virtual QObject* FrameTarget() = 0;
  virtual QObject* VideoOwner() = 0;
  // The controller's state changed: repaint the faces and re-read what the window shows.
  virtual void Refresh() = 0;
  // Ends the main window (and with it the program) with `result`.
  virtual void EndDialog(int result) = 0;
  virtual void SetTopmost(bool topmost) = 0;
  virtual void Minimise() = 0;
};

}  // namespace tavo
