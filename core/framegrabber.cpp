#include "framegrabber.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <cstring>

namespace tavo {

FrameGrabber::FrameGrabber() : buffer_(new std::uint8_t[kBufferSize]()) {}

std::size_t CopyBottomUp(const media::SampleView& sample, std::uint8_t* out, std::size_t capacity) {
  if (sample.data == nullptr || sample.rowBytes == 0 || sample.rows == 0) return 0;
  // A view whose rows overlap is not a picture; refuse it rather than read past its end.
  if (sample.rows > 1 && sample.stride < sample.rowBytes) return 0;
  std::size_t written = 0;
  for (std::size_t i = 0; i < sample.rows && written < capacity; ++i) {
    const std::size_t row = sample.topDown ? sample.rows - 1 - i : i;
    const std::size_t n = std::min(sample.rowBytes, capacity - written);
    std::memcpy(out + written, sample.data + row * sample.stride, n);
    written += n;
  }
  return written;
}

bool FrameGrabber::Request() {
  std::uint32_t expected = kIdle;
  // Release: the reader's last reads of the buffer come before the next copy into it.
  if (state_.compare_exchange_strong(expected, kRequested, std::memory_order_acq_rel)) return true;
  return expected == kRequested || expected == kCopying;
}

bool FrameGrabber::Take() {
  std::uint32_t expected = kDelivered;
  return state_.compare_exchange_strong(expected, kIdle, std::memory_order_acq_rel);
}

media::Status FrameGrabber::BufferCB(double /*sampleTime*/, const media::SampleView& sample) {
  // Acquire pairs with Request's release: the reader is done with the buffer before asking. The
  // exchange also keeps a second streaming thread, should a platform have one, out of the copy.
  std::uint32_t expected = kRequested;
  if (state_.load(std::memory_order_relaxed) != kRequested ||
      !state_.compare_exchange_strong(expected, kCopying, std::memory_order_acquire))
    return media::Status::Ok;
  frameLength_.store(CopyBottomUp(sample, buffer_.get(), kBufferSize), std::memory_order_release);
  // Nothing else leaves the copying state, so a plain store cannot lose a change of the reader.
  state_.store(kDelivered, std::memory_order_release);
  // The event queue carries the hand-over: its lock orders the copy before the handler's reads.
  if (QObject* receiver = target_.load(std::memory_order_acquire)) {
    QCoreApplication::postEvent(receiver, new QEvent(static_cast<QEvent::Type>(WM_FRAME_READY)));
  }
  return media::Status::Ok;
}

}  // namespace tavo
