#include "videorenderer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <atomic>

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
    QImage image(data, width, height, stride, QImage::Format_BGR888);
    QCoreApplication::postEvent(relay_.get(), new FrameEvent(image.copy()));
  }

  void SetGeometry(int left, int top, int width, int height) override {
    if (VideoRendererWidget* widget = relay_->widget()) {
      widget->setGeometry(left, top, std::max(width, 0), std::max(height, 0));
    }
  }

 private:
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
