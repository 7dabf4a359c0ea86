#include "surveillanceloop.h"

#include <cstring>

namespace tavo::cctv {

SurveillanceLoop::SurveillanceLoop(SurveillanceView& view, CaptureGraph& graph,
                                   RecordingStore& store, MotionDetector& motion)
    : view_(view), graph_(graph), store_(store), motion_(motion), frame_(kFrameBytes) {}

bool SurveillanceLoop::OpenRun() {
  if (!store_.OpenRunFolder()) return false;
  motion_.ResetReference();
  RestartTimers(Restart::kFrameAndBlink);
  return true;
}

void SurveillanceLoop::Stop() {
  on_ = false;
  view_.KillTimer(kFrameTimer);
  view_.KillTimer(kBlinkTimer);
  view_.HideBars();
}

void SurveillanceLoop::SetCaptureRate(int rate) {
  captureRate_ = rate;
  if (on_) RestartTimers(Restart::kFrameOnly);
}

void SurveillanceLoop::RestartTimers(Restart which) {
  view_.KillTimer(kFrameTimer);
  view_.SetTimer(kFrameTimer, FrameTimerPeriod(captureRate_));
  if (which == Restart::kFrameAndBlink) {
    view_.KillTimer(kBlinkTimer);
    view_.SetTimer(kBlinkTimer, kBlinkPeriod);
  }
}

void SurveillanceLoop::FrameTick() {
  // Without a built graph the request could only report "Streaming is not working" at every
  // tick; the timer is held instead until the camera runs again. No request either while the
  // frame copy is being written: a box of the JPEG layer in the write must not have it refilled.
  // A tick while a delivered frame waits in the queue is refused by the grabber itself.
  if (writing_ || !graph_.built()) return;
  graph_.RequestFrame();
}

void SurveillanceLoop::BlinkTick() {
  view_.ShowBars(blinkPhase_);
  blinkPhase_ = !blinkPhase_;
}

bool SurveillanceLoop::OnFrameReady() {
  const FrameGrabber* grabber = graph_.frameGrabber();
  // An event whose frame is gone (the graph was closed and built again beneath a box) or was
  // already taken has nothing to read.
  if (grabber == nullptr || !grabber->delivered()) return true;
  const std::size_t length = grabber->frameLength();
  // Taken whatever becomes of it, so that the next tick may ask again.
  const std::uint8_t* buffer = graph_.GetFrameBuffer();
  if (writing_ || buffer == nullptr || length != kFrameBytes) return true;
  // A frame asked for just before a stop is still judged, and may join the run just stopped.
  if (!store_.runOpen()) return true;
  std::memcpy(frame_.data(), buffer, kFrameBytes);
  if (!MotionDetector::IsMotion(motion_.CountChangedPixels(frame_))) return true;

  RecordingStore::WrittenImage written;
  writing_ = true;
  RecordResult result = store_.WriteMotionFrame(frame_, written);
  writing_ = false;
  // From here the frame copy is free: the alert's boxes let further frames be copied, judged,
  // written and even complete a batch of their own beneath them.
  if (RecordingGoesOn(result)) {
    const RecordResult finished = store_.FinishRecording(written);
    if (finished != RecordResult::kRecorded) result = finished;
  }
  if (result == RecordResult::kRecordedNewRun) {
    // The run was full and the next one is open: the timers start over with it.
    if (on_) RestartTimers(Restart::kFrameAndBlink);
    return true;
  }
  return RecordingGoesOn(result) || !on_;
}

}  // namespace tavo::cctv
