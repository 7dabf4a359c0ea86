// The "Video Renderer": a child widget that paints the latest camera frame inside the video
// control, and the surface factory that places it there for the GStreamer platform.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "media/platform.h"

namespace tavo::ui {

class VideoRendererWidget final : public QWidget {
 public:
  explicit VideoRendererWidget(QWidget* parent);

  // User-interface thread: shows `frame` from the next paint on. Frames from the platform arrive
  // as QImage::Format_RGB32, which paints without conversion.
  void SetFrame(QImage frame);
  const QImage& frame() const { return frame_; }
  int framesShown() const { return framesShown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage frame_;
  int framesShown_ = 0;
};

// Makes a VideoRendererWidget inside the owner widget for each renderer of a graph.
class VideoRendererFactory final : public media::VideoSurfaceFactory {
 public:
  // None when `owner` is not a widget.
  std::unique_ptr<media::VideoSurface> Create(QObject* owner) override;
};

}  // namespace tavo::ui
