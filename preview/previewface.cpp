#include "previewface.h"

#include <QPainter>
#include <QPixmap>

#include "previewcontroller.h"
#include "skinbitmap.h"
#include "skinfolder.h"

namespace tavo::preview {

namespace {

// The inclusive pixel ranges x left..right, y top..bottom.
QRect Area(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QPoint(right, bottom));
}
// A large button's rows start below its top line.
QRect LargeHit(int left, int top, int right, int bottom) {
  return Area(left, top + 1, right, bottom);
}
// A rectangle of the window system: right and bottom lie outside.
QRect Rect(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

}  // namespace

const std::array<const char*, kBarSkinFileCount>& BarSkinFiles() {
  static const std::array<const char*, kBarSkinFileCount> kFiles = {
      "/main_bg.bmp",           "/Snapshot_up.bmp",      "/Snapshot_Focus.bmp",
      "/Play_up.bmp",           "/PrevidwPlay_Down.bmp", "/PreviewPlay_Focus.bmp",
      "/PreviewStop_up.bmp",    "/PreviewStop_Down.bmp", "/PreviewStop_Focus.bmp",
      "/Config_up.bmp",         "/Config_Focus.bmp",     "/pin_off_Up.bmp",
      "/pin_off_Down.bmp",      "/pin_on_Up.bmp",        "/pin_on_Down.bmp",
      "/Minimize_but_Down.bmp", "/Exit_But_Down.bmp",    "/Help_but_Down.bmp",
  };
  return kFiles;
}

const QImage& BarPictures::Face(int i) const {
  static const QImage kNone;
  return i >= 0 && i < loaded ? images[static_cast<std::size_t>(i)] : kNone;
}

BarPictures LoadBarPictures(const std::string& programFolder, const std::string& uiLanguage) {
  BarPictures pictures;
  for (const char* file : BarSkinFiles()) {
    QImage image;
    if (!LoadSkinBitmap(SkinPath(programFolder, uiLanguage, kBarSkinFolder, file), image)) break;
    pictures.images[static_cast<std::size_t>(pictures.loaded++)] = std::move(image);
  }
  return pictures;
}

const std::array<BarButton, 7>& BarButtons() {
  // The snapshot and configuration buttons show their "_up" picture while pressed.
  static const std::array<BarButton, 7> kButtons = {{
      {kButtonSnapshot, LargeHit(105, 10, 133, 40), QRect(103, 9, 30, 30), kSnapshotFocus,
       kSnapshotUp},
      {kButtonPreview, LargeHit(150, 10, 180, 42), QRect(148, 8, 36, 36), kPlayFocus, kPlayDown},
      {kButtonConfig, LargeHit(202, 10, 230, 40), QRect(199, 9, 30, 30), kConfigFocus, kConfigUp},
      {kButtonHelp, Area(272, 6, 282, 16), QRect(272, 6, 11, 11), kNoFace, kHelpDown},
      {kButtonPin, Area(287, 6, 298, 16), QRect(287, 6, 11, 11), kNoFace, kPinOffDown},
      {kButtonMinimise, Area(302, 6, 312, 16), QRect(302, 6, 11, 11), kNoFace, kMinimiseDown},
      {kButtonExit, Area(317, 6, 327, 16), QRect(317, 6, 11, 11), kNoFace, kExitDown},
  }};
  return kButtons;
}

const StateFaces kPreviewFaces{
    kButtonPreview, {148, 8}, {kPlayUp, kStopUp}, {kPlayFocus, kStopFocus}, {kPlayDown, kStopDown}};
const StateFaces kPinFaces{
    kButtonPin, {287, 6}, {kPinOnUp, kPinOffUp}, {kNoFace, kNoFace}, {kPinOnDown, kPinOffDown}};

const std::array<TooltipArea, 4>& BarTooltips() {
  static const std::array<TooltipArea, 4> kTips = {{
      {3002, Rect(105, 11, 133, 40)},
      {3003, Rect(150, 11, 180, 42)},
      {3004, Rect(202, 11, 230, 40)},
      {3005, Rect(287, 6, 298, 11)},
  }};
  return kTips;
}

QIcon PreviewIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    p.setPen(Qt::NoPen);
    // A small camera body with a large lens: the preview camera.
    p.setBrush(QColor(58, 58, 62));
    p.drawRoundedRect(QRectF(0.08 * s, 0.26 * s, 0.84 * s, 0.6 * s), 0.12 * s, 0.12 * s);
    p.drawRect(QRectF(0.3 * s, 0.16 * s, 0.3 * s, 0.14 * s));
    p.setBrush(QColor(70, 150, 220));
    p.drawEllipse(QPointF(0.5 * s, 0.56 * s), 0.22 * s, 0.22 * s);
    p.setBrush(QColor(230, 230, 235));
    p.drawEllipse(QPointF(0.44 * s, 0.5 * s), 0.06 * s, 0.06 * s);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace tavo::preview
