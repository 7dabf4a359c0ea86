// TavoCCTV's surveillance loop: the frame timer asks the camera for a frame at the capture rate,
// each grabbed frame is judged against the one before and a motion frame is recorded, while the
// blink timer flashes the five bars under the picture. It owns no window: it drives the timers
// and bars of a SurveillanceView.
#pragma once

#include <cstdint>
#include <vector>

#include "capturegraph.h"
#include "motiondetector.h"
#include "recordingstore.h"
#include "timerhost.h"

namespace tavo::cctv {

// Timer identifiers.
inline constexpr int kFrameTimer = 0;
inline constexpr int kBlinkTimer = 1;
inline constexpr int kBlinkPeriod = 500;

// 900 / rate milliseconds: 900, 450, 300, 225, 180, 150, 128, 112, 100 for rates 1 to 9.
constexpr int FrameTimerPeriod(int captureRate) { return 900 / captureRate; }

// What the loop needs of its window besides the timers.
class SurveillanceView : public virtual TimerHost {
 public:
  // `phase` true shows bars 1, 3, 5 and hides 2, 4; false the reverse.
  virtual void ShowBars(bool phase) = 0;
  virtual void HideBars() = 0;
};

class SurveillanceLoop {
 public:
  // Each of the four must outlive the loop.
  SurveillanceLoop(SurveillanceView& view, CaptureGraph& graph, RecordingStore& store,
                   MotionDetector& motion);

  // Surveillance counts as on from here, before its run opens.
  void SwitchOn() { on_ = true; }
  // Opens a new run folder; the next frame is only the reference; the frame and blink timers
  // start over. False when no run folder could be opened (the timers are left alone).
  bool OpenRun();
  // Off: both timers killed, the bars hidden.
  void Stop();
  // Frames per 900 ms, 1 to 9; while on, the frame timer starts over at the new period.
  void SetCaptureRate(int rate);

  // The frame timer: asks for the next frame.
  void FrameTick();
  // The blink timer: shows the other half of the bars.
  void BlinkTick();
  // A requested frame is in the grabber: it is taken, judged and, when it shows motion, recorded.
  // Re-entrant beneath the alert's message boxes. A run that was full starts the timers over
  // with the next one. False when surveillance must stop: the image could not be written, or the
  // next run not opened, while on.
  bool OnFrameReady();

  bool on() const { return on_; }
  int captureRate() const { return captureRate_; }

 private:
  enum class Restart { kFrameOnly, kFrameAndBlink };
  // Kills and sets the frame timer at the capture rate and, when asked, the blink timer.
  void RestartTimers(Restart which);

  SurveillanceView& view_;
  CaptureGraph& graph_;
  RecordingStore& store_;
  MotionDetector& motion_;
  bool on_ = false;
  bool blinkPhase_ = true;
  // Set only while frame_ is being written out (the JPEG layer may show a box there, whose loop
  // keeps the timers running): no frame is requested meanwhile, so frame_ is not refilled under
  // the write. The alert after the write runs without it, and recording goes on beneath its boxes.
  bool writing_ = false;
  int captureRate_ = 5;
  std::vector<std::uint8_t> frame_;
};

}  // namespace tavo::cctv
