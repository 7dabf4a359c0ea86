#include "snapshotviewer.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>

#include "skinbitmap.h"
#include "skinfolder.h"

namespace tavo::preview {

namespace {

constexpr QSize kMemorySize{640, 480};
constexpr QRect kSmallArea{0, 0, 320, 240};

}  // namespace

SnapshotViewer::SnapshotViewer(QWidget* dialog, SnapshotStore& store, MessageBoxes& boxes,
                               const StringTable& strings, const std::string& programFolder)
    : SkinWindow(dialog, Qt::Tool),
      store_(store),
      boxes_(boxes),
      strings_(strings),
      memory_(kMemorySize, QImage::Format_RGB32),
      layout_(ViewerLayoutFor(0, 0)) {
  memory_.fill(Qt::black);
  const std::string folder =
      programFolder + SnapshotViewerSkinFolder(strings.UiLanguage()) + kViewerFolder;
  const auto load = [&](const char* file, QImage& into) {
    if (!LoadSkinBitmap(folder + file, into)) skinLoaded_ = false;
  };
  load(ViewerLayoutFor(320, 240).faceFile, face_);
  load(ViewerLayoutFor(640, 480).faceFile, faceLarge_);

  const auto button = [&](int control, const char* file, void (SnapshotViewer::*action)()) {
    auto* made = new SkinButton(this);
    made->setObjectName(QString::number(control));
    // The same picture at rest and lit, and no border: the face shows through unchanged.
    if (!made->SetBitmaps(folder + file, folder + file)) skinLoaded_ = false;
    made->SetDrawBorder(false, false);
    made->setFocusPolicy(Qt::NoFocus);
    made->setFixedSize(kViewerButtonSize);
    connect(made, &QPushButton::clicked, this, action);
    return made;
  };
  save_ = button(kViewerSaveControl, kViewerSaveFile, &SnapshotViewer::Save);
  cancel_ = button(kViewerCancelControl, kViewerCancelFile, &SnapshotViewer::Cancel);
  ApplyLayout();
  if (!skinLoaded_) ShowString(boxes_, strings_, kMsgBitmapReadFailure);
}

void SnapshotViewer::ApplyLayout() {
  setFixedSize(layout_.window);
  save_->move(layout_.save);
  cancel_->move(layout_.cancel);
  const QImage& face = layout_.large ? faceLarge_ : face_;
  if (!face.isNull()) {
    SetBackground(face);
  } else {
    QImage plain(layout_.window, QImage::Format_RGB32);
    plain.fill(QColor(kLabelGround[0], kLabelGround[1], kLabelGround[2]));
    SetBackground(plain);
  }
}

bool SnapshotViewer::Render() {
  QPainter painter(&memory_);
  painter.fillRect(kSmallArea, Qt::black);
  const std::size_t bytes = static_cast<std::size_t>(pixels_.width) * 3 *
                            static_cast<std::size_t>(std::max(pixels_.height, 0));
  if (pixels_.width <= 0 || pixels_.height <= 0 || pixels_.bgr.size() != bytes) return false;
  // The pixels are blue, green, red with the bottom row first.
  const QImage picture = QImage(pixels_.bgr.data(), pixels_.width, pixels_.height,
                                pixels_.width * 3, QImage::Format_BGR888)
                             .mirrored();
  if (picture.isNull()) return false;
  const QRect target = ViewerPictureRect(pixels_.width, pixels_.height);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != picture.size());
  painter.drawImage(target, picture);
  return true;
}

bool SnapshotViewer::ShowSnapshot(std::uint32_t number) {
  SnapshotPixels decoded;
  const bool ok = store_.DecodeSnapshot(number, true, decoded);
  pixels_ = std::move(decoded);
  ownsPixels_ = ok;
  layout_ = ViewerLayoutFor(pixels_.width, pixels_.height);
  ApplyLayout();
  const QWidget* anchor = parentWidget() != nullptr ? parentWidget() : this;
  const QScreen* screen = anchor->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  move(screen != nullptr ? screen->availableGeometry().topLeft() : QPoint(0, 0));
  bool drawn = false;
  if (ok) {
    drawn = Render();
    if (!drawn) ShowString(boxes_, strings_, kMsgViewerRenderFailure);
  } else {
    QPainter(&memory_).fillRect(kSmallArea, Qt::black);
  }
  if (!isVisible()) show();
  raise();
  update();
  return drawn;
}

void SnapshotViewer::PaintState(QPainter& painter) {
  const QRect area = layout_.pictureArea;
  painter.drawImage(area.topLeft(), memory_, QRect(QPoint(0, 0), area.size()));
}

void SnapshotViewer::Save() {
  if (!ownsPixels_) {
    // Nothing decoded: there is nothing of this viewer's to save.
    ShowString(boxes_, strings_, kMsgNothingToSave);
    return;
  }
  // The save asks for a name in a modal loop, where the dialog may close the viewer.
  const QPointer<SnapshotViewer> self(this);
  bool confirmed = false;
  store_.SaveSelectedAs(&pixels_, true, &confirmed);
  if (self == nullptr || !confirmed) return;
  pixels_ = {};
  ownsPixels_ = false;
  Close();
}

void SnapshotViewer::Cancel() {
  pixels_ = {};
  ownsPixels_ = false;
  Close();
}

void SnapshotViewer::Close() {
  hide();
  // Posted: the dialog deletes the viewer, which must not happen inside the viewer's own handler.
  if (parentWidget() != nullptr) {
    QCoreApplication::postEvent(parentWidget(),
                                new ClosedEvent(WM_SNAPSHOT_VIEWER_CLOSED, kClosedByButton));
  } else {
    deleteLater();
  }
}

}  // namespace tavo::preview
