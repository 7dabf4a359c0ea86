// Stand-in for the preview window until its own branch lands: the face, the video control per
// resolution and placing; no snapping of its own.
#include <QMoveEvent>
#include <QPalette>
#include <QScreen>

#include "previewwindow.h"
#include "skinbitmap.h"
#include "skinfolder.h"

namespace tavo::preview {

QRect VideoControlPlace(int resolutionIndex) {
  switch (resolutionIndex) {
    case kResolutionWide:
      return QRect(12, 20, 640, 480);
    case kResolutionSmall:
      return QRect(86, 80, 160, 120);
    default:
      return QRect(6, 20, 320, 240);
  }
}

PreviewWindow::PreviewWindow(QWidget* bar, PreviewDocking& docking,
                             const std::string& programFolder, MessageBoxes& boxes,
                             const StringTable& strings)
    : SatelliteWindow(bar), docking_(docking) {
  LoadFaces(programFolder, strings.UiLanguage());
  if (!faceLoaded_) ShowString(boxes, strings, kMsgPreviewImageLoadFailure);
  video_ = new QWidget(this);
  video_->setAutoFillBackground(true);
  QPalette black = video_->palette();
  black.setColor(QPalette::Window, Qt::black);
  video_->setPalette(black);
  video_->hide();
  SetResolution(kResolutionNormal);
}

void PreviewWindow::LoadFaces(const std::string& programFolder, const std::string& uiLanguage) {
  faceLoaded_ =
      LoadSkinBitmap(SkinPath(programFolder, uiLanguage, "/Bg", "/viewer_bg.bmp"), face_) &&
      LoadSkinBitmap(SkinPath(programFolder, uiLanguage, "/Bg", "/viewer_bg_640.bmp"), faceWide_);
}

void PreviewWindow::SetResolution(int resolutionIndex) {
  if (resolutionIndex < kResolutionWide || resolutionIndex > kResolutionSmall) {
    resolutionIndex = kResolutionNormal;
  }
  resolution_ = resolutionIndex;
  const bool wide = resolutionIndex == kResolutionWide;
  docking_.SetWide(wide);
  setFixedSize(wide ? QSize(kPreviewWideWidth, kPreviewWideHeight)
                    : QSize(kPreviewWidth, kPreviewHeight));
  SetBackground(wide ? faceWide_ : face_);
  video_->setGeometry(VideoControlPlace(resolutionIndex));
  if (wide) {
    const QScreen* screen = owner() != nullptr ? owner()->screen() : nullptr;
    const QPoint corner = screen != nullptr ? screen->availableGeometry().topLeft() : QPoint();
    PlaceAt(corner);
    if (owner() != nullptr && owner()->frameGeometry().intersects(frameGeometry())) {
      owner()->move(corner.x(), corner.y() + kPreviewWideHeight);
    }
  }
}

void PreviewWindow::PlaceAt(QPoint at) { Place(at); }

void PreviewWindow::moveEvent(QMoveEvent* event) { SatelliteWindow::moveEvent(event); }

void PreviewWindow::ReportGeometry() {}

}  // namespace tavo::preview
