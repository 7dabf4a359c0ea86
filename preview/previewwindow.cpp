#include "previewwindow.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include "skinbitmap.h"
#include "skinfolder.h"

namespace tavo::preview {

namespace {

QSize WindowSize(bool wide) {
  return wide ? QSize(kPreviewWideWidth, kPreviewWideHeight) : QSize(kPreviewWidth, kPreviewHeight);
}

// A face that did not load is painted black rather than left to whatever the window holds.
QImage FaceOrBlack(const std::string& path, QSize size, bool& loaded) {
  QImage face;
  if (LoadSkinBitmap(path, face)) return face;
  loaded = false;
  QImage black(size, QImage::Format_RGB32);
  black.fill(Qt::black);
  return black;
}

}  // namespace

QRect VideoControlPlace(int resolutionIndex) {
  switch (resolutionIndex) {
    case kResolutionWide:
      return {12, 20, 640, 480};
    case kResolutionSmall:
      return {86, 80, 160, 120};
    default:
      return {6, 20, 320, 240};
  }
}

PreviewWindow::PreviewWindow(QWidget* bar, PreviewDocking& docking,
                             const std::string& programFolder, MessageBoxes& boxes,
                             const StringTable& strings)
    : SatelliteWindow(bar, Qt::Tool), docking_(docking) {
  setFixedSize(WindowSize(false));

  video_ = new QWidget(this);
  video_->setGeometry(VideoControlPlace(resolution_));
  video_->setAutoFillBackground(true);
  QPalette black = video_->palette();
  black.setColor(QPalette::Window, Qt::black);
  video_->setPalette(black);
  video_->hide();

  LoadFaces(programFolder, strings.UiLanguage());
  SetBackground(face_);
  if (!faceLoaded_) ShowString(boxes, strings, kMsgPreviewImageLoadFailure);
}

void PreviewWindow::LoadFaces(const std::string& programFolder, const std::string& uiLanguage) {
  // Both are tried, so one missing picture costs only its own face; one message tells of either.
  faceLoaded_ = true;
  face_ = FaceOrBlack(SkinPath(programFolder, uiLanguage, "/Bg", "/viewer_bg.bmp"),
                      WindowSize(false), faceLoaded_);
  faceWide_ = FaceOrBlack(SkinPath(programFolder, uiLanguage, "/Bg", "/viewer_bg_640.bmp"),
                          WindowSize(true), faceLoaded_);
}

void PreviewWindow::SetResolution(int resolutionIndex) {
  if (resolutionIndex < kResolutionWide || resolutionIndex > kResolutionSmall) {
    resolutionIndex = kResolutionNormal;
  }
  resolution_ = resolutionIndex;
  const bool wide = resolutionIndex == kResolutionWide;
  docking_.SetWide(wide);
  const QSize size = WindowSize(wide);
  const bool resized = this->size() != size;
  setFixedSize(size);
  video_->setGeometry(VideoControlPlace(resolutionIndex));
  SetBackground(wide ? faceWide_ : face_);

  if (wide) {
    const QScreen* screen = owner() != nullptr ? owner()->screen() : this->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
    move(docking_.PreviewPlace(area));
    ReportGeometry();
    // The wide window stays above the bar: the bar steps out from under it.
    if (owner() != nullptr && screen != nullptr) {
      if (const auto to = docking_.BarClearOf(geometry(), area)) owner()->move(*to);
    }
  } else if (resized) {
    // A new size is a new position record: the window is free until it snaps again.
    ReportGeometry();
  }
}

void PreviewWindow::PlaceAt(QPoint at) { Place(at); }

void PreviewWindow::ReportGeometry() {
  const QPoint to = docking_.SatelliteMoving(Satellite::kPreview, pos(), size());
  // The nested move event finds its rectangle recorded and stops there.
  if (to != pos()) move(to);
}

void PreviewWindow::moveEvent(QMoveEvent* event) {
  SatelliteWindow::moveEvent(event);
  // Placements the docking made are recorded before the window moves; their echo changes nothing.
  if (QRect(pos(), size()) == docking_.state(Satellite::kPreview).rect) return;
  ReportGeometry();
}

}  // namespace tavo::preview
