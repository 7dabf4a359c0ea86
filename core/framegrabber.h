// The grabber callback of the capture graph: copies one frame per request into its one fixed
// buffer on the streaming thread and posts WM_FRAME_READY to the target object.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "media/platform.h"

class QObject;

namespace tavo {

// Qt event types, numbered as the window messages they stand for (WM_USER is 1024).
inline constexpr int WM_FRAME_READY = 2044;  // WM_USER + 1020: a requested frame is in the buffer
inline constexpr int WM_CAMERA_LOST = 2045;  // WM_USER + 1021: the camera failed while running

class FrameGrabber final : public media::FrameCallback {
 public:
  // 640 x 480 x 3: the largest frame kept; longer samples are cut.
  static constexpr std::size_t kBufferSize = 921600;

  FrameGrabber();
  FrameGrabber(const FrameGrabber&) = delete;
  FrameGrabber& operator=(const FrameGrabber&) = delete;

  // User-interface thread. `target` receives WM_FRAME_READY; it must outlive the streaming.
  void SetTarget(QObject* target) { target_.store(target, std::memory_order_release); }
  QObject* target() const { return target_.load(std::memory_order_acquire); }

  // User-interface thread: asks for the next frame. A request still pending is not doubled
  // (true). False while a delivered frame has not been taken: the buffer is still the reader's,
  // and a frame tick that comes while WM_FRAME_READY is queued must not let it be refilled.
  bool Request();
  // User-interface thread: the reader has the delivered frame, so a request may refill the buffer
  // again; read the buffer before the next Request. True when a delivered frame was waiting.
  // Every WM_FRAME_READY handler takes its frame, also one it drops; a frame nobody takes blocks
  // requests until this is called or the grabber is deleted.
  bool Take();
  // A request is pending: no frame has been copied for it yet.
  bool requested() const {
    const std::uint32_t state = state_.load(std::memory_order_acquire);
    return state == kRequested || state == kCopying;
  }
  // A frame is in the buffer and WM_FRAME_READY is on its way or queued.
  bool delivered() const { return state_.load(std::memory_order_acquire) == kDelivered; }

  // The frame buffer: B,G,R, rows bottom-up. Read it only between WM_FRAME_READY and the next
  // Request.
  const std::uint8_t* buffer() const { return buffer_.get(); }
  // Bytes of the last copy (at most kBufferSize); 0 before the first.
  std::size_t frameLength() const { return frameLength_.load(std::memory_order_acquire); }

  bool Wanted() const override { return requested(); }

  // Streaming thread. Does nothing unless a frame is requested; otherwise copies the sample,
  // bottom-up and without row padding, marks it delivered and posts WM_FRAME_READY.
  media::Status BufferCB(double sampleTime, const media::SampleView& sample) override;

 private:
  // Who owns the buffer: the reader while idle or delivered, the streaming thread only while
  // copying. Only Request leaves idle, only BufferCB leaves requested and copying, only Take
  // leaves delivered; so each side's writes to the buffer happen before the other side's reads
  // (release / acquire on the state).
  enum : std::uint32_t { kIdle, kRequested, kCopying, kDelivered };

  std::unique_ptr<std::uint8_t[]> buffer_;
  std::atomic<std::uint32_t> state_{kIdle};
  std::atomic<QObject*> target_{nullptr};
  std::atomic<std::size_t> frameLength_{0};
};

// Copies `sample` into `out` (capacity `capacity`) as bottom-up rows without padding, stopping
// at the capacity. Returns the bytes written; 0 for an empty or inconsistent view.
std::size_t CopyBottomUp(const media::SampleView& sample, std::uint8_t* out, std::size_t capacity);

}  // namespace tavo
