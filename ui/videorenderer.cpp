#include "videorenderer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace tavo::ui {

namespace {

// Internal to the renderer: carries one frame from the streaming thread to the widget.
constexpr QEvent::Type kFrameEvent = static_cast<QEvent::Type>(QEvent::User + 901);

class FrameEvent final : public QEvent {
 public:
  explicit FrameEvent(QImage image) : QEvent(kFrameEvent), image(std::move(image)) {}
  QImage image;
};

// Lives on the user-interface thread and hands frames to the widget while it exists. At most one
// frame waits in the queue: a busy user-interface thread sees fewer frames, not more memory.
class FrameRelay final : public QObject {
 public:
  explicit FrameRelay(VideoRendererWidget* widget) : widget_(widget) {}

  bool event(QEvent* event) override {
    if (event->type() != kFrameEvent) return QObject::event(event);
    pending.store(false, std::memory_order_release);
    if (widget_ != nullptr) widget_->SetFrame(std::move(static_cast<FrameEvent*>(event)->image));
    return true;
  }

  VideoRendererWidget* widget() const { return widget_; }
  std::atomic<bool> pending{false};

 private:
  QPointer<VideoRendererWidget> widget_;
};

// Widens one row of B,G,R pixels to 0xFFRRGGBB words (B,G,R,X in memory).
void RowToRgb32(const std::uint8_t* in, std::uint32_t* out, int width, int x) {
  static_assert(std::endian::native == std::endian::little, "the word shuffle assumes it");
  in += 3 * x;
  // Four pixels from three words at a time.
  for (; x + 4 <= width; x += 4, in += 12) {
    std::uint32_t w[3];
    std::memcpy(w, in, sizeof w);
    out[x] = 0xFF000000u | w[0];
    out[x + 1] = 0xFF000000u | w[0] >> 24 | w[1] << 8;
    out[x + 2] = 0xFF000000u | w[1] >> 16 | w[2] << 16;
    out[x + 3] = 0xFF000000u | w[2] >> 8;
  }
  for (; x < width; ++x, in += 3) {
    out[x] = 0xFF000000u | std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 | in[0];
  }
}

#if defined(__x86_64__) || defined(__i386__)
// One byte shuffle per four pixels; the scalar loop finishes the row.
__attribute__((target("ssse3"))) void RowToRgb32Ssse3(const std::uint8_t* in, std::uint32_t* out,
                                                      int width) {
  const __m128i shuffle = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  int x = 0;
  // Each load takes 16 bytes for 12: stop before it would read past the row.
  for (; 3 * x + 16 <= 3 * width; x += 4) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                     _mm_or_si128(_mm_shuffle_epi8(pixels, shuffle), opaque));
  }
  RowToRgb32(in, out, width, x);
}
#endif

// The copy we must make anyway widens each pixel to 32 bits: a 24-bit image would be converted
// again on every paint (on Qt's thread pool), a 32-bit one is blitted as it is.
void ToRgb32(const std::uint8_t* data, int stride, QImage& image) {
#if defined(__x86_64__) || defined(__i386__)
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
#endif
  std::uint8_t* bits = image.bits();
  const qsizetype bytesPerLine = image.bytesPerLine();
  for (int y = 0; y < image.height(); ++y) {
    const std::uint8_t* in = data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
    auto* out = reinterpret_cast<std::uint32_t*>(bits + y * bytesPerLine);
#if defined(__x86_64__) || defined(__i386__)
    if (ssse3) {
      RowToRgb32Ssse3(in, out, image.width());
      continue;
    }
#endif
    RowToRgb32(in, out, image.width(), 0);
  }
}

class WidgetSurface final : public media::VideoSurface {
 public:
  explicit WidgetSurface(VideoRendererWidget* widget) : relay_(new FrameRelay(widget)) {}
  // The platform drops a surface only after its streaming has stopped.
  ~WidgetSurface() override {
    if (VideoRendererWidget* widget = relay_->widget()) widget->deleteLater();
  }

  void Present(const std::uint8_t* data, int width, int height, int stride) override {
    if (data == nullptr || width <= 0 || height <= 0 || stride < width * 3) return;
    if (relay_->pending.exchange(true, std::memory_order_acq_rel)) return;
    QImage* image = FreeImage(width, height);
    if (image == nullptr) {  // out of memory: skip this frame, take the next
      relay_->pending.store(false, std::memory_order_release);
      return;
    }
    ToRgb32(data, stride, *image);
    QCoreApplication::postEvent(relay_.get(), new FrameEvent(*image));
  }

  void SetGeometry(int left, int top, int width, int height) override {
    if (VideoRendererWidget* widget = relay_->widget()) {
      widget->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    }
  }

 private:
  // An image nobody else holds any more, of the frame's size. Reusing them spares a fresh
  // allocation (and its page faults) per frame. Three suffice: the widget's frame, the one in
  // the queue, the one being filled.
  QImage* FreeImage(int width, int height) {
    QImage* spare = nullptr;
    for (QImage& image : images_) {
      if (!image.isNull() && !image.isDetached()) continue;
      if (image.width() == width && image.height() == height) {
        // The other holder's last read of the pixels happens before we overwrite them.
        std::atomic_thread_fence(std::memory_order_acquire);
        return &image;
      }
      spare = &image;
    }
    if (spare == nullptr) spare = &images_[0];  // all held: let that one go to its holder
    *spare = QImage(width, height, QImage::Format_RGB32);
    return spare->isNull() ? nullptr : spare;
  }

  std::array<QImage, 3> images_;  // streaming thread only
  std::unique_ptr<FrameRelay> relay_;
};

}  // namespace

VideoRendererWidget::VideoRendererWidget(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Video Renderer"));
  // Mouse and keyboard input over the video belong to the owner window.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoRendererWidget::SetFrame(QImage frame) {
  frame_ = std::move(frame);
  ++framesShown_;
  update();
}

void VideoRendererWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (frame_.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.drawImage(rect(), frame_);
}

std::unique_ptr<media::VideoSurface> VideoRendererFactory::Create(QObject* owner) {
  auto* parent = qobject_cast<QWidget*>(owner);
  if (parent == nullptr) return nullptr;
  auto* widget = new VideoRendererWidget(parent);
  widget->show();
  return std::make_unique<WidgetSurface>(widget);
}

}  // namespace tavo::ui
